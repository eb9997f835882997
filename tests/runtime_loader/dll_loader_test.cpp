// The in-memory loader on real DLLs: zlib from the compilers' runtime, and a probe DLL of
// our own that shows the entry-point reasons, imports and unwinding.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/stream.h"
#include "runtime_loader/dll_loader.h"
#include "runtime_loader/module_entry.h"
#include "runtime_loader/module_resources.h"
#include "runtime_loader/pe_error.h"
#include "tests/runtime_loader/pe_writer.h"
#include "tests/support/bin_file.h"
#include "tests/support/temp_dir.h"

namespace leafmark {
namespace {

using test::BinFile;

TMemoryStream FileStream(const std::string& name) { return TMemoryStream(test::ReadFileBytes(name)); }

// Function pointers convert through void (*)() without a cast-function-type warning.
template <typename T, typename U>
T FunctionCast(U function) {
  return reinterpret_cast<T>(reinterpret_cast<void (*)()>(function));
}

template <typename T>
T Export(const TDLLLoader& loader, const char* name) {
  const FARPROC address = loader.FindExport(name);
  EXPECT_NE(address, nullptr) << name;
  return FunctionCast<T>(address);
}

std::string ProbeReasons() {
  char buffer[64] = {};
  GetEnvironmentVariableA("LEAFMARK_PROBE_REASONS", buffer, sizeof buffer);
  return buffer;
}

bool InModuleList(HMODULE base) {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  MODULEENTRY32 entry{};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry)) {
    if (entry.hModule == base) found = true;
  }
  CloseHandle(snapshot);
  return found;
}

bool IsReleased(const void* address) {
  MEMORY_BASIC_INFORMATION info{};
  return VirtualQuery(address, &info, sizeof info) != 0 && info.State == MEM_FREE;
}

TEST(DLLLoaderTest, ZlibRunsFromMemoryAndIsReleased) {
  TMemoryStream stream = FileStream(BinFile("loader_data\\zlib1.dll"));
  stream.Seek(0, TSeekOrigin::End);  // the copy starts at position 0 whatever the position
  auto loader = std::make_unique<TDLLLoader>();
  EXPECT_EQ(loader->FindExport("compress"), nullptr) << "nothing loaded yet";
  loader->LoadModule(stream);
  const HMODULE base = loader->ModuleBase();
  ASSERT_NE(base, nullptr);

  using TCompress = int(__cdecl*)(unsigned char*, unsigned long*, const unsigned char*, unsigned long);
  using TBound = unsigned long(__cdecl*)(unsigned long);
  using TVersion = const char*(__cdecl*)();
  const auto compress = Export<TCompress>(*loader, "compress");
  const auto uncompress = Export<TCompress>(*loader, "uncompress");
  const auto compressBound = Export<TBound>(*loader, "compressBound");
  const auto zlibVersion = Export<TVersion>(*loader, "zlibVersion");
  ASSERT_TRUE(compress && uncompress && compressBound && zlibVersion);
  EXPECT_EQ(std::string(zlibVersion()).substr(0, 2), "1.");

  std::string text;
  for (int i = 0; i < 2000; ++i) text += "page " + std::to_string(i % 37) + " of the book; ";
  std::vector<unsigned char> packed(compressBound(static_cast<unsigned long>(text.size())));
  unsigned long packedSize = static_cast<unsigned long>(packed.size());
  ASSERT_EQ(compress(packed.data(), &packedSize, reinterpret_cast<const unsigned char*>(text.data()),
                     static_cast<unsigned long>(text.size())),
            0);
  EXPECT_LT(packedSize, text.size() / 4);
  std::string unpacked(text.size(), '\0');
  unsigned long unpackedSize = static_cast<unsigned long>(unpacked.size());
  ASSERT_EQ(uncompress(reinterpret_cast<unsigned char*>(unpacked.data()), &unpackedSize, packed.data(), packedSize), 0);
  EXPECT_EQ(unpacked, text);

  // The system loader knows nothing of it.
  EXPECT_EQ(GetModuleHandleA("zlib1.dll"), nullptr);
  EXPECT_FALSE(InModuleList(base));
  HMODULE owner = nullptr;
  EXPECT_FALSE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                  reinterpret_cast<LPCSTR>(reinterpret_cast<void*>(compress)), &owner));
  EXPECT_EQ(ReadModuleVersion(base), 0x01020D00u);

  loader.reset();
  EXPECT_TRUE(IsReleased(base));
}

// The compilers' runtime DLLs: libgcc's helpers and winpthread's mutexes, called from memory.
TEST(DLLLoaderTest, CompilerRuntimeDllsRunFromMemory) {
  TDLLLoader winpthread;
  TMemoryStream winpthreadImage = FileStream(BinFile("libwinpthread-1.dll"));
  winpthread.LoadModule(winpthreadImage);
  using TMutexCall = int (*)(void*);
  using TMutexInit = int (*)(void*, const void*);
  void* mutex = nullptr;
  EXPECT_EQ(Export<TMutexInit>(winpthread, "pthread_mutex_init")(&mutex, nullptr), 0);
  EXPECT_EQ(Export<TMutexCall>(winpthread, "pthread_mutex_lock")(&mutex), 0);
  EXPECT_EQ(Export<TMutexCall>(winpthread, "pthread_mutex_unlock")(&mutex), 0);
  EXPECT_EQ(Export<TMutexCall>(winpthread, "pthread_mutex_destroy")(&mutex), 0);

  TDLLLoader libgcc;
  TMemoryStream libgccImage = FileStream(BinFile(std::string("loader_data\\") + LEAFMARK_LIBGCC_DLL));
  libgcc.LoadModule(libgccImage);
  EXPECT_EQ(Export<int (*)(unsigned long long)>(libgcc, "__popcountdi2")(0xF0F0000000000001ull), 9);
  EXPECT_EQ(Export<int (*)(unsigned long long)>(libgcc, "__clzdi2")(1), 63);
  EXPECT_EQ(GetModuleHandleA(LEAFMARK_LIBGCC_DLL), nullptr);
}

// Fills chosen slots and remembers every question it was asked.
class TRecordingLoader : public TDLLLoader {
 public:
  std::map<std::string, FARPROC> Replacements;
  std::vector<std::string> Asked;

  FARPROC GetImportReplacement(LPCSTR moduleName, LPCSTR nameOrOrdinal) override {
    const std::string name = IS_INTRESOURCE(nameOrOrdinal)
                                 ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(nameOrOrdinal))
                                 : std::string(nameOrOrdinal);
    Asked.push_back(std::string(moduleName) + "!" + name);
    const auto found = Replacements.find(name);
    return found == Replacements.end() ? nullptr : found->second;
  }
};

extern "C" int ReplacementOfHooked() { return 1234; }

// Makes the probe fail in its entry point, for the reasons whose digits reasons holds, in one
// way: "throw" (a C++ exception), "raise" (a system exception), "fault" (a write to address 0)
// or "abort".
class TProbeFailure {
 public:
  TProbeFailure(const char* reasons, const char* way) {
    SetEnvironmentVariableA("LEAFMARK_PROBE_FAIL_ON", reasons);
    SetEnvironmentVariableA("LEAFMARK_PROBE_FAIL_AS", way);
  }
  ~TProbeFailure() {
    SetEnvironmentVariableA("LEAFMARK_PROBE_FAIL_ON", nullptr);
    SetEnvironmentVariableA("LEAFMARK_PROBE_FAIL_AS", nullptr);
  }
  TProbeFailure(const TProbeFailure&) = delete;
  TProbeFailure& operator=(const TProbeFailure&) = delete;
};

class DLLLoaderProbeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetEnvironmentVariableA("LEAFMARK_PROBE_REASONS", "");
    loader_ = std::make_unique<TRecordingLoader>();
    loader_->Replacements["HookedFunction"] = FunctionCast<FARPROC>(&ReplacementOfHooked);
    TMemoryStream stream = FileStream(BinFile("leafmark_loader_probe.dll"));
    loader_->LoadModule(stream);
  }
  std::unique_ptr<TRecordingLoader> loader_;
};

TEST_F(DLLLoaderProbeTest, EntryPointSeesAttachThenThreadAttachThenDetach) {
  EXPECT_EQ(ProbeReasons(), "12");
  const auto ownModule = Export<HINSTANCE (*)()>(*loader_, "ProbeOwnModule");
  EXPECT_EQ(ownModule(), reinterpret_cast<HINSTANCE>(loader_->ModuleBase()));
  loader_.reset();
  EXPECT_EQ(ProbeReasons(), "120");
}

// Destruction cannot report a failure: the module's own is swallowed and everything is still
// released (rather than the process ending).
TEST(DLLLoaderTest, AModuleThatFailsAsItDetachesIsStillReleased) {
  for (const char* way : {"throw", "raise", "fault", "abort"}) {
    SCOPED_TRACE(way);
    SetEnvironmentVariableA("LEAFMARK_PROBE_REASONS", "");
    auto loader = std::make_unique<TDLLLoader>();
    TMemoryStream stream = FileStream(BinFile("leafmark_loader_probe.dll"));
    loader->LoadModule(stream);
    const HMODULE base = loader->ModuleBase();
    const TProbeFailure failure("0", way);
    loader.reset();
    EXPECT_EQ(ProbeReasons(), "120");
    EXPECT_TRUE(IsReleased(base));
    EXPECT_EQ(GetModuleHandleA("leafmark_loader_helper.dll"), nullptr);
  }
}

TEST_F(DLLLoaderProbeTest, ImportsByNameAndOrdinalAreBoundAndMissingModulesLeaveNil) {
  EXPECT_EQ(Export<int (*)()>(*loader_, "ProbeHelperAnswer")(), 41);
  EXPECT_EQ(Export<int (*)()>(*loader_, "ProbeHelperByOrdinal")(), 7);
  EXPECT_EQ(Export<int (*)()>(*loader_, "ProbeHooked")(), 1234);

  const auto& asked = loader_->Asked;
  auto wasAsked = [&](const std::string& q) { return std::find(asked.begin(), asked.end(), q) != asked.end(); };
  EXPECT_TRUE(wasAsked("leafmark_loader_helper.dll!#7")) << "ordinals arrive as small integers";
  EXPECT_TRUE(wasAsked("leafmark_loader_helper.dll!HelperAnswer"));
  EXPECT_TRUE(wasAsked("leafmark_loader_absent.dll!AbsentFunction"));

  std::map<std::string, const TImportedFunction*> records;
  for (const auto& f : loader_->Imports().Items) records[f.FunctionName] = &f;
  ASSERT_TRUE(records.count("AbsentFunction") && records.count("HookedFunction") && records.count("HelperAnswer"));
  EXPECT_EQ(records["AbsentFunction"]->ModuleFileName, "leafmark_loader_absent.dll");
  EXPECT_EQ(*records["AbsentFunction"]->Slot, nullptr) << "no such module, no replacement";
  EXPECT_EQ(*records["HookedFunction"]->Slot, FunctionCast<FARPROC>(&ReplacementOfHooked));
  EXPECT_EQ(*records["HelperAnswer"]->Slot,
            GetProcAddress(GetModuleHandleA("leafmark_loader_helper.dll"), "HelperAnswer"));
  for (const auto& f : loader_->Imports().Items) {
    EXPECT_NE(f.ModuleFileName + "!" + f.FunctionName, "leafmark_loader_helper.dll!") << "ordinals are not recorded";
  }
  EXPECT_EQ(std::count_if(loader_->Imports().Items.begin(), loader_->Imports().Items.end(),
                          [](const TImportedFunction& f) { return f.ModuleFileName == "leafmark_loader_helper.dll"; }),
            1);
}

TEST_F(DLLLoaderProbeTest, LibrariesItLoadedAreFreedWithIt) {
  EXPECT_NE(GetModuleHandleA("leafmark_loader_helper.dll"), nullptr);
  loader_.reset();
  EXPECT_EQ(GetModuleHandleA("leafmark_loader_helper.dll"), nullptr);
}

TEST_F(DLLLoaderProbeTest, ACppExceptionIsThrownAndCaughtInsideTheImage) {
  EXPECT_EQ(Export<int (*)()>(*loader_, "ProbeThrowAndCatch")(), 42);
}

TEST_F(DLLLoaderProbeTest, ExportsAreFoundByExactNameOnly) {
  EXPECT_NE(loader_->FindExport("DllGetClassObject"), nullptr);
  EXPECT_EQ(loader_->FindExport("dllgetclassobject"), nullptr);
  EXPECT_EQ(loader_->FindExport("Missing"), nullptr);
  EXPECT_EQ(loader_->FindExport(nullptr), nullptr);
}

TEST_F(DLLLoaderProbeTest, ResourcesAndVersionOfThePlacedImage) {
  const HMODULE base = loader_->ModuleBase();
  EXPECT_EQ(ReadModuleVersion(base), 0x0A002D02u);
  DWORD size = 0;
  const void* data = nullptr;
  auto text = [&] { return std::string(static_cast<const char*>(data), size).substr(0, 7); };
  ASSERT_TRUE(FindModuleResource(base, 10, "NEUTRALONLY", size, data));
  EXPECT_EQ(text(), "neutral");
  ASSERT_TRUE(FindModuleResource(base, 10, "ENGLISHONLY", size, data));
  EXPECT_EQ(text(), "english");
  EXPECT_FALSE(FindModuleResourceLang(base, 10, "NEUTRALONLY", 1033, size, data));
  EXPECT_FALSE(FindModuleResource(base, 10, "neutralonly", size, data));

  // A language no locale names is found only once the thread asks for it.
  const LCID before = GetThreadLocale();
  EXPECT_FALSE(FindModuleResource(base, 10, "RUSSIANONLY", size, data));
  SetThreadLocale(MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), SORT_DEFAULT));
  EXPECT_TRUE(FindModuleResource(base, 10, "RUSSIANONLY", size, data));
  SetThreadLocale(before);

  EXPECT_FALSE(FindModuleResource(nullptr, 10, "NEUTRALONLY", size, data));
  EXPECT_EQ(ReadModuleVersion(nullptr), 0u);
  EXPECT_NE(ReadModuleVersion(GetModuleHandleA("kernel32.dll")), 0u) << "system modules work too";
}

// Until its SizeOfImage is known, a module's headers are read only inside the readable region
// at its start: here one committed page with a reserved, unreadable page after it.
TEST(DLLLoaderTest, AModuleWhoseHeadersLeaveTheirReadablePageHasNoResources) {
  struct TRelease {
    void operator()(void* memory) const noexcept { VirtualFree(memory, 0, MEM_RELEASE); }
  };
  const std::unique_ptr<void, TRelease> memory(VirtualAlloc(nullptr, 0x2000, MEM_RESERVE, PAGE_NOACCESS));
  ASSERT_NE(memory, nullptr);
  ASSERT_NE(VirtualAlloc(memory.get(), 0x1000, MEM_COMMIT, PAGE_READWRITE), nullptr);
  auto* page = static_cast<std::uint8_t*>(memory.get());
  const auto module = static_cast<HMODULE>(memory.get());
  struct TCase {
    const char* Name;
    std::uint32_t Lfanew;  // a PE signature is written there when it lies in the page
  };
  const TCase cases[] = {
      {"PE signature on the next page", 0x1000},
      {"SizeOfImage on the next page", 0x1000 - 8},
  };
  for (const auto& c : cases) {
    std::fill(page, page + 0x1000, std::uint8_t{0});
    page[0] = 'M';
    page[1] = 'Z';
    std::memcpy(page + 0x3C, &c.Lfanew, 4);
    if (c.Lfanew + 4 <= 0x1000) std::memcpy(page + c.Lfanew, "PE\0\0", 4);
    EXPECT_EQ(ReadModuleVersion(module), 0u) << c.Name;
    DWORD size = 0;
    const void* data = nullptr;
    EXPECT_FALSE(FindModuleResource(module, 10, "ANY", size, data)) << c.Name;
  }
}

TEST(DLLLoaderTest, ImagesItCannotLoadAreRefusedAndLeaveTheLoaderEmpty) {
  struct TCase {
    const char* Name;
    test::TBytes Bytes;
    const char* Reason;
  };
  std::vector<TCase> cases = {
      {"text", {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}, "MZ"},
      {"other machine", test::ReadFileBytes(BinFile("loader_data\\other-machine-zlib1.dll")), "this process"},
  };
#ifdef _WIN64
  {  // a function that the unwinder would look up far beyond the image
    test::TPeWriter writer(true);
    const std::uint32_t unwind = writer.Add({0x01, 0, 0, 0});
    const std::uint32_t table = writer.Reserve(12, 4);
    writer.Put32(table, 0x1000);
    writer.Put32(table + 4, 0x7FFFFFF0);
    writer.Put32(table + 8, unwind);
    writer.SetDirectory(3, table, 12);
    cases.push_back({"function table past the image", writer.Build(), "exception directory entry 0"});
  }
#endif
  for (auto& c : cases) {
    TDLLLoader loader;
    TMemoryStream stream(c.Bytes);
    try {
      loader.LoadModule(stream);
      ADD_FAILURE() << c.Name << ": loaded";
    } catch (const pe::EPeImageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Reason), std::string::npos) << c.Name << ": " << e.what();
    }
    EXPECT_EQ(loader.ModuleBase(), nullptr);
    EXPECT_TRUE(loader.Imports().Items.empty());
  }
}

// The entry point's failure reaches the caller as the loader's own error, and the process goes
// on: the module is not kept (nor detached) and the library it had loaded is freed. A C++
// exception cannot outlive the module that threw it. On x64 its message arrives; on x86 it
// cannot even leave the module (whose own DWARF unwinder knows none of the loader's frames)
// and ends in the module's abort, which the loader turns into the failed load.
TEST(DLLLoaderTest, AnEntryPointThatFailsOnAttachFailsTheLoadAndReleasesItsLibraries) {
  struct TCase {
    const char* Way;
    const char* Reason;
  };
  const TCase cases[] = {
#ifdef _WIN64
      {"throw", "the probe fails in its entry point"},
#else
      {"throw", "the module called abort"},
#endif
      {"raise", "system exception 0xE0504F42"},
      {"fault", "system exception 0xC0000005"},
      {"abort", "the module called abort"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Way);
    ASSERT_EQ(GetModuleHandleA("leafmark_loader_helper.dll"), nullptr);
    SetEnvironmentVariableA("LEAFMARK_PROBE_REASONS", "");
    {
      const TProbeFailure failure("1", c.Way);
      TDLLLoader loader;
      TMemoryStream stream = FileStream(BinFile("leafmark_loader_probe.dll"));
      try {
        loader.LoadModule(stream);
        ADD_FAILURE() << "loaded";
      } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("the module's entry point failed (reason 1): "), std::string::npos)
            << e.what();
        EXPECT_NE(std::string(e.what()).find(c.Reason), std::string::npos) << e.what();
      }
      EXPECT_EQ(loader.ModuleBase(), nullptr);
      EXPECT_TRUE(loader.Imports().Items.empty());
    }
    EXPECT_EQ(ProbeReasons(), "1");
    EXPECT_EQ(GetModuleHandleA("leafmark_loader_helper.dll"), nullptr);
  }
}

// Only the C runtimes' abort is bound to the loader's replacement; any other import, and an
// abort from a module that is not a C runtime, is bound as the system binds it.
TEST(DLLLoaderTest, OnlyTheCRuntimesAbortIsReplaced) {
  struct TCase {
    const char* Module;
    LPCSTR Name;
    bool Replaced;
  };
  const TCase cases[] = {
      {"msvcrt.dll", "abort", true},
      {"MSVCRT.DLL", "abort", true},
      {"msvcr120.dll", "abort", true},
      {"ucrtbase.dll", "abort", true},
      {"api-ms-win-crt-runtime-l1-1-0.dll", "abort", true},
      {"C:\\Windows\\system32\\msvcrt.dll", "abort", true},
      {"msvcrt.dll", "Abort", false},
      {"msvcrt.dll", "exit", false},
      {"msvcrt.dll", MAKEINTRESOURCEA(7), false},
      {"kernel32.dll", "abort", false},
      {"mymsvcrt.dll", "abort", false},
  };
  for (const TCase& c : cases) {
    const std::string name = IS_INTRESOURCE(c.Name) ? "#ordinal" : c.Name;
    EXPECT_EQ(ModuleAbortReplacement(c.Module, c.Name) != nullptr, c.Replaced) << c.Module << "!" << name;
  }
  EXPECT_EQ(ModuleAbortReplacement(nullptr, "abort"), nullptr);
}

#ifdef _WIN64
// The exception directory is registered after the imports are bound; when it is broken the
// libraries already loaded are freed again.
TEST(DLLLoaderTest, ALoadThatFailsHalfwayReleasesItsLibraries) {
  ASSERT_EQ(GetModuleHandleA("leafmark_loader_helper.dll"), nullptr);
  test::TPeWriter writer(true);
  std::vector<test::TImportedModule> imports = {{"leafmark_loader_helper.dll", {{"HelperAnswer"}}, {}, 0, {}}};
  writer.AddImports(imports);
  writer.SetDirectory(3, 0x1000, 0x7FFFFF00);
  TMemoryStream stream(writer.Build());
  TDLLLoader loader;
  EXPECT_THROW(loader.LoadModule(stream), pe::EPeImageError);
  EXPECT_EQ(GetModuleHandleA("leafmark_loader_helper.dll"), nullptr);
  EXPECT_EQ(loader.ModuleBase(), nullptr);
}
#endif

}  // namespace
}  // namespace leafmark
