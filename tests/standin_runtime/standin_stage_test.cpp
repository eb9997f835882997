// The stand-in runtime's stage, compiled into this test with a recorder of its events: movies
// fetched by path (CreateFileW and ReadFile) and by file URL (a URL moniker), read, acted on
// (FSCommand, a load into _level1) and painted. The system's functions serve the fetches here;
// the player's replacements are met in the tests of the stand-in served by the player.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "standin_runtime/md5.h"
#include "standin_runtime/movie_fetch.h"
#include "standin_runtime/runtime_module.h"
#include "standin_runtime/stage.h"
#include "standin_runtime/trace.h"
#include "tests/standin_runtime/standin_trace.h"
#include "tests/standin_runtime/test_movies.h"
#include "tests/support/message_pump.h"
#include "tests/support/temp_dir.h"

namespace leafmark {
namespace {

using test::TBytes;
using test::TStandinTrace;
using test::TSwfWriter;

const TBytes& kPng = test::TinyPng();
constexpr COLORREF kPngColour =
    RGB(test::kTinyPngColour >> 16, (test::kTinyPngColour >> 8) & 0xFF, test::kTinyPngColour & 0xFF);

class TRecorder final : public standin::TStageEvents {
 public:
  void StageReadyStateChange(long state) override { ReadyStates.push_back(state); }
  void StageProgress(long percent) override { Progress.push_back(percent); }
  void StageFSCommand(const std::wstring& command, const std::wstring& args) override {
    Commands.emplace_back(command, args);
  }
  void StageChanged() override { ++Changes; }

  std::vector<long> ReadyStates;
  std::vector<long> Progress;
  std::vector<std::pair<std::wstring, std::wstring>> Commands;
  int Changes = 0;
};

std::wstring Wide(const std::string& text) { return std::filesystem::path(text).wstring(); }
std::string Narrow(const std::wstring& text) { return std::filesystem::path(text).string(); }

std::wstring FileUrl(const std::string& path) {
  std::wstring url = L"file:///" + Wide(path);
  for (wchar_t& c : url) {
    if (c == L'\\') c = L'/';
  }
  return url;
}

// A memory bitmap to paint into and read back.
class TCanvas {
 public:
  TCanvas(int width, int height) : dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~TCanvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;
  HDC Dc() const { return dc_; }
  COLORREF Pixel(int x, int y) const { return GetPixel(dc_, x, y); }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

class StandinStage : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    traceFile_ = dir_.File("trace.txt");
    SetEnvironmentVariableW(L"LEAFMARK_STANDIN_TRACE", Wide(traceFile_).c_str());
    standin::NoteAttach(GetModuleHandleW(nullptr));
    standin::OpenTrace();
  }
  void TearDown() override {
    standin::CloseTrace();
    SetEnvironmentVariableW(L"LEAFMARK_STANDIN_TRACE", nullptr);
    OleUninitialize();
  }

  TStandinTrace Trace() const { return TStandinTrace::Read(traceFile_); }
  // Pumps until an event of that name and first word is in the trace.
  bool WaitFor(const std::string& event, const std::string& word) const {
    return test::PumpMessagesUntil([&] { return !Trace().All(event, word).empty(); });
  }
  std::string Write(const std::string& name, const TBytes& bytes) const {
    const std::string path = dir_.File(name);
    test::WriteFileBytes(path, bytes);
    return path;
  }

  test::TTempDir dir_;
  std::string traceFile_;
  TRecorder events_;
};

TEST_F(StandinStage, FetchesMoviesByPathAndByFileUrlByteExactAndReadsThem) {
  TSwfWriter builder(9, {0, 11000, 0, 8000}, 0x1DF8, 3);
  builder.Background(0x336699).ShowFrame().End();
  const std::string plain = Write("plain.swf", builder.Fws());
  const std::string compressed = Write("compressed.swf", builder.Cws());
  struct TCase {
    std::wstring Address;
    TBytes Bytes;
    const char* Signature;
    const char* Via;
  };
  const TCase cases[] = {
      {Wide(plain), builder.Fws(), "FWS", "file"},
      {Wide(compressed), builder.Cws(), "CWS", "file"},
      {FileUrl(plain), builder.Fws(), "FWS", "moniker"},
      {FileUrl(compressed), builder.Cws(), "CWS", "moniker"},
  };
  for (const TCase& c : cases) {
    const std::string url = Narrow(c.Address);
    SCOPED_TRACE(url);
    TRecorder events;
    standin::TStage stage(events);
    stage.Load(0, c.Address);
    ASSERT_TRUE(test::PumpMessagesUntil([&] { return stage.ReadyState() == 4; }));

    const TStandinTrace trace = Trace();
    const auto& received = trace.One("received", url);
    EXPECT_EQ(received["bytes"], std::to_string(c.Bytes.size()));
    EXPECT_EQ(received["md5"], standin::Md5Hex(c.Bytes));
    EXPECT_EQ(received["via"], c.Via);
    const auto& movie = trace.One("movie", url);
    EXPECT_EQ(movie["signature"], c.Signature);
    EXPECT_EQ(movie["version"], "9");
    EXPECT_EQ(movie["width"], "11000");
    EXPECT_EQ(movie["height"], "8000");
    EXPECT_EQ(movie["rate"], "29.96875");
    EXPECT_EQ(movie["frames"], "3");
    EXPECT_EQ(movie["background"], "#336699");

    EXPECT_EQ(stage.TotalFrames(), 3);
    EXPECT_EQ(stage.BackgroundColor(), static_cast<long>(RGB(0x33, 0x66, 0x99)));
    EXPECT_EQ(stage.PercentLoaded(), 100);
    ASSERT_GE(events.ReadyStates.size(), 2u);
    EXPECT_EQ(events.ReadyStates.back(), 4);
    EXPECT_EQ(events.ReadyStates[events.ReadyStates.size() - 2], 3);
    EXPECT_EQ(events.Progress.back(), 100);
    EXPECT_GE(events.Changes, 1);
  }
}

TEST_F(StandinStage, ReportsMoviesItCannotFetchOrRead) {
  const std::string broken = Write("broken.swf", {'F', 'W', 'S', 9, 200, 0, 0, 0, 1});
  const std::string missing = dir_.File("missing.swf");
  standin::TStage stage(events_);
  stage.Load(0, Wide(broken));
  ASSERT_TRUE(WaitFor("movie", broken));
  EXPECT_EQ(Trace().One("movie", broken)["error"], "truncated: 9 of 200 bytes");
  EXPECT_TRUE(test::PumpMessagesUntil([&] { return stage.ReadyState() == 4; }));

  // A path that cannot be opened is tried as a URL before the fetch is given up.
  stage.Load(0, Wide(missing));
  ASSERT_TRUE(WaitFor("fetch", missing));
  const auto& failed = Trace().One("fetch", missing);
  EXPECT_EQ(failed["via"], "moniker");
  EXPECT_NE(failed["error"], "<no error>");
  EXPECT_TRUE(Trace().All("received", missing).empty());
}

TEST_F(StandinStage, AMovieThatLoadsLevel0IsReplacedAndOnlyTheNewOneCompletes) {
  const std::string next = Write("next.swf", TSwfWriter(9, {0, 100, 0, 100}, 0x0C00, 7).End().Fws());
  TSwfWriter first(9, {0, 100, 0, 100}, 0x0C00, 1);
  first.GetUrl("next.swf", "_level0").End();
  const std::string start = Write("start.swf", first.Fws());
  standin::TStage stage(events_);
  stage.Load(0, Wide(start));
  ASSERT_TRUE(WaitFor("movie", next));
  ASSERT_TRUE(test::PumpMessagesUntil([&] { return stage.ReadyState() == 4; }));
  EXPECT_EQ(stage.TotalFrames(), 7);
  // start.swf read (1, 3), replaced (0), next.swf read (1, 3) and complete (4).
  EXPECT_EQ(events_.ReadyStates, (std::vector<long>{1, 3, 0, 1, 3, 4}));
}

TEST_F(StandinStage, ForgetsFetchesOfClearedAndDestroyedStages) {
  TSwfWriter builder(9, {0, 100, 0, 100}, 0x0C00, 1);
  builder.End();
  const std::string first = Write("first.swf", builder.Fws());
  const std::string second = Write("second.swf", builder.Fws());
  const std::string third = Write("third.swf", builder.Fws());
  {
    TRecorder events;
    standin::TStage destroyed(events);
    destroyed.Load(0, FileUrl(first));
  }
  TRecorder clearedEvents;
  standin::TStage cleared(clearedEvents);
  cleared.Load(0, FileUrl(second));
  cleared.Load(1, Wide(second));
  cleared.Clear();

  // A later load on another stage is served; by then the others would have been too.
  standin::TStage stage(events_);
  stage.Load(0, FileUrl(third));
  ASSERT_TRUE(test::PumpMessagesUntil([&] { return stage.ReadyState() == 4; }));
  test::PumpPendingMessages();
  const TStandinTrace trace = Trace();
  EXPECT_EQ(trace.All("received").size(), 1u);
  EXPECT_EQ(trace.All("received", Narrow(FileUrl(third))).size(), 1u);
  EXPECT_EQ(cleared.ReadyState(), 0);
  EXPECT_EQ(cleared.TotalFrames(), 0);
  EXPECT_TRUE(clearedEvents.Commands.empty());
}

TEST_F(StandinStage, ActsOnFsCommandsAndPaintsAPictureLoadedIntoLevel1) {
  TSwfWriter builder(6, {0, 2000, 0, 2000}, 0x0C00, 1);
  builder.Background(0x336699).GetUrl("FSCommand:fullscreen", "true").GetUrl2("pictures/pic.png", "_level1");
  builder.ShowFrame().End();
  std::filesystem::create_directory(dir_.File("pictures"));
  const std::string movie = Write("book.swf", builder.Fws());
  const std::string picture = Write("pictures/pic.png", kPng);
  const std::wstring pictureUrl = FileUrl(picture);

  for (const std::wstring& address : {Wide(movie), FileUrl(movie)}) {
    const bool byPath = address[0] != L'f';
    const std::string expectedPicture = byPath ? Narrow(Wide(dir_.File("pictures")) + L"\\pic.png") : Narrow(pictureUrl);
    SCOPED_TRACE(expectedPicture);
    TRecorder events;
    standin::TStage stage(events);
    stage.Load(0, address);
    ASSERT_TRUE(WaitFor("image", expectedPicture));

    const TStandinTrace trace = Trace();
    const auto& image = trace.One("image", expectedPicture);
    EXPECT_EQ(image["width"], "4");
    EXPECT_EQ(image["height"], "2");
    EXPECT_EQ(trace.One("received", expectedPicture)["md5"], standin::Md5Hex(kPng));
    EXPECT_EQ(trace.One("received", expectedPicture)["via"], byPath ? "file" : "moniker");
    EXPECT_EQ(trace.All("fscommand", "fullscreen").back()->Words, (std::vector<std::string>{"fullscreen", "true"}));
    ASSERT_EQ(events.Commands.size(), 1u);
    EXPECT_EQ(events.Commands[0], std::make_pair(std::wstring(L"fullscreen"), std::wstring(L"true")));

    // 4 x 2 scaled into 100 x 100: 100 x 50, centred over the movie's background.
    TCanvas canvas(100, 100);
    stage.Paint(canvas.Dc(), RECT{0, 0, 100, 100});
    EXPECT_EQ(canvas.Pixel(50, 50), kPngColour);
    EXPECT_EQ(canvas.Pixel(2, 30), kPngColour);
    EXPECT_EQ(canvas.Pixel(50, 10), RGB(0x33, 0x66, 0x99));
    EXPECT_EQ(canvas.Pixel(50, 90), RGB(0x33, 0x66, 0x99));

    // Without a movie the stage is white.
    stage.Clear();
    stage.Paint(canvas.Dc(), RECT{0, 0, 100, 100});
    EXPECT_EQ(canvas.Pixel(50, 50), RGB(255, 255, 255));
  }
}

// Each frame sends "page" with its number, then (unless told otherwise) stops.
TSwfWriter& PageFrame(TSwfWriter& writer, int page, bool stop = true) {
  test::TSwfActions actions;
  actions.FsCommand("page", std::to_string(page));
  if (stop) actions.Stop();
  return writer.DoAction(actions).ShowFrame();
}

std::vector<std::wstring> Pages(const TRecorder& events) {
  std::vector<std::wstring> pages;
  for (const auto& [command, args] : events.Commands) {
    if (command == L"page") pages.push_back(args);
  }
  return pages;
}

TEST_F(StandinStage, PlaysTheTimelineAtItsRateUntilAFrameStopsIt) {
  TSwfWriter writer(8, {0, 2000, 0, 2000}, 0x3200, 4);  // 50 frames a second
  PageFrame(writer, 1, false);
  PageFrame(writer, 2, false);
  PageFrame(writer, 3, true);
  PageFrame(writer, 4, false).End();
  const std::string movie = Write("timeline.swf", writer.Fws());
  standin::TStage stage(events_);
  stage.Load(0, Wide(movie));
  ASSERT_TRUE(test::PumpMessagesUntil([&] { return Pages(events_).size() == 3; }));
  EXPECT_EQ(stage.CurrentFrame(), 2);
  EXPECT_FALSE(stage.Playing());
  // Stopped: a good many frame times later it is still at the third frame.
  test::PumpMessagesUntil([] { return false; }, std::chrono::milliseconds(300));
  EXPECT_EQ(Pages(events_), (std::vector<std::wstring>{L"1", L"2", L"3"}));
  std::vector<std::string> frames;
  for (const auto* line : Trace().All("frame", Narrow(Wide(movie)))) frames.push_back((*line)["number"]);
  EXPECT_EQ(frames, (std::vector<std::string>{"1", "2", "3"}));

  // Played again from outside, it runs on, wraps round to the first frame and stops at the
  // third again.
  stage.SetPlaying(true);
  ASSERT_TRUE(test::PumpMessagesUntil([&] { return Pages(events_).size() == 7; }));
  test::PumpMessagesUntil([] { return false; }, std::chrono::milliseconds(300));
  EXPECT_EQ(Pages(events_), (std::vector<std::wstring>{L"1", L"2", L"3", L"4", L"1", L"2", L"3"}));
}

TEST_F(StandinStage, KeysOnTheButtonsOnTheStageTurnFramesAndSendCommands) {
  using test::TSwfActions;
  namespace key = test::swf_key;
  TSwfWriter writer(8, {0, 2000, 0, 2000}, 0x0C00, 4);
  writer.KeyButton(1, 2,
                   {{key::Right, TSwfActions().NextFrame()},
                    {key::Left, TSwfActions().PreviousFrame()},
                    {key::Home, TSwfActions().GotoFrame(0)},
                    {key::End, TSwfActions().GotoFrame(999)},
                    {'f', TSwfActions().FsCommand("fullscreen", "true")}});
  writer.Place(1, 1);
  PageFrame(writer, 1);
  PageFrame(writer, 2);
  writer.Remove(1);  // from the third frame on there is no button
  PageFrame(writer, 3);
  PageFrame(writer, 4);
  writer.End();
  const std::string movie = Write("keys.swf", writer.Fws());
  standin::TStage stage(events_);
  stage.Load(0, Wide(movie));
  ASSERT_TRUE(test::PumpMessagesUntil([&] { return !Pages(events_).empty(); }));

  struct TStep {
    const char* Name;
    std::uint8_t Key;
    long Frame;          // after the key
    const wchar_t* Sent; // the command the key led to, if any
  };
  const TStep steps[] = {
      {"left on the first frame", key::Left, 0, nullptr},
      {"right", key::Right, 1, L"page 2"},
      {"f", 'f', 1, L"fullscreen true"},
      {"a key no button waits for", 'x', 1, nullptr},
      {"end: beyond the last frame is the last", key::End, 3, L"page 4"},
      {"right without a button", key::Right, 3, nullptr},
  };
  for (const TStep& step : steps) {
    SCOPED_TRACE(step.Name);
    const std::size_t before = events_.Commands.size();
    stage.KeyPress(step.Key);
    EXPECT_EQ(stage.CurrentFrame(), step.Frame);
    if (step.Sent) {
      ASSERT_EQ(events_.Commands.size(), before + 1);
      EXPECT_EQ(events_.Commands.back().first + L" " + events_.Commands.back().second, step.Sent);
    } else {
      EXPECT_EQ(events_.Commands.size(), before);
    }
  }
  // Going back builds the stage again from the first frame: the button is there again.
  stage.GotoFrame(0);
  stage.KeyPress(key::Right);
  EXPECT_EQ(stage.CurrentFrame(), 1);
  EXPECT_EQ(Pages(events_), (std::vector<std::wstring>{L"1", L"2", L"4", L"1", L"2"}));
  const auto keys = Trace().All("key");
  ASSERT_EQ(keys.size(), 7u);
  EXPECT_EQ((*keys[1])["code"], "2");
  EXPECT_EQ((*keys[1])["actions"], "1");
  EXPECT_EQ((*keys[3])["actions"], "0");
}

TEST_F(StandinStage, AMovieWhoseFramesSendEachOtherBackAndForthIsCutOff) {
  TSwfWriter writer(8, {0, 2000, 0, 2000}, 0x0C00, 2);
  writer.DoAction(test::TSwfActions().GotoFrame(1)).ShowFrame();
  writer.DoAction(test::TSwfActions().GotoFrame(0)).ShowFrame().End();
  const std::string movie = Write("loop.swf", writer.Fws());
  standin::TStage stage(events_);
  stage.Load(0, Wide(movie));
  ASSERT_TRUE(WaitFor("actions", ""));
  ASSERT_TRUE(test::PumpMessagesUntil([&] { return stage.ReadyState() == 4; }));
  EXPECT_FALSE(stage.Playing());
}

// A host that serves downloads itself notifies as the player's content delivery does: no
// binding object, and each piece in a stream of its own flagged both first and last.
TEST(StandinUrlFetch, ReadsEveryStreamAHostHandsOverAndEndsAtStopBinding) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  auto result = std::make_shared<standin::TFetchResult>();
  int changes = 0;
  result->Changed = [&] { ++changes; };
  standin::TComRef<standin::TUrlFetch> fetch;
  standin::TUrlFetch::Create(result, fetch);
  IBindStatusCallback* callback = fetch.Get();

  DWORD flags = 0;
  BINDINFO info{};
  info.cbSize = sizeof info;
  ASSERT_EQ(callback->GetBindInfo(&flags, &info), S_OK);
  EXPECT_EQ(flags, static_cast<DWORD>(BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA));
  EXPECT_EQ(info.cbSize, sizeof info);

  EXPECT_EQ(callback->OnStartBinding(0, nullptr), S_OK);
  TBytes expected;
  for (const std::size_t size : {std::size_t{10}, std::size_t{0}, std::size_t{200000}}) {
    TBytes piece(size);
    for (std::size_t i = 0; i < size; ++i) piece[i] = static_cast<std::uint8_t>(i * 7 + size);
    expected.insert(expected.end(), piece.begin(), piece.end());
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    ULONG written = 0;
    if (size) stream->Write(piece.data(), static_cast<ULONG>(size), &written);
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    FORMATETC format{0, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
    STGMEDIUM medium{};
    medium.tymed = TYMED_ISTREAM;
    medium.pstm = stream;
    EXPECT_EQ(callback->OnDataAvailable(BSCF_FIRSTDATANOTIFICATION | BSCF_LASTDATANOTIFICATION,
                                        static_cast<DWORD>(size), &format, &medium),
              S_OK);
    stream->Release();
    EXPECT_FALSE(result->Finished);
  }
  EXPECT_EQ(callback->OnStopBinding(S_OK, nullptr), S_OK);
  EXPECT_TRUE(result->Finished);
  EXPECT_EQ(result->Error, "");
  EXPECT_EQ(result->Bytes, expected);
  EXPECT_EQ(changes, 4);

  // A failed binding is an error; later notifications change nothing.
  auto failed = std::make_shared<standin::TFetchResult>();
  standin::TUrlFetch::Create(failed, fetch);
  fetch.Get()->OnStopBinding(INET_E_RESOURCE_NOT_FOUND, nullptr);
  EXPECT_TRUE(failed->Finished);
  EXPECT_EQ(failed->Error, "the binding failed with 0x800C0005");
  fetch.Reset(nullptr);
  CoUninitialize();
}

}  // namespace
}  // namespace leafmark
