// The stand-in runtime loaded as the player loads the runtime: from memory by a code provider,
// its imports bound to the player's replacements, and a served movie behind a fake path. Each
// replacement is reached through the stand-in's own import table, as the real runtime reaches
// it, and the probe's trace says what it got.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/stream.h"
#include "content/content_manager.h"
#include "content/fake_url.h"
#include "runtime_loader/code_providers.h"
#include "runtime_loader/file_replacements.h"
#include "runtime_loader/window_replacements.h"
#include "tests/content/content_test_environment.h"
#include "tests/content/test_control.h"
#include "tests/standin_runtime/standin_export.h"
#include "tests/standin_runtime/standin_trace.h"
#include "tests/standin_runtime/test_movies.h"
#include "tests/support/bin_file.h"
#include "tests/support/message_pump.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wide_text.h"
#include "win/com_ptr.h"
#include "win/unique_any.h"

namespace leafmark {
namespace {

using test::TStandinEvent;
using test::TStandinTrace;

constexpr wchar_t kTraceVariable[] = L"LEAFMARK_STANDIN_TRACE";
constexpr char kRegistrationKey[] = "CLSID\\{D27CDB6E-AE6D-11cf-96B8-444553540000}";
using TProbeImports = int(WINAPI*)(const wchar_t*);

// A 100-byte movie, read by the probe in chunks of 64: 64, 36, then 0.
constexpr char kMovie[] =
    "FWS\nThis served movie holds exactly one hundred bytes, read as 64, 36 and then none at its end......";
static_assert(sizeof kMovie - 1 == 100);

// The text of an ASCII-only wide string, as the trace writes it.
std::string Ascii(const std::wstring& text) {
  std::string ascii;
  for (const wchar_t c : text) ascii += static_cast<char>(c);
  return ascii;
}

std::string HexAddress(const void* address) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%08llX",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(address)));
  return text;
}

template <class Function>
const void* Address(Function function) {
  return reinterpret_cast<const void*>(function);
}

// LEAFMARK_STANDIN_VERSION packed as the providers report versions.
std::uint32_t PackedStandinVersion() {
  unsigned parts[4] = {};
  std::sscanf(LEAFMARK_STANDIN_VERSION, "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]);
  return parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3];
}

// The runtime's registration, made in the classes root of the test's own prefix and removed
// again. (Wine's classes root does not show the user's Software\Classes, so the registration
// is made where Wine reads it.)
class TRegistration {
 public:
  explicit TRegistration(const std::string& file) {
    win::TUniqueRegistryKey key;
    const std::string server = std::string(kRegistrationKey) + "\\InprocServer32";
    if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, server.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          key.Put(), nullptr) != ERROR_SUCCESS ||
        ::RegSetValueExA(key.Get(), nullptr, 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(file.c_str()),
                         static_cast<DWORD>(file.size() + 1)) != ERROR_SUCCESS) {
      throw std::runtime_error("cannot register " + file);
    }
  }
  ~TRegistration() { ::RegDeleteTreeA(HKEY_CLASSES_ROOT, kRegistrationKey); }
  TRegistration(const TRegistration&) = delete;
  TRegistration& operator=(const TRegistration&) = delete;
};

enum class TProvider { Stream, Registration };

class StandinServedByPlayerTest : public content::test::ContentTest,
                                  public ::testing::WithParamInterface<TProvider> {
 protected:
  void SetUp() override {
    ContentTest::SetUp();
    tracePath_ = test::Wide(tmp_.File("trace.log"));
    ::SetEnvironmentVariableW(kTraceVariable, tracePath_.c_str());
    content::ContentManager().RegisterControl(1, control_->Link());
    control_->onLoadAsync = [](const std::wstring& path, std::unique_ptr<TStream>& stream) {
      if (path == L"movie.swf") {
        stream = std::make_unique<TMemoryStream>(
            std::vector<std::uint8_t>(kMovie, kMovie + sizeof kMovie - 1));
      }
    };
    LoadStandin();
  }
  void TearDown() override {
    FinalizeFlashOCXCodeProvider();
    control_.reset();
    ::SetEnvironmentVariableW(kTraceVariable, nullptr);
    ContentTest::TearDown();
  }

  void LoadStandin() {
    const std::string standin = test::BinFile("flash.ocx");
    if (GetParam() == TProvider::Stream) {
      TMemoryStream image(test::ReadFileBytes(standin));
      ASSERT_TRUE(LoadFlashOCXCodeFromStream(image));
    } else {
      const TRegistration registration(standin);
      InitFlashOCXCodeProvider();
    }
    ASSERT_NE(FlashOCXCodeProvider(), nullptr);
    ASSERT_TRUE(FlashOCXCodeProvider()->HasRuntime());
  }

  static TFlashOCXLoader& Loader() { return *FlashOCXCodeProvider()->Loader(); }

  int Probe(const std::wstring& path) {
    return test::StandinExport<TProbeImports>(Loader(), "LeafmarkStandinProbeImports")(path.c_str());
  }

  TStandinTrace Trace() const { return TStandinTrace::Read(std::filesystem::path(tracePath_)); }

  // The movie's fake path, as the runtime is given it.
  static std::wstring MoviePath() {
    return L"Z:\\FromMemory\\" + std::wstring(content::FakeURLMarker) + L"\\1\\movie.swf";
  }

  test::TTempDir tmp_;
  std::wstring tracePath_;
  std::unique_ptr<content::test::TTestControl> control_ =
      std::make_unique<content::test::TTestControl>();
};

TEST_P(StandinServedByPlayerTest, ItIsPlacedInMemoryWithItsVersion) {
  EXPECT_EQ(FlashOCXCodeProvider()->GetFlashVersion(), PackedStandinVersion());
  EXPECT_EQ(::GetModuleHandleA("flash.ocx"), nullptr);
  const TStandinEvent& loaded = Trace().One("loaded");
  EXPECT_EQ(loaded["version"], LEAFMARK_STANDIN_VERSION);
  EXPECT_EQ(loaded["in-module-list"], "no");
}

// Every one of the replaced functions, called through the stand-in's import table, and what
// each row shows of its replacement.
TEST_P(StandinServedByPlayerTest, EachImportRowReachesItsReplacement) {
  ASSERT_EQ(Probe(MoviePath()), 23);
  const TStandinTrace trace = Trace();
  const auto imports = trace.All("import");
  ASSERT_EQ(imports.size(), 23u);

  const std::string classA = replacements::PrefixedClassName("LeafmarkStandinA");
  const std::string classExW = replacements::PrefixedClassName("LeafmarkStandinExW");
  const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  const struct {
    const char* Function;
    const char* Key;
    std::string Value;
  } expected[] = {
      {"CreateURLMoniker", "hr", "0x00000000"},
      {"CreateURLMoniker", "moniker", "yes"},
      // Registered under the player's instance and a name of the player's own.
      {"RegisterClassExA", "atom", "yes"},
      {"RegisterClassExA", "own-instance", "no"},
      {"RegisterClassA", "atom", "yes"},
      {"RegisterClassA", "own-instance", "no"},
      {"RegisterClassExW", "atom", "yes"},
      {"RegisterClassExW", "own-instance", "no"},
      {"RegisterClassW", "atom", "yes"},
      {"RegisterClassW", "own-instance", "no"},
      // ...and found again by that name when the runtime creates its windows.
      {"CreateWindowExA", "window", "yes"},
      {"CreateWindowExA", "class", classA},
      {"CreateWindowExW", "window", "yes"},
      {"CreateWindowExW", "class", classExW},
      // Read from the image in memory and kept: the same handle each time.
      {"LoadCursorA", "id", "yes"},
      {"LoadCursorA", "id-hotspot", "3,5"},
      {"LoadCursorA", "name", "yes"},
      {"LoadCursorA", "name-hotspot", "16,16"},
      {"LoadCursorA", "repeat-same", "yes"},
      {"LoadCursorA", "absent", "no"},
      {"LoadCursorA", "arrow-is-system", "yes"},
      {"LoadMenuA", "menu", "yes"},
      {"LoadMenuA", "items", "1"},
      {"LoadMenuA", "first", "Movie"},
      {"LoadMenuA", "popup-items", "6"},
      {"LoadMenuA", "absent", "no"},
      // At full volume the samples pass unchanged.
      {"waveOutWrite", "unchanged", "yes"},
      {"FlushInstructionCache", "result", "yes"},
      {"FlushInstructionCache", "protection", "0x40"},
      // The guard page on an address becomes a plain commit of the rest of its region; without
      // an address the request passes as it is.
      {"VirtualAlloc", "at-address", "yes"},
      {"VirtualAlloc", "protection", "0x04"},
      {"VirtualAlloc", "committed-pages", "3"},
      {"VirtualAlloc", "no-address-protection", "0x104"},
      // The movie behind a fake handle, which is no file of the system's.
      {"CreateFileW", "handle", "yes"},
      {"CreateFileW", "kind", "unknown"},
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
      {"CreateFileA", "kind", "unknown"},
      {"CreateFileA", "head", "4657530a546869732073657276656420"},
      // A look-up of a replaced name gets the replacement; other names the system's function.
      {"GetProcAddress", "CreateFileW", HexAddress(Address(&replacements::MappedCreateFileW))},
      {"GetProcAddress", "CreateFileW-is-import", "yes"},
      {"GetProcAddress", "GetModuleHandleW",
       HexAddress(Address(::GetProcAddress(kernel, "GetModuleHandleW")))},
      {"GetProcAddress", "GetModuleHandleW-is-import", "yes"},
      {"GetProcAddress", "lower-case-found", "no"},
  };
  for (const auto& e : expected) {
    const TStandinEvent& row = trace.One("import", e.Function);
    EXPECT_EQ(row[e.Key], e.Value) << row.Line;
  }
  for (const TStandinEvent* row : imports) {
    // The sound rows fail where the machine has no sound device.
    if (row->Words[0].rfind("waveOut", 0) != 0) {
      EXPECT_EQ((*row)["error"], "<no error>") << row->Line;
    }
  }
  // Both opens went to the control, and both closes came back to it.
  EXPECT_EQ(control_->Calls(),
            (std::vector<std::wstring>{L"LoadAsync movie.swf", L"Unload", L"LoadAsync movie.swf",
                                       L"Unload"}));
}

// A path below no movie is the system's: the same rows then show a disk file.
TEST_P(StandinServedByPlayerTest, AnOrdinaryFileIsTheSystemsOwn) {
  test::WriteFileText(tmp_.File("plain.swf"), kMovie);
  ASSERT_EQ(Probe(test::Wide(tmp_.File("plain.swf"))), 23);
  const TStandinTrace trace = Trace();
  EXPECT_EQ(trace.One("import", "CreateFileW")["kind"], "disk");
  EXPECT_EQ(trace.One("import", "ReadFile")["total"], "100");
  EXPECT_EQ(trace.One("import", "CloseHandle")["result"], "yes");
  EXPECT_EQ(control_->Calls(), std::vector<std::wstring>{});
}

TEST_P(StandinServedByPlayerTest, CreateFlashInstanceGivesTheRuntimesObjectOrItsRefusal) {
  com::TComPtr<IOleObject> object;
  ASSERT_EQ(FlashOCXCodeProvider()->CreateFlashInstance(IID_IOleObject, object.PutVoid()), S_OK);
  ASSERT_TRUE(object);
  CLSID classId{};
  EXPECT_EQ(object->GetUserClassID(&classId), S_OK);
  EXPECT_TRUE(IsEqualCLSID(classId, kFlashRuntimeClassId));

  void* other = &classId;
  EXPECT_EQ(FlashOCXCodeProvider()->CreateFlashInstance(IID_IClassFactory, &other),
            E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
}

// A movie handed over from memory and a picture below it, as the stand-in's stage fetches them:
// the movie's made-up path opens as no file, so it comes through the player's moniker from
// what was handed over; the picture's path opens through the player's file replacements,
// which ask the control for it.
TEST_P(StandinServedByPlayerTest, TheStageFetchesAHandedOverMovieAndAFileBelowIt) {
  ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));  // for the picture's codecs
  control_->onLoadAsync = [](const std::wstring& path, std::unique_ptr<TStream>& stream) {
    if (path == L"pics/a.png") stream = std::make_unique<TMemoryStream>(test::TinyPng());
  };
  test::TSwfWriter builder(9, {0, 2000, 0, 1000}, 0x0C00, 1);
  builder.GetUrl("FSCommand:hello", "book").GetUrl2("pics/a.png", "_level1").End();
  const test::TBytes movie = builder.Cws();
  TMemoryStream source(movie);
  content::ContentManager().CopyMovieFromStream(control_->Link(), false, source, -1);
  const std::vector<std::wstring> handedOver = control_->Calls();
  ASSERT_EQ(handedOver.size(), 2u);
  const std::wstring url = handedOver[1].substr(std::wstring(L"PutMovie ").size());

  using TStageLoad = HRESULT(WINAPI*)(int, const wchar_t*);
  const auto load = test::StandinExport<TStageLoad>(Loader(), "LeafmarkStandinStageLoad");
  ASSERT_EQ(load(0, url.c_str()), S_OK);
  const std::string picture = Ascii(url.substr(0, url.rfind(L'\\')) + L"\\pics\\a.png");
  EXPECT_TRUE(test::PumpMessagesUntil([&] { return !Trace().All("image", picture).empty(); }));
  EXPECT_EQ(load(0, nullptr), S_OK);
  ::OleUninitialize();

  const TStandinTrace trace = Trace();
  const TStandinEvent& received = trace.One("received", Ascii(url));
  EXPECT_EQ(received["via"], "moniker");
  EXPECT_EQ(received["bytes"], std::to_string(movie.size()));
  // When the first bytes came, as system time: within a minute of now.
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  const long long nowMicroseconds =
      static_cast<long long>((static_cast<unsigned long long>(now.dwHighDateTime) << 32 | now.dwLowDateTime) / 10 -
                             11644473600000000ull);
  EXPECT_LT(std::llabs(std::stoll(received["time"]) - nowMicroseconds), 60'000'000ll) << received.Line;
  EXPECT_EQ(trace.One("movie", Ascii(url))["signature"], "CWS");
  EXPECT_EQ(trace.One("fscommand", "hello").Words, (std::vector<std::string>{"hello", "book"}));
  EXPECT_EQ(trace.One("received", picture)["via"], "file");
  EXPECT_EQ(trace.One("image", picture)["width"], "4");
  // The movie's own name was asked of the control as a file first, and answered by nobody.
  EXPECT_EQ(control_->Calls(),
            (std::vector<std::wstring>{handedOver[0], handedOver[1], L"LoadAsync E4ED7C01D28A43418DBF2CB92CC35E56.swf",
                                       L"LoadAsync pics/a.png", L"Unload"}));
}

// The timing commands read a served file whole through either way in, past the stage's 64 KiB
// piece and without its limit, and say how much came; a file nobody serves is an error.
TEST_P(StandinServedByPlayerTest, TheTimingCommandsReadAServedFileWhole) {
  constexpr std::size_t kSize = 3 * 65536 + 3392;  // three whole pieces and a part
  const std::string bytes = content::test::PatternBytes(kSize);
  control_->onLoadAsync = [&](const std::wstring& path, std::unique_ptr<TStream>& stream) {
    if (path == L"files/big.bin") stream = std::make_unique<TMemoryStream>(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  };
  control_->onLoad = [&](const std::wstring& url, TStream& stream) {
    if (url == L"files/big.bin") stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  };
  using TRun = HRESULT(WINAPI*)(const wchar_t*);
  const auto run = test::StandinExport<TRun>(Loader(), "LeafmarkStandinRun");
  const std::wstring folder = MoviePath().substr(0, MoviePath().rfind(L'\\') + 1);
  const std::wstring url = L"file://Z:/FromMemory/" + std::wstring(content::FakeURLMarker) + L"/1/files/big.bin";

  ASSERT_EQ(run((L"stream-file " + folder + L"files\\big.bin").c_str()), S_OK);
  ASSERT_EQ(run((L"fetch-url " + url).c_str()), S_OK);
  const std::wstring absent = test::Wide(tmp_.File("absent.bin"));
  EXPECT_EQ(run((L"stream-file " + absent).c_str()), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(run(L"stream-file"), E_INVALIDARG);
  EXPECT_EQ(run(L"fetch-url"), E_INVALIDARG);

  const TStandinTrace trace = Trace();
  const TStandinEvent& streamed = trace.One("streamed", Ascii(folder) + "files\\big.bin");
  EXPECT_EQ(streamed["bytes"], std::to_string(kSize));
  EXPECT_EQ(streamed["reads"], "5");
  const TStandinEvent& fetched = trace.One("fetched", Ascii(url));
  EXPECT_EQ(fetched["bytes"], std::to_string(kSize));
  EXPECT_EQ(fetched["via"], "moniker");
  EXPECT_EQ(fetched["error"], "<no error>");
  EXPECT_EQ(trace.One("streamed", Ascii(absent))["error"], std::to_string(ERROR_FILE_NOT_FOUND));
}

INSTANTIATE_TEST_SUITE_P(BothProviders, StandinServedByPlayerTest,
                         ::testing::Values(TProvider::Stream, TProvider::Registration),
                         [](const auto& provider) {
                           return provider.param == TProvider::Stream ? "FromAStream"
                                                                  : "FromTheRegistration";
                         });

}  // namespace
}  // namespace leafmark
