// The replacement table and the replaced file, memory, moniker and look-up functions, called
// the way the runtime calls them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>

#include "content/content_manager.h"
#include "content/fake_url.h"
#include "runtime_loader/file_replacements.h"
#include "runtime_loader/flash_ocx_loader.h"
#include "runtime_loader/code_providers.h"
#include "runtime_loader/sound_replacements.h"
#include "runtime_loader/system_replacements.h"
#include "runtime_loader/window_replacements.h"
#include "tests/content/content_test_environment.h"
#include "tests/content/test_control.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wide_text.h"

namespace leafmark {
namespace {

using namespace replacements;

template <class Function>
FARPROC AsFarproc(Function function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

TEST(ImportReplacements, NamesMatchExactlyWhateverTheModuleAndOrdinalsNever) {
  TFlashOCXLoader loader;
  const FARPROC createFileW = loader.GetImportReplacement("kernel32.dll", "CreateFileW");
  EXPECT_EQ(createFileW, AsFarproc(&MappedCreateFileW));
  EXPECT_EQ(loader.GetImportReplacement("anything.dll", "CreateFileW"), createFileW);
  EXPECT_EQ(loader.GetImportReplacement(nullptr, "CreateFileW"), createFileW);
  const struct {
    const char* Why;
    LPCSTR Name;
  } unreplaced[] = {
      {"lower case", "getprocaddress"},
      {"a prefix", "CreateFile"},
      {"a longer name", "CreateFileWX"},
      {"an ordinal", MAKEINTRESOURCEA(1)},
      {"the largest ordinal", MAKEINTRESOURCEA(0xFFFF)},
      {"nothing", nullptr},
  };
  for (const auto& c : unreplaced) {
    EXPECT_EQ(loader.GetImportReplacement("kernel32.dll", c.Name), nullptr) << c.Why;
  }
}

TEST(ImportReplacements, EveryRowHasItsOwnNameAndAReplacementThatFindsIt) {
  std::set<std::string> names;
  for (const TImportReplacement& row : ImportReplacements()) {
    EXPECT_TRUE(names.insert(row.Name).second) << row.Name;
    EXPECT_NE(row.Replacement, nullptr) << row.Name;
    EXPECT_EQ(FindImportReplacement(row.Name), row.Replacement) << row.Name;
  }
}

// A stream whose every operation fails, as a broken download would.
class TFailingStream final : public TStream {
 public:
  std::int64_t Read(void*, std::int64_t) override { throw EStreamError("read failed"); }
  std::int64_t Write(const void*, std::int64_t) override { throw EStreamError("write failed"); }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin) override {
    if (offset == 0) return 0;  // the open rewinds it
    throw EStreamError("seek failed");
  }
  std::int64_t Size() override { throw EStreamError("size failed"); }
};

class FileReplacementsTest : public content::test::ContentTest {
 protected:
  void SetUp() override {
    ContentTest::SetUp();
    content::ContentManager().RegisterControl(1, control_->Link());
    control_->onLoadAsync = [](const std::wstring& path, std::unique_ptr<TStream>& stream) {
      if (path == L"broken.bin") {
        stream = std::make_unique<TFailingStream>();
      } else if (path == L"hundred.bin") {
        std::vector<std::uint8_t> bytes(100);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
        auto served = std::make_unique<TMemoryStream>(std::move(bytes));
        served->SetPosition(100);  // left at its end, as the archive reader leaves it
        stream = std::move(served);
      }
    };
  }

  static std::wstring Served(const std::wstring& name) {
    return L"Z:\\FromMemory\\" + std::wstring(content::FakeURLMarker) + L"\\1\\" + name;
  }
  static HANDLE OpenW(const std::wstring& name) {
    return MappedCreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  }

  std::unique_ptr<content::test::TTestControl> control_ =
      std::make_unique<content::test::TTestControl>();
};

TEST_F(FileReplacementsTest, AServedFileReadsInChunksUntilItsEnd) {
  const HANDLE file = OpenW(Served(L"hundred.bin"));
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::uint8_t buffer[64];
  const DWORD expected[] = {64, 36, 0};
  for (const DWORD size : expected) {
    DWORD read = 12345;
    EXPECT_TRUE(ServedReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, size);
  }
  EXPECT_TRUE(ServedReadFile(file, buffer, sizeof buffer, nullptr, nullptr));
  EXPECT_TRUE(ServedCloseHandle(file));
}

TEST_F(FileReplacementsTest, SizesAndSeeksOnAServedFile) {
  const std::string narrowName = "Z:/FromMemory/" +
                                 std::string(content::FakeURLMarker.begin(),
                                             content::FakeURLMarker.end()) +
                                 "/1/hundred.bin";
  const HANDLE file = MappedCreateFileA(narrowName.c_str(), GENERIC_READ, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD high = 77;
  EXPECT_EQ(ServedGetFileSize(file, &high), 100u);
  EXPECT_EQ(high, 0u);
  LARGE_INTEGER size{};
  EXPECT_TRUE(ServedGetFileSizeEx(file, &size));
  EXPECT_EQ(size.QuadPart, 100);

  const struct {
    const char* Move;
    LONG Distance;
    LONG High;
    DWORD Method;
    DWORD Position;
  } seeks[] = {
      {"10 before the end", -10, 0, FILE_END, 90},
      {"5 on", 5, 0, FILE_CURRENT, 95},
      {"to 3, the high part ignored", 3, 1, FILE_BEGIN, 3},
      {"past the end", 150, 0, FILE_BEGIN, 150},
  };
  for (const auto& seek : seeks) {
    LONG high32 = seek.High;
    EXPECT_EQ(ServedSetFilePointer(file, seek.Distance, &high32, seek.Method), seek.Position)
        << seek.Move;
    EXPECT_EQ(high32, 0) << seek.Move;
  }
  LARGE_INTEGER distance{};
  distance.QuadPart = -20;
  LARGE_INTEGER position{};
  EXPECT_TRUE(ServedSetFilePointerEx(file, distance, &position, FILE_END));
  EXPECT_EQ(position.QuadPart, 80);
  std::uint8_t byte = 0;
  DWORD read = 0;
  EXPECT_TRUE(ServedReadFile(file, &byte, 1, &read, nullptr));
  EXPECT_EQ(byte, 80);

  // Before the start, or an unknown origin: the failure result, and the handle stays open.
  ::SetLastError(0);
  EXPECT_EQ(ServedSetFilePointer(file, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  EXPECT_NE(::GetLastError(), DWORD{NO_ERROR});
  EXPECT_EQ(ServedSetFilePointer(file, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(ServedSetFilePointer(file, 0, nullptr, FILE_CURRENT), 81u);
  EXPECT_TRUE(ServedCloseHandle(file));
}

TEST_F(FileReplacementsTest, AStreamThatFailsGivesEachFunctionsOwnFailureResult) {
  const HANDLE file = OpenW(Served(L"broken.bin"));
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::uint8_t buffer[8];
  DWORD read = 0;
  EXPECT_FALSE(ServedReadFile(file, buffer, sizeof buffer, &read, nullptr));
  ::SetLastError(0);
  EXPECT_EQ(ServedGetFileSize(file, nullptr), INVALID_FILE_SIZE);
  EXPECT_NE(::GetLastError(), DWORD{NO_ERROR});
  LARGE_INTEGER size{};
  EXPECT_FALSE(ServedGetFileSizeEx(file, &size));
  EXPECT_EQ(ServedSetFilePointer(file, 4, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  LARGE_INTEGER distance{};
  distance.QuadPart = 4;
  EXPECT_FALSE(ServedSetFilePointerEx(file, distance, nullptr, FILE_BEGIN));
  EXPECT_TRUE(ServedCloseHandle(file));
}

TEST_F(FileReplacementsTest, ClosingTellsTheControlOnceAndASecondCloseGoesToTheSystem) {
  const HANDLE file = OpenW(Served(L"hundred.bin"));
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(ServedCloseHandle(file));
  EXPECT_EQ(control_->UnloadedStreams().size(), 1u);
  ::SetLastError(0);
  EXPECT_FALSE(ServedCloseHandle(file));
  EXPECT_EQ(::GetLastError(), DWORD{ERROR_INVALID_HANDLE});
  EXPECT_EQ(control_->UnloadedStreams().size(), 1u);
}

TEST_F(FileReplacementsTest, OtherFilesReachTheSystemUnchanged) {
  const test::TTempDir dir;
  test::WriteFileText(dir.File("plain.txt"), "plain bytes");
  const HANDLE file = OpenW(test::Wide(dir.File("plain.txt")));
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ServedGetFileSize(file, nullptr), 11u);
  EXPECT_EQ(ServedSetFilePointer(file, 6, nullptr, FILE_BEGIN), 6u);
  char buffer[16] = {};
  DWORD read = 0;
  EXPECT_TRUE(ServedReadFile(file, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(std::string(buffer, read), "bytes");
  EXPECT_TRUE(ServedCloseHandle(file));
  EXPECT_EQ(control_->Calls(), std::vector<std::wstring>{});
}

TEST(MemoryReplacements, AGuardRequestOnAnAddressBecomesAPlainCommitOfItsRegion) {
  // No address: passed on as it is, guard and all.
  void* guarded = GuardFreeVirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT,
                                        PAGE_READWRITE | PAGE_GUARD);
  ASSERT_NE(guarded, nullptr);
  MEMORY_BASIC_INFORMATION info{};
  ASSERT_NE(::VirtualQuery(guarded, &info, sizeof info), 0u);
  EXPECT_NE(info.Protect & PAGE_GUARD, 0u);
  ::VirtualFree(guarded, 0, MEM_RELEASE);

  // An address inside a reserved run of pages: the whole run from there is committed, unguarded.
  auto* reserved = static_cast<std::uint8_t*>(
      ::VirtualAlloc(nullptr, 16 * 4096, MEM_RESERVE, PAGE_NOACCESS));
  ASSERT_NE(reserved, nullptr);
  void* committed =
      GuardFreeVirtualAlloc(reserved + 4 * 4096, 1, MEM_COMMIT, PAGE_READWRITE | PAGE_GUARD);
  ASSERT_EQ(committed, reserved + 4 * 4096);
  ASSERT_NE(::VirtualQuery(committed, &info, sizeof info), 0u);
  EXPECT_EQ(info.State, DWORD{MEM_COMMIT});
  EXPECT_EQ(info.Protect, DWORD{PAGE_READWRITE});
  EXPECT_EQ(info.RegionSize, SIZE_T{12 * 4096});
  ::VirtualFree(reserved, 0, MEM_RELEASE);
}

TEST(MemoryReplacements, FlushingAnnouncedCodeLeavesItsPagesExecutable) {
  void* code = ::VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  ASSERT_NE(code, nullptr);
  EXPECT_TRUE(ExecutableFlushInstructionCache(::GetCurrentProcess(), code, 4096));
  MEMORY_BASIC_INFORMATION info{};
  ASSERT_NE(::VirtualQuery(code, &info, sizeof info), 0u);
  EXPECT_EQ(info.Protect, DWORD{PAGE_EXECUTE_READWRITE});
  ::VirtualFree(code, 0, MEM_RELEASE);
}

TEST(MonikerReplacement, HandsOutAMonikerAndRefusesANilSlot) {
  EXPECT_EQ(ContentCreateURLMoniker(nullptr, L"http://example.com/a.swf", nullptr), E_POINTER);
  IMoniker* moniker = reinterpret_cast<IMoniker*>(&moniker);  // stale
  ASSERT_EQ(ContentCreateURLMoniker(nullptr, L"http://example.com/a.swf", &moniker), S_OK);
  ASSERT_NE(moniker, nullptr);
  LPOLESTR name = nullptr;
  EXPECT_EQ(moniker->GetDisplayName(nullptr, nullptr, &name), S_OK);
  EXPECT_STREQ(name, L"http://example.com/a.swf");
  ::CoTaskMemFree(name);
  moniker->Release();
}

TEST(GetProcAddressReplacement, WithoutALoadedRuntimeEveryLookUpIsTheSystems) {
  const HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
  EXPECT_EQ(TableGetProcAddress(kernel32, "CreateFileW"), ::GetProcAddress(kernel32, "CreateFileW"));
  EXPECT_EQ(TableGetProcAddress(kernel32, "NoSuchFunction"), nullptr);
}

// A window procedure for the runtime's classes in these tests.
LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(window, message, wParam, lParam);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, 256);
  return name;
}

TEST(WindowClassReplacements, AClassIsRegisteredUnderAPrefixedNameAndWindowsFollowIt) {
  const std::string prefixed = PrefixedClassName("LeafmarkRuntimeFrame");
  EXPECT_EQ(prefixed, "FlashPlayerControl_LeafmarkRuntimeFrame_" +
                          std::to_string(reinterpret_cast<std::uintptr_t>(
                              FlashOCXCodeProviderVariable())));
  const std::wstring widePrefixed(prefixed.begin(), prefixed.end());

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = PlainWindowProc;
  windowClass.hInstance = reinterpret_cast<HINSTANCE>(0x10000);  // the runtime's image base
  windowClass.lpszClassName = L"LeafmarkRuntimeFrame";
  ASSERT_NE(PrefixedRegisterClassExW(&windowClass), 0);
  EXPECT_STREQ(windowClass.lpszClassName, L"LeafmarkRuntimeFrame");  // the caller's is unchanged
  WNDCLASSEXW found{};
  found.cbSize = sizeof found;
  EXPECT_TRUE(::GetClassInfoExW(PlayerInstance(), widePrefixed.c_str(), &found));

  // Named in other letter case, with the runtime's instance.
  const HWND window = PrefixedCreateWindowExW(0, L"LEAFMARKRUNTIMEFRAME", L"", WS_POPUP, 0, 0, 10,
                                              10, nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ClassOf(window), widePrefixed);

  // Registered again while a window of it lives: the system refuses, and so does the
  // replacement; once the window is gone the name is registered anew.
  EXPECT_EQ(PrefixedRegisterClassExW(&windowClass), 0);
  ::DestroyWindow(window);
  EXPECT_NE(PrefixedRegisterClassExW(&windowClass), 0);

  // The narrow variants share the mapping.
  const HWND narrow = PrefixedCreateWindowExA(0, "leafmarkruntimeframe", "", WS_POPUP, 0, 0, 10,
                                              10, nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(narrow, nullptr);
  EXPECT_EQ(ClassOf(narrow), widePrefixed);
  ::DestroyWindow(narrow);
  ::UnregisterClassW(widePrefixed.c_str(), PlayerInstance());
}

TEST(WindowClassReplacements, AtomsSystemClassesAndANilInstancePassThrough) {
  WNDCLASSW plain{};
  plain.lpfnWndProc = PlainWindowProc;
  plain.hInstance = ::GetModuleHandleW(nullptr);
  plain.lpszClassName = L"LeafmarkPlainClass";
  const ATOM atom = ::RegisterClassW(&plain);
  ASSERT_NE(atom, 0);
  const HWND byAtom = PrefixedCreateWindowExA(0, reinterpret_cast<LPCSTR>(MAKEINTATOM(atom)), "",
                                              WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                              plain.hInstance, nullptr);
  ASSERT_NE(byAtom, nullptr);
  EXPECT_EQ(ClassOf(byAtom), L"LeafmarkPlainClass");
  ::DestroyWindow(byAtom);
  ::UnregisterClassW(L"LeafmarkPlainClass", plain.hInstance);

  const HWND system = PrefixedCreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                              nullptr, nullptr, nullptr);
  ASSERT_NE(system, nullptr);
  EXPECT_EQ(::GetWindowLongPtrW(system, GWLP_HINSTANCE), 0);
  ::DestroyWindow(system);
}

TEST(SoundReplacements, SamplesAreScaledAroundTheirSilence) {
  const struct {
    const char* Case;
    unsigned BytesPerSample;
    int Volume;
    std::vector<std::uint8_t> Before;
    std::vector<std::uint8_t> After;
  } cases[] = {
      {"8-bit at half", 1, 50, {0, 128, 255, 100}, {64, 128, 191, 114}},
      {"8-bit muted", 1, 0, {0, 255}, {128, 128}},
      // 1000 and -1001 little-endian, then an odd byte that is no sample.
      {"16-bit at half", 2, 50, {0xE8, 0x03, 0x17, 0xFC, 0x7F}, {0xF4, 0x01, 0x0C, 0xFE, 0x7F}},
      {"16-bit at full", 2, 100, {0x01, 0x80, 0xFF, 0x7F}, {0x01, 0x80, 0xFF, 0x7F}},
      {"24-bit untouched", 3, 50, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}},
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> samples = c.Before;
    ScaleSamples(samples.data(), static_cast<std::uint32_t>(samples.size()), c.BytesPerSample,
                 c.Volume);
    EXPECT_EQ(samples, c.After) << c.Case;
  }
}

}  // namespace
}  // namespace leafmark
