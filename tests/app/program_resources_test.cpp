// The shipped programs' resources as Explorer reads them: the version strings and the icon.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace leafmark {
namespace {

std::wstring BesideThisTest(const std::wstring& name) {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring own(path, length);
  return own.substr(0, own.find_last_of(L'\\') + 1) + name;
}

class TVersionInfo {
 public:
  explicit TVersionInfo(const std::wstring& file) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) return;
    block_.resize(size);
    if (!::GetFileVersionInfoW(file.c_str(), 0, size, block_.data())) block_.clear();
  }

  bool Present() const { return !block_.empty(); }

  // A string of the first language the block lists; empty when absent.
  std::wstring String(const std::wstring& name) const {
    const WORD* translation = nullptr;
    UINT length = 0;
    if (!Query(L"\\VarFileInfo\\Translation", reinterpret_cast<const void**>(&translation), length) || length < 4) {
      return {};
    }
    wchar_t key[64];
    swprintf(key, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    const wchar_t* value = nullptr;
    if (!Query(key + name, reinterpret_cast<const void**>(&value), length) || length == 0) return {};
    return std::wstring(value, wcsnlen(value, length));
  }

  const VS_FIXEDFILEINFO* Fixed() const {
    const VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!Query(L"\\", reinterpret_cast<const void**>(&fixed), length) || length < sizeof *fixed) return nullptr;
    return fixed;
  }

 private:
  bool Query(const std::wstring& path, const void** value, UINT& length) const {
    void* found = nullptr;
    const bool ok = ::VerQueryValueW(const_cast<std::uint8_t*>(block_.data()), path.c_str(), &found, &length);
    *value = found;
    return ok && found != nullptr;
  }
  std::vector<std::uint8_t> block_;
};

struct TIconEntry {
  int Width = 0, Height = 0, BitCount = 0;
  bool operator==(const TIconEntry&) const = default;
};

// The images of icon group 1, read from the file as data (nothing of it runs).
std::vector<TIconEntry> IconGroupOne(const std::wstring& file) {
  const HMODULE module = ::LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) return {};
  std::vector<TIconEntry> entries;
  if (const HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(1), reinterpret_cast<LPCWSTR>(RT_GROUP_ICON))) {
    const DWORD size = ::SizeofResource(module, resource);
    const auto* bytes = static_cast<const std::uint8_t*>(::LockResource(::LoadResource(module, resource)));
    // GRPICONDIR: reserved, type, count (16 bits each), then 14-byte entries.
    const unsigned count = bytes && size >= 6 ? bytes[4] | bytes[5] << 8 : 0;
    for (unsigned i = 0; i < count && 6 + (i + 1) * 14 <= size; ++i) {
      const std::uint8_t* entry = bytes + 6 + i * 14;
      entries.push_back({entry[0] ? entry[0] : 256, entry[1] ? entry[1] : 256, entry[6] | entry[7] << 8});
    }
  }
  ::FreeLibrary(module);
  return entries;
}

struct TProgramCase {
  const char* Name;
  const wchar_t* File;
  const wchar_t* Description;
};

class ProgramResources : public ::testing::TestWithParam<TProgramCase> {};

TEST_P(ProgramResources, CarryProductNameDescriptionVersionAndIcon) {
  const std::wstring file = BesideThisTest(GetParam().File);
  const TVersionInfo version(file);
  ASSERT_TRUE(version.Present()) << "no version resource";
  EXPECT_EQ(version.String(L"ProductName"), L"Leafmark");
  EXPECT_EQ(version.String(L"FileDescription"), GetParam().Description);
  EXPECT_EQ(version.String(L"FileVersion"), LEAFMARK_VERSION);
  EXPECT_EQ(version.String(L"ProductVersion"), LEAFMARK_VERSION);
  EXPECT_EQ(version.String(L"OriginalFilename"), GetParam().File);
  const VS_FIXEDFILEINFO* fixed = version.Fixed();
  ASSERT_NE(fixed, nullptr);
  wchar_t numbers[64];
  swprintf(numbers, 64, L"%u.%u.%u", HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
           HIWORD(fixed->dwProductVersionLS));
  EXPECT_EQ(std::wstring(numbers), LEAFMARK_VERSION) << "the numeric product version";
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  const std::vector<TIconEntry> expected = {{32, 32, 32}, {16, 16, 32}};
  EXPECT_EQ(IconGroupOne(file), expected) << "icon group 1: 32x32 and 16x16 in 32 bits";
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramResources,
                         ::testing::Values(TProgramCase{"Player", L"leafmark-player.exe", L"Leafmark book player"},
                                           TProgramCase{"Packer", L"leafmark-pack.exe", L"Leafmark book packer"}),
                         [](const ::testing::TestParamInfo<TProgramCase>& param) { return std::string(param.param.Name); });

}  // namespace
}  // namespace leafmark
