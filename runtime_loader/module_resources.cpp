// Resource look-ups over a mapped module: its own headers give the extent every read stays in.
#include "runtime_loader/module_resources.h"

#include <span>
#include <string>

#include "runtime_loader/pe_headers.h"
#include "runtime_loader/pe_resources.h"
#include "runtime_loader/pe_version.h"
#include "win/system_text.h"

namespace leafmark {
namespace {

std::u16string WidenName(LPCSTR name) {
  const std::wstring wide = win::SystemToWide(name);
  return std::u16string(wide.begin(), wide.end());
}

// The committed, readable bytes from base to the end of its region: a placed module's headers
// lie there (the system maps them as one page or more; our loader commits the whole image).
std::span<const std::uint8_t> ReadableBytesAt(const std::uint8_t* base) {
  MEMORY_BASIC_INFORMATION region{};
  if (VirtualQuery(base, &region, sizeof region) == 0 || region.State != MEM_COMMIT) return {};
  constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  if ((region.Protect & kReadable) == 0 || (region.Protect & PAGE_GUARD) != 0) return {};
  const auto* start = static_cast<const std::uint8_t*>(region.BaseAddress);
  return {base, region.RegionSize - static_cast<std::size_t>(base - start)};
}

}  // namespace

bool FindModuleResourceLang(HMODULE module, WORD typeId, LPCSTR nameOrId, LCID language,
                            DWORD& size, const void*& data) noexcept {
  try {
    if (module == nullptr) return false;
    const auto* base = reinterpret_cast<const std::uint8_t*>(module);
    const auto image = pe::MappedImageExtent(ReadableBytesAt(base));
    const pe::TPeHeaders headers = pe::ParsePeHeaders(image);
    const pe::TResourceName name =
        IS_INTRESOURCE(nameOrId)
            ? pe::TResourceName(static_cast<std::uint16_t>(reinterpret_cast<ULONG_PTR>(nameOrId)))
            : pe::TResourceName(WidenName(nameOrId));
    const auto found =
        pe::FindImageResource(image, headers, typeId, name, LANGIDFROMLCID(language));
    if (!found) return false;
    size = found->Size;
    data = base + found->Rva;
    return true;
  } catch (...) {
    return false;
  }
}

bool FindModuleResource(HMODULE module, WORD typeId, LPCSTR nameOrId, DWORD& size,
                        const void*& data) noexcept {
  const LCID languages[] = {GetThreadLocale(), GetSystemDefaultLCID(), GetUserDefaultLCID(), 0,
                            1033};
  for (const LCID language : languages) {
    if (FindModuleResourceLang(module, typeId, nameOrId, language, size, data)) return true;
  }
  return false;
}

std::uint32_t ReadModuleVersion(HMODULE module) noexcept {
  DWORD size = 0;
  const void* data = nullptr;
  if (!FindModuleResource(module, pe::kResourceTypeVersion, MAKEINTRESOURCEA(1), size, data)) {
    return 0;
  }
  const auto version =
      pe::ReadProductVersion({static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(size)});
  return version ? version->Packed() : 0;
}

}  // namespace leafmark
