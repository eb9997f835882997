// Builds small PE32 and PE32+ images for tests: one data section whose content the test
// composes at known RVAs (import, export, resource and relocation tables), optional extra
// sections with chosen sizes, and every header field within reach.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace leafmark::test {

using TBytes = std::vector<std::uint8_t>;

// Fixed places in every built file, for tests that corrupt a header field.
inline constexpr std::uint32_t kNtOffset = 0x40;
inline constexpr std::uint32_t kFileHeaderOffset = kNtOffset + 4;
inline constexpr std::uint32_t kOptionalOffset = kNtOffset + 24;
inline constexpr std::uint32_t kDataRva = 0x1000;  // start of the composed data section

struct TImportFunction {
  std::string Name;       // by name when Ordinal is 0
  std::uint16_t Ordinal = 0;
};

struct TImportedModule {
  std::string Module;
  std::vector<TImportFunction> FirstThunkNames;     // what FirstThunk lists
  std::vector<TImportFunction> OriginalThunkNames;  // what OriginalFirstThunk lists (empty: none)
  std::uint32_t TimeDateStamp = 0;
  // Filled by AddImports: the RVA of each FirstThunk entry.
  std::vector<std::uint32_t> SlotRvas;
};

struct TResourceEntry {
  std::uint16_t Type = 0;
  std::variant<std::uint16_t, std::u16string> Name;
  std::uint16_t Language = 0;
  TBytes Data;
};

struct TExtraSection {
  std::string Name;
  std::uint32_t VirtualAddress = 0;
  std::uint32_t VirtualSize = 0;
  TBytes Raw;  // SizeOfRawData = Raw.size()
};

class TPeWriter {
 public:
  explicit TPeWriter(bool is64);

  bool Is64() const { return is64_; }
  std::uint64_t ImageBase = 0;
  std::uint16_t Machine = 0;
  std::uint16_t Characteristics = 0x2102;  // DLL, 32-bit machine, executable
  std::uint32_t EntryPoint = 0;
  std::vector<TExtraSection> ExtraSections;

  // Data section content; each returns the RVA of what it placed.
  std::uint32_t Add(const TBytes& bytes, std::uint32_t align = 4);
  std::uint32_t AddString(const std::string& text);
  std::uint32_t Reserve(std::uint32_t size, std::uint32_t align = 8);
  void Put16(std::uint32_t rva, std::uint16_t value);
  void Put32(std::uint32_t rva, std::uint32_t value);
  void Put64(std::uint32_t rva, std::uint64_t value);
  void SetDirectory(int index, std::uint32_t rva, std::uint32_t size);

  // Table builders: each places its table and points the data directory at it.
  void AddImports(std::vector<TImportedModule>& modules);
  // name -> RVA; forwardedTo names a "module.function" forwarder instead of an RVA.
  struct TExport {
    std::string Name;
    std::uint32_t Rva = 0;
    std::string ForwardedTo;
  };
  void AddExports(const std::vector<TExport>& exports);
  void AddResources(const std::vector<TResourceEntry>& resources);
  // One block per page; entries are (type << 12 | offset).
  struct TRelocBlock {
    std::uint32_t Page = 0;
    std::vector<std::uint16_t> Entries;
  };
  void AddRelocations(const std::vector<TRelocBlock>& blocks);

  TBytes Build() const;

 private:
  bool is64_;
  TBytes data_;
  std::uint32_t directories_[16][2] = {};
};

// A VS_VERSIONINFO block with the given product and file versions.
TBytes VersionResource(std::uint32_t productMS, std::uint32_t productLS, std::uint32_t fileMS,
                       std::uint32_t fileLS);

std::uint32_t ReadU32(const TBytes& bytes, std::size_t at);
void WriteU16(TBytes& bytes, std::size_t at, std::uint16_t value);
void WriteU32(TBytes& bytes, std::size_t at, std::uint32_t value);

}  // namespace leafmark::test
