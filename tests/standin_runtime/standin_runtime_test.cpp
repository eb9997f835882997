// The stand-in runtime placed in memory by the player's loader, as the player places the
// runtime: its trace, its version variants, its imports, its class object and its import
// probe. The loader here binds the system's own functions (no replacements).
#include <windows.h>
#include <mmsystem.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/stream.h"
#include "runtime_loader/dll_loader.h"
#include "runtime_loader/module_resources.h"
#include "tests/standin_runtime/standin_export.h"
#include "tests/standin_runtime/standin_trace.h"
#include "tests/support/bin_file.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wide_text.h"
#include "win/com_object.h"
#include "win/com_ptr.h"

namespace leafmark {
namespace {

using test::TStandinEvent;
using test::TStandinTrace;

constexpr wchar_t kTraceVariable[] = L"LEAFMARK_STANDIN_TRACE";
// {D27CDB6E-AE6D-11cf-96B8-444553540000}
constexpr CLSID kRuntimeClassId = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

using TDllGetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using TDllCanUnloadNow = HRESULT(WINAPI*)();
using TProbeImports = int(WINAPI*)(const wchar_t*);

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string HexAddress(const void* address) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(address)));
  return text;
}

// Each test traces to its own file, whose name is not in the system code page's reach.
class StandinRuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override { TraceTo(L"trace \u20AC.log"); }
  void TearDown() override { SetEnvironmentVariableW(kTraceVariable, nullptr); }

  // Loads made from now on trace to this file in the test's folder.
  void TraceTo(const std::wstring& name) {
    tracePath_ = test::Wide(tmp_.Path()) + L"\\" + name;
    SetEnvironmentVariableW(kTraceVariable, tracePath_.c_str());
  }
  TStandinTrace Trace() const { return TStandinTrace::Read(std::filesystem::path(tracePath_)); }

  static std::unique_ptr<TDLLLoader> Load(const std::string& file) {
    TMemoryStream image(test::ReadFileBytes(test::BinFile(file)));
    auto loader = std::make_unique<TDLLLoader>();
    loader->LoadModule(image);
    return loader;
  }

  test::TTempDir tmp_;
  std::wstring tracePath_;
};

TEST_F(StandinRuntimeTest, PlacedInMemoryItTracesItsVersionAndThatTheSystemDoesNotListIt) {
  auto loader = Load("flash.ocx");
  const TStandinTrace loaded = Trace();
  ASSERT_EQ(loaded.Events().size(), 1u);
  EXPECT_EQ(loaded.Events()[0].Line, "1 main loaded version=" LEAFMARK_STANDIN_VERSION " in-module-list=no");

  loader.reset();
  const TStandinTrace unloaded = Trace();
  ASSERT_EQ(unloaded.Events().size(), 2u);
  EXPECT_EQ(unloaded.Events()[1].Line, "2 main unloaded");
}

// The other answers, from the same code: the system's loader lists what it loads, and the
// system's cursor functions share a cursor they load twice from a module they know.
TEST_F(StandinRuntimeTest, LoadedByTheSystemItSaysTheSystemListsIt) {
  const HMODULE module = LoadLibraryA(test::BinFile("flash.ocx").c_str());
  ASSERT_NE(module, nullptr);
  const auto probe =
      reinterpret_cast<TProbeImports>(reinterpret_cast<void (*)()>(GetProcAddress(module, "LeafmarkStandinProbeImports")));
  ASSERT_NE(probe, nullptr);
  EXPECT_EQ(probe(nullptr), 23);
  const TStandinTrace trace = Trace();
  FreeLibrary(module);
  ASSERT_EQ(trace.Events().size(), 1u + 23);
  EXPECT_EQ(trace.Events()[0].Line, "1 main loaded version=" LEAFMARK_STANDIN_VERSION " in-module-list=yes");
  EXPECT_EQ(trace.One("import", "LoadCursorA")["repeat-same"], "yes");
}

// Every variant says in its trace the version its version resource holds; the player reads
// the resource.
TEST_F(StandinRuntimeTest, EachVariantCarriesTheVersionItWasBuiltWith) {
  struct TCase {
    const char* File;
    const char* Version;
    std::uint32_t Packed;
  } cases[] = {
      {"flash-v5.0.42.0.ocx", "5.0.42.0", 0x05002A00}, {"flash-v6.0.79.0.ocx", "6.0.79.0", 0x06004F00},
      {"flash-v7.0.19.0.ocx", "7.0.19.0", 0x07001300}, {"flash-v8.0.24.0.ocx", "8.0.24.0", 0x08001800},
      {"flash-v9.0.27.0.ocx", "9.0.27.0", 0x09001B00}, {"flash-v9.0.28.0.ocx", "9.0.28.0", 0x09001C00},
  };
  for (const auto& c : cases) {
    TraceTo(test::Wide(c.File) + L".log");
    auto loader = Load(c.File);
    EXPECT_EQ(ReadModuleVersion(loader->ModuleBase()), c.Packed) << c.File;
    const TStandinTrace trace = Trace();
    ASSERT_EQ(trace.Events().size(), 1u) << c.File;
    EXPECT_EQ(trace.Events()[0].Line, std::string("1 main loaded version=") + c.Version + " in-module-list=no");
  }
}

// The 23 functions a host replaces, by name from their own modules: each is in the import
// table (the loader asks for it and binds its slot), not looked up at run time.
TEST_F(StandinRuntimeTest, ItImportsEachReplaceableFunctionByNameFromItsModule) {
  struct TCase {
    const char* Function;
    const char* Module;
  } cases[] = {
      {"CreateURLMoniker", "urlmon.dll"},     {"RegisterClassExA", "user32.dll"},
      {"RegisterClassA", "user32.dll"},       {"RegisterClassExW", "user32.dll"},
      {"RegisterClassW", "user32.dll"},       {"CreateWindowExA", "user32.dll"},
      {"CreateWindowExW", "user32.dll"},      {"LoadCursorA", "user32.dll"},
      {"LoadMenuA", "user32.dll"},            {"waveOutWrite", "winmm.dll"},
      {"waveOutOpen", "winmm.dll"},           {"waveOutClose", "winmm.dll"},
      {"FlushInstructionCache", "kernel32.dll"}, {"CreateFileA", "kernel32.dll"},
      {"VirtualAlloc", "kernel32.dll"},       {"ReadFile", "kernel32.dll"},
      {"CloseHandle", "kernel32.dll"},        {"GetFileSize", "kernel32.dll"},
      {"GetFileSizeEx", "kernel32.dll"},      {"SetFilePointer", "kernel32.dll"},
      {"SetFilePointerEx", "kernel32.dll"},   {"CreateFileW", "kernel32.dll"},
      {"GetProcAddress", "kernel32.dll"},
  };
  auto loader = Load("flash.ocx");
  for (const auto& c : cases) {
    const auto& items = loader->Imports().Items;
    const auto found = std::find_if(items.begin(), items.end(),
                                    [&](const TImportedFunction& f) { return f.FunctionName == c.Function; });
    ASSERT_NE(found, items.end()) << c.Function;
    EXPECT_EQ(Lower(found->ModuleFileName), c.Module) << c.Function;
    EXPECT_EQ(*found->Slot, GetProcAddress(GetModuleHandleA(c.Module), c.Function)) << c.Function;
  }
}

TEST_F(StandinRuntimeTest, ItsClassObjectServesTheRuntimeClassOnly) {
  auto loader = Load("flash.ocx");
  const auto getClassObject = test::StandinExport<TDllGetClassObject>(*loader, "DllGetClassObject");
  // {D27CDB6E-AE6D-11cf-96B8-444553540001}: one bit from the runtime's class id.
  constexpr CLSID kNeighbour = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x01}};
  struct TCase {
    const char* Name;
    const CLSID& ClassId;
    const IID& Iid;
    HRESULT Result;
  } cases[] = {
      {"class factory of the runtime", kRuntimeClassId, IID_IClassFactory, S_OK},
      {"its IUnknown", kRuntimeClassId, IID_IUnknown, S_OK},
      {"an interface a factory lacks", kRuntimeClassId, IID_IOleObject, E_NOINTERFACE},
      {"a neighbouring class", kNeighbour, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
      {"no class", GUID_NULL, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
  };
  for (const auto& c : cases) {
    void* object = reinterpret_cast<void*>(1);  // must be cleared on failure
    EXPECT_EQ(getClassObject(c.ClassId, c.Iid, &object), c.Result) << c.Name;
    EXPECT_EQ(object != nullptr, c.Result == S_OK) << c.Name;
    if (object) static_cast<IUnknown*>(object)->Release();
  }
  EXPECT_EQ(getClassObject(kRuntimeClassId, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(StandinRuntimeTest, ItsFactoryCreatesAnOleObjectAndTheModuleStaysInUseWhileAnythingLives) {
  auto loader = Load("flash.ocx");
  const auto getClassObject = test::StandinExport<TDllGetClassObject>(*loader, "DllGetClassObject");
  const auto canUnloadNow = test::StandinExport<TDllCanUnloadNow>(*loader, "DllCanUnloadNow");
  EXPECT_EQ(canUnloadNow(), S_OK);

  com::TComPtr<IClassFactory> factory;
  ASSERT_EQ(getClassObject(kRuntimeClassId, IID_IClassFactory, factory.PutVoid()), S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "a factory is alive";

  com::TComPtr<IOleObject> object;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IOleObject, object.PutVoid()), S_OK);
  ASSERT_NE(object.Get(), nullptr);
  com::TComPtr<IUnknown> identity;
  EXPECT_EQ(object->QueryInterface(IID_IUnknown, identity.PutVoid()), S_OK);

  struct TCase {
    const char* Name;
    IUnknown* Outer;
    const IID& Iid;
    HRESULT Result;
  } refused[] = {
      {"aggregation", identity.Get(), IID_IUnknown, CLASS_E_NOAGGREGATION},
      {"an interface the runtime will never have", nullptr, IID_IStream, E_NOINTERFACE},
  };
  for (const auto& c : refused) {
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(c.Outer, c.Iid, &other), c.Result) << c.Name;
    EXPECT_EQ(other, nullptr) << c.Name;
  }

  factory = nullptr;
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "an object is alive";
  identity = nullptr;
  object = nullptr;
  EXPECT_EQ(canUnloadNow(), S_OK);

  ASSERT_EQ(getClassObject(kRuntimeClassId, IID_IClassFactory, factory.PutVoid()), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory = nullptr;
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "the server is locked";
  ASSERT_EQ(getClassObject(kRuntimeClassId, IID_IClassFactory, factory.PutVoid()), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory = nullptr;
  EXPECT_EQ(canUnloadNow(), S_OK);
}

// A client site that only counts its references.
class TCountedSite final : public com::TComObject<IOleClientSite> {
 public:
  long Count() const { return References(); }
  HRESULT STDMETHODCALLTYPE SaveObject() noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept override {
    *moniker = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) noexcept override {
    *container = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() noexcept override { return E_NOTIMPL; }
};

class StandinOleObjectTest : public StandinRuntimeTest {
 protected:
  void SetUp() override {
    StandinRuntimeTest::SetUp();
    loader_ = Load("flash.ocx");
    com::TComPtr<IClassFactory> factory;
    ASSERT_EQ(test::StandinExport<TDllGetClassObject>(*loader_, "DllGetClassObject")(kRuntimeClassId, IID_IClassFactory,
                                                                         factory.PutVoid()),
              S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IOleObject, object_.PutVoid()), S_OK);
  }
  void TearDown() override {
    object_ = nullptr;
    loader_.reset();
    StandinRuntimeTest::TearDown();
  }

  SIZEL Extent() {
    SIZEL size{-1, -1};
    EXPECT_EQ(object_->GetExtent(DVASPECT_CONTENT, &size), S_OK);
    return size;
  }

  std::unique_ptr<TDLLLoader> loader_;
  com::TComPtr<IOleObject> object_;
};

TEST_F(StandinOleObjectTest, ItHoldsItsClientSiteUntilToldOtherwiseOrReleased) {
  auto site = com::MakeCom<TCountedSite>();
  com::TComPtr<IOleClientSite> got;
  EXPECT_EQ(object_->GetClientSite(got.Put()), S_OK);
  EXPECT_EQ(got.Get(), nullptr) << "no site yet";

  ASSERT_EQ(object_->SetClientSite(site.Get()), S_OK);
  EXPECT_EQ(site->Count(), 2);
  ASSERT_EQ(object_->GetClientSite(got.Put()), S_OK);
  EXPECT_EQ(got.Get(), site.Get());
  EXPECT_EQ(site->Count(), 3) << "handed out counted";
  got = nullptr;

  EXPECT_EQ(object_->Close(OLECLOSE_NOSAVE), S_OK);
  EXPECT_EQ(site->Count(), 2) << "closing leaves the site to the host";
  ASSERT_EQ(object_->SetClientSite(nullptr), S_OK);
  EXPECT_EQ(site->Count(), 1);
  EXPECT_EQ(object_->GetClientSite(nullptr), E_POINTER);

  ASSERT_EQ(object_->SetClientSite(site.Get()), S_OK);
  object_ = nullptr;
  EXPECT_EQ(site->Count(), 1) << "the object let go of its site as it went";
}

TEST_F(StandinOleObjectTest, ItTakesAnExtentForItsContentOnly) {
  const SIZEL stage = Extent();
  EXPECT_EQ(stage.cx, 14552) << "550 pixels in HIMETRIC";
  EXPECT_EQ(stage.cy, 10583) << "400 pixels in HIMETRIC";

  SIZEL size{2000, 1000};
  ASSERT_EQ(object_->SetExtent(DVASPECT_CONTENT, &size), S_OK);
  struct TCase {
    const char* Name;
    DWORD Aspect;
    SIZEL Size;
    HRESULT Result;
  } refused[] = {
      {"the icon aspect", DVASPECT_ICON, {10, 10}, DV_E_DVASPECT},
      {"a negative width", DVASPECT_CONTENT, {-1, 10}, E_INVALIDARG},
      {"a negative height", DVASPECT_CONTENT, {10, -1}, E_INVALIDARG},
  };
  for (auto c : refused) {
    EXPECT_EQ(object_->SetExtent(c.Aspect, &c.Size), c.Result) << c.Name;
    EXPECT_EQ(Extent().cx, 2000) << c.Name << " keeps the old size";
    EXPECT_EQ(Extent().cy, 1000) << c.Name << " keeps the old size";
  }
  EXPECT_EQ(object_->SetExtent(DVASPECT_CONTENT, nullptr), E_INVALIDARG);
  EXPECT_EQ(object_->GetExtent(DVASPECT_ICON, &size), DV_E_DVASPECT);
  EXPECT_EQ(object_->GetExtent(DVASPECT_CONTENT, nullptr), E_POINTER);

  CLSID classId{};
  EXPECT_EQ(object_->GetUserClassID(&classId), S_OK);
  EXPECT_TRUE(IsEqualCLSID(classId, kRuntimeClassId));
}

// A 100-byte movie, read in chunks of 64: 64, 36, then 0.
constexpr char kServed[] =
    "FWS\nThis served movie holds exactly one hundred bytes, read as 64, 36 and then none at its end......";
static_assert(sizeof kServed - 1 == 100);

// The probe's rows in the order it writes them.
const char* const kProbeRows[] = {
    "CreateURLMoniker", "RegisterClassExA", "RegisterClassA",   "RegisterClassExW", "RegisterClassW",
    "CreateWindowExA",  "CreateWindowExW",  "LoadCursorA",      "LoadMenuA",        "waveOutOpen",
    "waveOutWrite",     "waveOutClose",     "FlushInstructionCache", "VirtualAlloc", "CreateFileW",
    "GetFileSize",      "GetFileSizeEx",    "ReadFile",         "SetFilePointer",   "SetFilePointerEx",
    "CloseHandle",      "CreateFileA",      "GetProcAddress",
};

struct TExpectedField {
  const char* Function;
  const char* Key;
  std::string Value;
};

// One run of the probe: its rows by function.
using TProbeRows = std::map<std::string, const TStandinEvent*>;

// The rows of the probe's run number run (from 0) in the trace, checked for their order and
// their thread.
TProbeRows ProbeRows(const TStandinTrace& trace, std::size_t run, const char* thread) {
  const auto imports = trace.All("import");
  const std::size_t first = run * std::size(kProbeRows);
  TProbeRows rows;
  if (imports.size() < first + std::size(kProbeRows)) {
    ADD_FAILURE() << "run " << run << ": only " << imports.size() << " import events";
    return rows;
  }
  for (std::size_t i = 0; i < std::size(kProbeRows); ++i) {
    const TStandinEvent& row = *imports[first + i];
    EXPECT_EQ(row.Words, std::vector<std::string>{kProbeRows[i]}) << row.Line;
    EXPECT_EQ(row.Thread, thread) << row.Line;
    rows[kProbeRows[i]] = &row;
  }
  return rows;
}

void ExpectFields(const TProbeRows& rows, const std::vector<TExpectedField>& expected) {
  for (const auto& e : expected) {
    const auto row = rows.find(e.Function);
    if (row == rows.end()) {
      ADD_FAILURE() << "no row " << e.Function;
      continue;
    }
    EXPECT_EQ((*row->second)[e.Key], e.Value) << row->second->Line;
  }
}

class StandinImportProbeTest : public StandinRuntimeTest {
 protected:
  void SetUp() override {
    StandinRuntimeTest::SetUp();
    servedPath_ = test::Wide(tmp_.File("served movie.swf"));
    test::WriteFileText(tmp_.File("served movie.swf"), kServed);
    loader_ = Load("flash.ocx");
    probe_ = test::StandinExport<TProbeImports>(*loader_, "LeafmarkStandinProbeImports");
  }

  std::wstring servedPath_;
  std::unique_ptr<TDLLLoader> loader_;
  TProbeImports probe_ = nullptr;
};

TEST_F(StandinImportProbeTest, EachRowRecordsWhatTheSystemsFunctionGave) {
  ASSERT_EQ(probe_(servedPath_.c_str()), 23);
  const TStandinTrace trace = Trace();
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  ExpectFields(ProbeRows(trace, 0, "main"), {
      {"CreateURLMoniker", "hr", "0x00000000"},
      {"CreateURLMoniker", "moniker", "yes"},
      {"RegisterClassExA", "atom", "yes"},
      {"RegisterClassExA", "own-instance", "yes"},
      {"RegisterClassA", "atom", "yes"},
      {"RegisterClassA", "own-instance", "yes"},
      {"RegisterClassExW", "atom", "yes"},
      {"RegisterClassExW", "own-instance", "yes"},
      {"RegisterClassW", "atom", "yes"},
      {"RegisterClassW", "own-instance", "yes"},
      {"CreateWindowExA", "window", "yes"},
      {"CreateWindowExA", "class", "LeafmarkStandinA"},
      {"CreateWindowExW", "window", "yes"},
      {"CreateWindowExW", "class", "LeafmarkStandinExW"},
      {"LoadCursorA", "arrow-is-system", "yes"},
      {"LoadCursorA", "absent", "no"},
      {"LoadMenuA", "absent", "no"},
      {"waveOutWrite", "unchanged", "yes"},
      {"FlushInstructionCache", "result", "yes"},
      {"FlushInstructionCache", "protection", "0x04"},
      {"VirtualAlloc", "at-address", "yes"},
      {"VirtualAlloc", "protection", "0x104"},
      {"VirtualAlloc", "committed-pages", "1"},
      {"VirtualAlloc", "no-address-protection", "0x104"},
      {"CreateFileW", "handle", "yes"},
      {"CreateFileW", "kind", "disk"},
      {"GetFileSize", "size", "100"},
      {"GetFileSize", "high", "0"},
      {"GetFileSizeEx", "result", "yes"},
      {"GetFileSizeEx", "size", "100"},
      {"ReadFile", "result", "yes"},
      {"ReadFile", "total", "100"},
      {"ReadFile", "reads", "3"},
      {"ReadFile", "head", "4657530a5468697320736572766564206d6f76696520686f6c64732065786163"},
      {"SetFilePointer", "result", "90"},
      {"SetFilePointer", "high", "0"},
      {"SetFilePointerEx", "result", "yes"},
      {"SetFilePointerEx", "position", "4"},
      {"SetFilePointerEx", "next", "54686973"},
      {"CloseHandle", "result", "yes"},
      {"CreateFileA", "handle", "yes"},
      {"CreateFileA", "kind", "disk"},
      {"CreateFileA", "head", "4657530a546869732073657276656420"},
      {"GetProcAddress", "CreateFileW", HexAddress(reinterpret_cast<void*>(GetProcAddress(kernel, "CreateFileW")))},
      {"GetProcAddress", "CreateFileW-is-import", "yes"},
      {"GetProcAddress", "GetModuleHandleW-is-import", "yes"},
      {"GetProcAddress", "lower-case-found", "no"},
  });
}

// Whether a machine has sound is not the probe's to decide: without a device, the write and
// the close see a nil device and say what the system answered to that.
TEST_F(StandinImportProbeTest, TheSoundRowsFollowWhatTheOpenGave) {
  ASSERT_EQ(probe_(servedPath_.c_str()), 23);
  const TStandinTrace trace = Trace();
  const TStandinEvent& open = trace.One("import", "waveOutOpen");
  const std::string expected = open["device"] == "yes" ? "0" : std::to_string(MMSYSERR_INVALHANDLE);
  EXPECT_EQ(open["device"] == "yes", open["result"] == "0") << open.Line;
  EXPECT_EQ(trace.One("import", "waveOutWrite")["result"], expected);
  EXPECT_EQ(trace.One("import", "waveOutClose")["result"], expected);
}

// The module's own resources, read by the system's functions from the image in memory.
// (Whether the same cursor comes back twice is the system's affair: Wine shares cursors by
// their module's file name, which a module placed in memory lacks.)
TEST_F(StandinImportProbeTest, ItsCursorsAndMenuAreFoundInItsImage) {
  ASSERT_EQ(probe_(servedPath_.c_str()), 23);
  const TStandinTrace trace = Trace();
  ExpectFields(ProbeRows(trace, 0, "main"), {
      {"LoadCursorA", "id", "yes"},
      {"LoadCursorA", "id-hotspot", "3,5"},
      {"LoadCursorA", "name", "yes"},
      {"LoadCursorA", "name-hotspot", "16,16"},
      {"LoadMenuA", "menu", "yes"},
      {"LoadMenuA", "items", "1"},
      {"LoadMenuA", "first", "Movie"},
      {"LoadMenuA", "popup-items", "6"},
  });
}

// The probe cleans up after itself (its classes can be registered again), and events from a
// thread other than the loading one say so.
TEST_F(StandinImportProbeTest, ItRunsAgainOnAnotherThreadAndTracesThatThreadAsWorker) {
  ASSERT_EQ(probe_(servedPath_.c_str()), 23);
  int written = 0;
  std::thread([&] { written = probe_(servedPath_.c_str()); }).join();
  EXPECT_EQ(written, 23);

  const TStandinTrace trace = Trace();
  const auto& events = trace.Events();
  ASSERT_EQ(events.size(), 1u + 2 * 23);
  for (std::size_t i = 0; i < events.size(); ++i) EXPECT_EQ(events[i].Sequence, i + 1) << events[i].Line;
  EXPECT_EQ(events[0].Thread, "main");
  ProbeRows(trace, 0, "main");
  ExpectFields(ProbeRows(trace, 1, "worker"), {
      {"RegisterClassExA", "atom", "yes"},
      {"RegisterClassA", "atom", "yes"},
      {"RegisterClassExW", "atom", "yes"},
      {"RegisterClassW", "atom", "yes"},
  });
}

TEST_F(StandinImportProbeTest, WithoutTheFileTheFileRowsRecordTheSystemsRefusals) {
  const std::wstring absent = test::Wide(tmp_.File("absent.swf"));
  struct TCase {
    const char* Name;
    const wchar_t* Path;
    const char* OpenError;
  } cases[] = {
      {"an absent file", absent.c_str(), "2"},
      {"no name", nullptr, "3"},
  };
  const std::string invalidHandle = std::to_string(ERROR_INVALID_HANDLE);
  for (const auto& c : cases) ASSERT_EQ(probe_(c.Path), 23) << c.Name;
  const TStandinTrace trace = Trace();
  for (std::size_t run = 0; run < std::size(cases); ++run) {
    SCOPED_TRACE(cases[run].Name);
    ExpectFields(ProbeRows(trace, run, "main"), {
        {"CreateFileW", "handle", "no"},
        {"CreateFileW", "error", cases[run].OpenError},
        {"GetFileSize", "size", "4294967295"},
        {"GetFileSize", "error", invalidHandle},
        {"GetFileSizeEx", "result", "no"},
        {"GetFileSizeEx", "error", invalidHandle},
        {"ReadFile", "result", "no"},
        {"ReadFile", "reads", "1"},
        {"ReadFile", "error", invalidHandle},
        {"SetFilePointer", "result", "4294967295"},
        {"SetFilePointer", "error", invalidHandle},
        {"SetFilePointerEx", "result", "no"},
        {"SetFilePointerEx", "error", invalidHandle},
        {"CloseHandle", "result", "no"},
        {"CloseHandle", "error", invalidHandle},
        {"CreateFileA", "handle", "no"},
        {"CreateFileA", "error", cases[run].OpenError},
    });
  }
}

TEST_F(StandinImportProbeTest, WithoutATraceTheProbeStillRunsButRecordsNothing) {
  loader_.reset();
  DeleteFileW(tracePath_.c_str());
  SetEnvironmentVariableW(kTraceVariable, nullptr);
  loader_ = Load("flash.ocx");
  probe_ = test::StandinExport<TProbeImports>(*loader_, "LeafmarkStandinProbeImports");
  EXPECT_EQ(probe_(servedPath_.c_str()), 0);
  EXPECT_TRUE(Trace().Events().empty());
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(tracePath_)));
}

TEST(StandinTraceTest, ValuesAreUnescapedAndMalformedLinesRefusedByName) {
  const TStandinTrace trace =
      TStandinTrace::Parse("1 main import CreateURLMoniker display=file:///C:/a%20b%25c.swf\n"
                           "2 worker unloaded\n");
  ASSERT_EQ(trace.Events().size(), 2u);
  EXPECT_EQ(trace.One("import", "CreateURLMoniker")["display"], "file:///C:/a b%c.swf");
  EXPECT_EQ(trace.One("unloaded").Thread, "worker");
  EXPECT_EQ(trace.One("unloaded")["absent"], "<no absent>");
  const char* malformed[] = {
      "main loaded", "x main loaded", "1 other loaded", "1 main import a=1 Word", "1 main import k=%2", "1 main x k=1 k=2",
  };
  for (const char* line : malformed) {
    try {
      TStandinTrace::Parse(line);
      ADD_FAILURE() << line << ": accepted";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(line), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace leafmark
