// The headers of a PE32 or PE32+ image: parsed from the file's bytes or a placed image.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "runtime_loader/pe_bytes.h"
#include "runtime_loader/pe_format.h"

namespace leafmark::pe {

struct TDataDirectory {
  std::uint32_t VirtualAddress = 0;
  std::uint32_t Size = 0;
  bool Present() const { return VirtualAddress != 0 && Size != 0; }
};

struct TSectionHeader {
  std::string Name;  // up to 8 characters
  std::uint32_t VirtualSize = 0;
  std::uint32_t VirtualAddress = 0;
  std::uint32_t SizeOfRawData = 0;
  std::uint32_t PointerToRawData = 0;
  std::uint32_t Characteristics = 0;
};

struct TPeHeaders {
  std::uint32_t NtHeadersOffset = 0;  // e_lfanew
  std::uint16_t Machine = 0;
  std::uint16_t Characteristics = 0;
  bool Is64 = false;  // PE32+ (64-bit thunks, DIR64 relocations)
  std::uint16_t SizeOfOptionalHeader = 0;
  std::uint32_t AddressOfEntryPoint = 0;
  std::uint64_t ImageBase = 0;
  std::uint32_t SizeOfImage = 0;
  std::uint32_t SizeOfHeaders = 0;
  std::array<TDataDirectory, kDirectoryCount> Directories{};  // absent ones are zero
  std::vector<TSectionHeader> Sections;

  bool IsDll() const { return (Characteristics & kFileDll) != 0; }
  unsigned ThunkSize() const { return Is64 ? 8u : 4u; }
};

// Parses the DOS, file and optional headers and the section table. Refuses (EPeImageError) a
// file without the MZ and PE signatures, an unknown optional-header magic, headers or tables
// that lie outside bytes or outside SizeOfImage, and headers (DOS, NT, optional header of its
// declared size, section table) outside SizeOfHeaders.
TPeHeaders ParsePeHeaders(std::span<const std::uint8_t> bytes);

// A reader over the first SizeOfImage bytes of a placed image; throws EPeImageError when the
// memory given is shorter than that.
TByteReader ImageReader(std::span<const std::uint8_t> image, const TPeHeaders& headers);

// The extent of a module already placed in memory (by the system or by our loader), read
// from its own headers: [module, module + SizeOfImage). readable: the bytes from the module's
// start that the caller knows to be readable; the headers are read only inside them.
std::span<const std::uint8_t> MappedImageExtent(std::span<const std::uint8_t> readable);

// "x86", "x64" or the machine number in hex.
std::string MachineName(std::uint16_t machine);

}  // namespace leafmark::pe
