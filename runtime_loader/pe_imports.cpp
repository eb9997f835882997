// The import descriptor walk and the import address table slots.
#include "runtime_loader/pe_imports.h"

#include "base/little_endian.h"
#include "runtime_loader/pe_bytes.h"
#include "runtime_loader/pe_error.h"

namespace leafmark::pe {
namespace {

constexpr std::uint32_t kDescriptorSize = 20;

std::uint64_t ReadThunk(const TByteReader& image, const TPeHeaders& headers, std::uint64_t at,
                        const std::string& field) {
  return headers.Is64 ? image.U64(at, field) : image.U32(at, field);
}

TImportThunk DecodeThunk(const TByteReader& image, const TPeHeaders& headers, std::uint64_t value,
                         const std::string& moduleName) {
  const std::uint64_t ordinalFlag = headers.Is64 ? (std::uint64_t{1} << 63) : 0x80000000u;
  TImportThunk thunk;
  if ((value & ordinalFlag) != 0) {
    thunk.ByOrdinal = true;
    thunk.Ordinal = static_cast<std::uint16_t>(value & 0xFFFF);
    return thunk;
  }
  // The entry is the RVA of a hint/name pair; the name follows the 16-bit hint.
  thunk.Name = image.CString(value + 2, "imported function name of " + moduleName);
  return thunk;
}

}  // namespace

std::vector<TImportModule> ReadImports(std::span<const std::uint8_t> bytes,
                                       const TPeHeaders& headers) {
  std::vector<TImportModule> modules;
  const std::uint32_t start = headers.Directories[kDirImport].VirtualAddress;
  if (start == 0) return modules;
  const TByteReader image = ImageReader(bytes, headers);
  const unsigned thunkSize = headers.ThunkSize();
  // Every slot is its own entry of the image, so a sound table has no more thunks than fit;
  // the limit keeps descriptors that share one huge array from costing quadratic time.
  const std::uint64_t maxThunks = headers.SizeOfImage / thunkSize;
  std::uint64_t thunkCount = 0;
  // Likewise every name has its own bytes: names shared beyond the image's size would make
  // the copies below fill memory.
  std::uint64_t nameBytes = 0;
  auto countName = [&](const std::string& text) {
    nameBytes += text.size() + 1;
    if (nameBytes > headers.SizeOfImage) {
      throw EPeImageError("the import names overlap one another: together they exceed the image");
    }
  };
  for (std::uint64_t at = start;; at += kDescriptorSize) {
    const std::uint32_t nameRva = image.U32(at + 12, "import descriptor Name");
    if (nameRva == 0) break;
    const std::uint32_t originalFirstThunk = image.U32(at, "import descriptor OriginalFirstThunk");
    const std::uint32_t timeDateStamp = image.U32(at + 4, "import descriptor TimeDateStamp");
    const std::uint32_t firstThunk = image.U32(at + 16, "import descriptor FirstThunk");
    TImportModule module;
    module.Name = image.CString(nameRva, "import descriptor module name");
    countName(module.Name);
    if (firstThunk == 0) {
      throw EPeImageError("import descriptor of " + module.Name + " has no FirstThunk");
    }
    const std::uint32_t names =
        timeDateStamp != 0 && originalFirstThunk != 0 ? originalFirstThunk : firstThunk;
    const std::string field = "import thunk of " + module.Name;
    for (std::uint64_t i = 0;; ++i) {
      const std::uint64_t value = ReadThunk(image, headers, names + i * thunkSize, field);
      if (value == 0) break;
      if (++thunkCount > maxThunks) {
        throw EPeImageError("the import descriptors name more functions than the image can hold");
      }
      TImportThunk thunk = DecodeThunk(image, headers, value, module.Name);
      if (!thunk.ByOrdinal) countName(thunk.Name);
      const std::uint64_t slot = firstThunk + i * thunkSize;
      image.Require(slot, thunkSize, "import address table entry of " + module.Name);
      thunk.SlotRva = static_cast<std::uint32_t>(slot);
      module.Thunks.push_back(std::move(thunk));
    }
    modules.push_back(std::move(module));
  }
  return modules;
}

void WriteImportSlot(std::span<std::uint8_t> image, const TPeHeaders& headers,
                     std::uint32_t slotRva, std::uint64_t address) {
  const TByteReader reader = ImageReader(image, headers);
  reader.Require(slotRva, headers.ThunkSize(), "import address table entry");
  std::uint8_t* p = image.data() + slotRva;
  if (headers.Is64) {
    StoreU32(p, static_cast<std::uint32_t>(address));
    StoreU32(p + 4, static_cast<std::uint32_t>(address >> 32));
  } else {
    StoreU32(p, static_cast<std::uint32_t>(address));
  }
}

std::string ModuleFileName(const std::string& moduleName) {
  const auto cut = moduleName.find_last_of("\\/:");
  return cut == std::string::npos ? moduleName : moduleName.substr(cut + 1);
}

}  // namespace leafmark::pe
