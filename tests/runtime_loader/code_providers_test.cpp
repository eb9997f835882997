// The code providers: a runtime loaded from a stream or from the registered file, and the
// process-wide current provider that the GetProcAddress replacement consults.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include "runtime_loader/code_providers.h"
#include "runtime_loader/file_replacements.h"
#include "runtime_loader/resource_replacements.h"
#include "runtime_loader/system_replacements.h"
#include "tests/support/bin_file.h"
#include "tests/support/temp_dir.h"
#include "win/unique_any.h"

namespace leafmark {
namespace {

// Exports DllGetClassObject (which has no class to give) and carries version 10.0.45.2.
constexpr char kProbe[] = "leafmark_loader_probe.dll";
constexpr std::uint32_t kProbeVersion = 0x0A002D02;

TMemoryStream ProbeImage() { return TMemoryStream(test::ReadFileBytes(test::BinFile(kProbe))); }

template <class Function>
FARPROC AsFarproc(Function function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

class CodeProviders : public ::testing::Test {
 protected:
  void TearDown() override { FinalizeFlashOCXCodeProvider(); }
};

TEST_F(CodeProviders, AStreamThatHoldsNoRuntimeGivesAnEmptyProvider) {
  TMemoryStream damaged(std::vector<std::uint8_t>{'M', 'Z', 0, 0, 1, 2, 3});
  const struct {
    const char* Name;
    TStream* Stream;
  } cases[] = {{"no stream", nullptr}, {"a damaged image", &damaged}};
  for (const auto& c : cases) {
    TFlashOCXCodeProviderBasedOnStream provider(c.Stream);
    EXPECT_FALSE(provider.HasRuntime()) << c.Name;
    EXPECT_EQ(provider.GetFlashVersion(), 0u) << c.Name;
    void* object = &damaged;
    EXPECT_EQ(provider.CreateFlashInstance(IID_IOleObject, &object), E_FAIL) << c.Name;
    EXPECT_EQ(object, &damaged) << c.Name;  // not touched without a runtime
  }
}

TEST_F(CodeProviders, AStreamRuntimeIsLoadedFromMemoryWithItsVersionAndEntry) {
  TMemoryStream image = ProbeImage();
  TFlashOCXCodeProviderBasedOnStream provider(&image);
  ASSERT_TRUE(provider.HasRuntime());
  EXPECT_EQ(provider.GetFlashVersion(), kProbeVersion);
  EXPECT_EQ(::GetModuleHandleA(kProbe), nullptr);  // the system loader never saw it
  // The class factory's refusal is passed on, and no object comes back.
  void* object = &image;
  EXPECT_EQ(provider.CreateFlashInstance(IID_IOleObject, &object), E_FAIL);
  EXPECT_EQ(object, nullptr);
}

TEST_F(CodeProviders, AnUnloadableRuntimeDoesNotReplaceOneThatWorks) {
  TMemoryStream image = ProbeImage();
  ASSERT_TRUE(LoadFlashOCXCodeFromStream(image));
  TFlashOCXCodeProviderBasedOnStream* working = FlashOCXCodeProvider();
  ASSERT_NE(working, nullptr);

  TMemoryStream empty;
  TMemoryStream damaged(std::vector<std::uint8_t>(64, 'x'));
  EXPECT_FALSE(LoadFlashOCXCodeFromStream(empty));
  EXPECT_FALSE(LoadFlashOCXCodeFromStream(damaged));
  EXPECT_EQ(FlashOCXCodeProvider(), working);
  EXPECT_TRUE(working->HasRuntime());

  // A second good one does replace it.
  TMemoryStream again = ProbeImage();
  EXPECT_TRUE(LoadFlashOCXCodeFromStream(again));
  EXPECT_TRUE(FlashOCXCodeProvider()->HasRuntime());
}

TEST_F(CodeProviders, TheCurrentRuntimesLookUpsOfReplacedNamesGetTheReplacements) {
  const HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
  TMemoryStream image = ProbeImage();
  ASSERT_TRUE(LoadFlashOCXCodeFromStream(image));
  EXPECT_EQ(replacements::TableGetProcAddress(kernel32, "CreateFileW"),
            AsFarproc(&replacements::MappedCreateFileW));
  // Any module: the name alone counts.
  EXPECT_EQ(replacements::TableGetProcAddress(nullptr, "ReadFile"),
            AsFarproc(&replacements::ServedReadFile));
  EXPECT_EQ(replacements::TableGetProcAddress(kernel32, "GetTickCount"),
            ::GetProcAddress(kernel32, "GetTickCount"));
  EXPECT_EQ(replacements::TableGetProcAddress(kernel32, MAKEINTRESOURCEA(1)),
            ::GetProcAddress(kernel32, MAKEINTRESOURCEA(1)));
  FinalizeFlashOCXCodeProvider();
  EXPECT_EQ(FlashOCXCodeProvider(), nullptr);
  EXPECT_EQ(replacements::TableGetProcAddress(kernel32, "CreateFileW"),
            ::GetProcAddress(kernel32, "CreateFileW"));
}

// The runtime's class registration, made in the classes root of the test's own prefix and
// removed again.
class TRegistration {
 public:
  explicit TRegistration(const std::string& file) {
    win::TUniqueRegistryKey key;
    ::RegCreateKeyExA(HKEY_CLASSES_ROOT, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(),
                      nullptr);
    ::RegSetValueExA(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(file.c_str()),
                     static_cast<DWORD>(file.size() + 1));
  }
  ~TRegistration() {
    ::RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID\\{D27CDB6E-AE6D-11cf-96B8-444553540000}");
  }
  TRegistration(const TRegistration&) = delete;
  TRegistration& operator=(const TRegistration&) = delete;

 private:
  static constexpr char kKey[] = "CLSID\\{D27CDB6E-AE6D-11cf-96B8-444553540000}\\InprocServer32";
};

TEST_F(CodeProviders, TheRegisteredRuntimeIsReadAsAFileAndLoadedFromMemory) {
  {
    TFlashOCXCodeProviderBasedOnSystemInstalledOCX missing;
    EXPECT_FALSE(missing.HasRuntime());
  }
  const test::TTempDir dir;
  const struct {
    const char* Name;
    std::string File;
    bool Loads;
  } registrations[] = {
      {"the probe", test::BinFile(kProbe), true},
      {"a file that is not there", dir.File("flash.ocx"), false},
      {"a directory", dir.Path(), false},
  };
  for (const auto& r : registrations) {
    const TRegistration registration(r.File);
    InitFlashOCXCodeProvider();
    ASSERT_NE(FlashOCXCodeProvider(), nullptr) << r.Name;
    EXPECT_EQ(FlashOCXCodeProvider()->HasRuntime(), r.Loads) << r.Name;
    EXPECT_EQ(FlashOCXCodeProvider()->GetFlashVersion(), r.Loads ? kProbeVersion : 0u) << r.Name;
  }
  EXPECT_EQ(::GetModuleHandleA(kProbe), nullptr);
}

TEST_F(CodeProviders, CursorsAndMenusComeFromTheRuntimesImageOnly) {
  TMemoryStream image = ProbeImage();
  ASSERT_TRUE(LoadFlashOCXCodeFromStream(image));
  const auto runtime = reinterpret_cast<HINSTANCE>(FlashOCXCodeProvider()->Loader()->ModuleBase());

  const HCURSOR byId = replacements::ImageLoadCursorA(runtime, MAKEINTRESOURCEA(7));
  const HCURSOR byName = replacements::ImageLoadCursorA(runtime, "BLOCKCURSOR");
  ASSERT_NE(byId, nullptr);
  ASSERT_NE(byName, nullptr);
  EXPECT_EQ(replacements::ImageLoadCursorA(runtime, MAKEINTRESOURCEA(7)), byId);
  EXPECT_EQ(replacements::ImageLoadCursorA(runtime, "BLOCKCURSOR"), byName);
  EXPECT_EQ(replacements::ImageLoadCursorA(runtime, MAKEINTRESOURCEA(99)), nullptr);
  EXPECT_EQ(replacements::ImageLoadCursorA(nullptr, IDC_ARROW), ::LoadCursorA(nullptr, IDC_ARROW));

  const HMENU menu = replacements::ImageLoadMenuA(runtime, "PROBEMENU");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(::GetMenuItemCount(menu), 2);
  EXPECT_EQ(::GetMenuItemID(menu, 1), 102u);
  ::DestroyMenu(menu);
  EXPECT_EQ(replacements::ImageLoadMenuA(runtime, "NOMENU"), nullptr);

  // An instance that is not the runtime's image is never read as one: here a buffer that
  // merely looks like an image's start.
  std::vector<std::uint8_t> lookalike(image.Bytes().begin(), image.Bytes().begin() + 64);
  const auto foreign = reinterpret_cast<HINSTANCE>(lookalike.data());
  EXPECT_EQ(replacements::ImageLoadCursorA(foreign, MAKEINTRESOURCEA(7)), nullptr);
  EXPECT_EQ(replacements::ImageLoadMenuA(foreign, "PROBEMENU"), nullptr);
}

}  // namespace
}  // namespace leafmark
