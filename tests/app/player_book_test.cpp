// The book in the player's window, played by the stand-in runtime: the movie's "fullscreen"
// command, keys passed on to the runtime, books without a movie or with a broken runtime,
// and the registered runtime for a book that carries none.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/app/standin_book.h"
#include "tests/app/window_expectations.h"
#include "tests/standin_runtime/test_movies.h"
#include "tests/support/archive_builder.h"
#include "tools/sample_book.h"
#include "tests/support/bin_file.h"
#include "win/unique_any.h"

namespace leafmark::test {
namespace {

constexpr char kNoMovie[] = "book.swf is not in the book (or cannot be read): there is no movie to play";

std::string Movie(const std::vector<std::string>& fullscreenArgs) {
  TSwfWriter movie(8, TSwfFrame{0, 11000, 0, 8000}, 12 << 8, 1);
  movie.Background(0x336699);
  for (const std::string& args : fullscreenArgs) movie.GetUrl("FSCommand:fullscreen", args);
  const TBytes swf = movie.ShowFrame().End().Fws();
  return std::string(swf.begin(), swf.end());
}

TBookFiles WindowedBook(const std::string& movie) {
  return {{"ExeConfig.xml", ExeConfigXml("Book", "1", "640", "480")}, {"book.swf", movie}};
}

const RECT kWindowedBounds = Bounds(399, 262, 640, 480);

struct TFullScreenCase {
  const char* Name;
  std::vector<std::string> Args;  // of each "fullscreen" command, in order
  bool FullScreen;
};

void PrintTo(const TFullScreenCase& c, std::ostream* out) { *out << c.Name; }

class PlayerFullScreenCommand : public StandinBook, public ::testing::WithParamInterface<TFullScreenCase> {};

TEST_P(PlayerFullScreenCommand, ChangesTheWindow) {
  const TFullScreenCase& c = GetParam();
  TPlayer player = Start(WindowedBook(Movie(c.Args)));
  ASSERT_TRUE(player.WaitForWindow());
  // The control raises the event on the GUI thread and waits for the handler.
  ASSERT_TRUE(WaitForTrace(player, [&](const TStandinTrace& trace) {
    return trace.All("raised", "FSCommand").size() == c.Args.size();
  }));
  ASSERT_TRUE(player.Settle(log));
  if (c.FullScreen) {
    ExpectFullScreen(player.Facts());
  } else {
    ExpectWindowed(player.Facts(), kWindowedBounds);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, PlayerFullScreenCommand,
    ::testing::Values(TFullScreenCase{"true_enters", {"true"}, true},
                      TFullScreenCase{"true_in_capitals_does_nothing", {"TRUE"}, false},
                      TFullScreenCase{"twice_true_then_false_restores_the_first_bounds", {"true", "true", "false"}, false},
                      TFullScreenCase{"false_while_windowed_does_nothing", {"false"}, false}),
    [](const ::testing::TestParamInfo<TFullScreenCase>& param) { return std::string(param.param.Name); });

class PlayerBook : public StandinBook {};

TEST_F(PlayerBook, KeysReachTheRuntimeWithTheirCodes) {
  TPlayer player = Start(WindowedBook(Movie({})));
  ASSERT_TRUE(player.WaitForWindow());
  ASSERT_TRUE(WaitForTrace(player, [](const TStandinTrace& trace) { return !trace.All("movie").empty(); }));
  player.PostKey(VK_RIGHT);
  player.PostKey('K');
  ASSERT_TRUE(player.Settle(log));
  const TStandinTrace trace = Trace();
  std::vector<std::string> keys;
  for (const TStandinEvent* event : trace.All("message")) {
    if (event->Words[0] == "256" || event->Words[0] == "257") {
      keys.push_back(event->Words[0] + " " + event->Words[1] + " " + event->Words[2]);
    }
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"256 0x00000027 0x00000000", "257 0x00000027 0x00000000",
                                            "256 0x0000004B 0x00000000", "257 0x0000004B 0x00000000"}));
  EXPECT_EQ(LogMessagesWith("FormKeyDown[39]").size(), 1u);
}

// The sample book's movie with three pages (each frame loads its page into level 1 and
// stops; the arrow keys turn the pages, "f" asks for full screen), and pictures for them.
TBookFiles PagedBook() {
  const std::string png(TinyPng().begin(), TinyPng().end());
  const TBytes movie = tools::SampleBookMovie(3);
  TBookFiles files = WindowedBook(std::string(movie.begin(), movie.end()));
  for (unsigned page = 1; page <= 3; ++page) files.emplace_back(tools::SamplePageName(page), png);
  return files;
}

// The runtime's window: the one child of the player's window.
HWND RuntimeWindow(HWND player) { return ::GetWindow(player, GW_CHILD); }

TEST_F(PlayerBook, KeysTurnThePagesAndEscLeavesTheFullScreenTheMovieAskedFor) {
  TPlayer player = Start(PagedBook());
  ASSERT_TRUE(player.WaitForWindow());
  // The movie was handed over under a path, against which its pages are found.
  const auto shownTimes = [](const TStandinTrace& trace, int page) {
    const std::string name = "\\pages\\" + std::to_string(page) + ".png";
    const auto images = trace.All("image");
    return std::count_if(images.begin(), images.end(),
                         [&](const TStandinEvent* image) { return image->Words[0].ends_with(name); });
  };
  const auto shown = [&](int page, long times = 1) {
    return WaitForTrace(player, [&](const TStandinTrace& trace) { return shownTimes(trace, page) == times; });
  };
  ASSERT_TRUE(shown(1)) << TraceText();

  // Keys sent to the form are passed on to the runtime; the movie's buttons turn the page.
  player.PostKey(VK_RIGHT);
  ASSERT_TRUE(shown(2)) << TraceText();
  player.PostKey(VK_RIGHT);
  ASSERT_TRUE(shown(3)) << TraceText();
  player.PostKey(VK_LEFT);
  ASSERT_TRUE(shown(2, 2)) << TraceText();
  std::vector<std::string> frames;
  for (const TStandinEvent* frame : Trace().All("frame")) frames.push_back((*frame)["number"]);
  EXPECT_EQ(frames, (std::vector<std::string>{"1", "2", "3", "2"}));
  EXPECT_EQ(LogMessagesWith("FormKeyDown[39]").size(), 2u);

  // A character typed into the runtime's window: the movie asks for full screen.
  const HWND runtime = RuntimeWindow(player.Window());
  ASSERT_NE(runtime, nullptr);
  ::PostMessageW(runtime, WM_CHAR, 'f', 0);
  ASSERT_TRUE(WaitForTrace(player, [](const TStandinTrace& trace) { return !trace.All("fscommand").empty(); }));
  ASSERT_TRUE(player.Settle(log));
  ExpectFullScreen(player.Facts());
  player.PostKey(VK_ESCAPE);
  ASSERT_TRUE(player.Settle(log));
  ExpectWindowed(player.Facts(), kWindowedBounds);
}

// The digest is checked at every look-up: a book changed after it was packed shows nothing of
// itself, not even its runtime, but its window still opens and the log says why.
TEST_F(PlayerBook, ABookWithADigestPlaysUntilItsContentIsAltered) {
  const std::string movie = Movie({});
  const std::vector<std::uint8_t> runtime = ReadFileBytes(BinFile("flash.ocx"));
  TRawBook book = MakeBook({{"ExeConfig.xml", ExeConfigXml("Digest", "1", "640", "480")},
                            {"book.swf", movie},
                            {"flash.ocx", std::string(runtime.begin(), runtime.end())}},
                           true);
  book.Prefix = ReadFileBytes(BinFile("leafmark-player.exe"));
  std::vector<std::uint8_t> bytes = book.Build();
  for (const bool altered : {false, true}) {
    SCOPED_TRACE(altered ? "altered" : "intact");
    if (altered) {
      // One byte of the movie, which follows the player and the index.
      const std::vector<std::uint8_t> movieBytes(movie.begin(), movie.end());
      const auto at = std::search(bytes.begin() + static_cast<std::ptrdiff_t>(book.Prefix.size()), bytes.end(),
                                  movieBytes.begin(), movieBytes.end());
      ASSERT_NE(at, bytes.end());
      at[20] ^= 0x01;
    }
    const std::string path = dir.File(altered ? "altered.exe" : "intact.exe");
    WriteFileBytes(path, bytes);
    std::filesystem::remove(tracePath);
    std::filesystem::remove(log);
    TPlayer player(path, {"-D", "-F" + log}, dir.Path());
    ASSERT_TRUE(player.WaitForWindow());
    if (!altered) {
      ASSERT_TRUE(WaitForTrace(player, [](const TStandinTrace& trace) { return !trace.All("received").empty(); }));
      EXPECT_EQ(player.Facts().Caption, L"Digest");
      EXPECT_EQ(Trace().One("received")["md5"], Md5Hex(movie));
      continue;
    }
    ASSERT_TRUE(player.Settle(log));
    EXPECT_NE(player.Facts().Caption, L"Digest");
    EXPECT_EQ(LogMessagesWith("book.swf"), (std::vector<std::string>{"Loading book.swf...", kNoMovie}));
    EXPECT_TRUE(Trace().Events().empty());
  }
}

TEST_F(PlayerBook, WithoutBookSwfTheWindowOpensAndTheLogSaysWhy) {
  TPlayer player = Start({{"ExeConfig.xml", ExeConfigXml("No movie", "1", "640", "480")}});
  ASSERT_TRUE(player.WaitForWindow());
  EXPECT_EQ(player.Facts().Caption, L"No movie");
  ExpectWindowed(player.Facts(), kWindowedBounds);
  EXPECT_EQ(LogMessagesWith("book.swf"), (std::vector<std::string>{"Loading book.swf...", kNoMovie}));
  ASSERT_TRUE(player.Settle(log));
  // The runtime came up all the same, with nothing to fetch.
  EXPECT_EQ(Trace().All("loaded").size(), 1u);
  EXPECT_TRUE(Trace().All("received").empty());
}

TEST_F(PlayerBook, DamagedRuntimeInTheBookLeavesThePlayerRunning) {
  TBookFiles files = WindowedBook(Movie({"true"}));
  files.emplace_back("flash.ocx", "MZ but no runtime at all");
  TPlayer player = Start(files, false);
  ASSERT_TRUE(player.WaitForWindow());
  ASSERT_TRUE(player.Settle(log));
  ExpectWindowed(player.Facts(), kWindowedBounds);
  EXPECT_TRUE(Trace().Events().empty());
}

// The registered runtime, found through the class registration as the system would: here
// the stand-in, registered machine-wide (where Wine's class root lives, which does not merge
// the user's classes) for as long as the test runs.
class TRegisteredStandin {
 public:
  TRegisteredStandin() {
    const std::string image = BinFile("flash.ocx");
    ok_ = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key_.Put(), nullptr) ==
              ERROR_SUCCESS &&
          ::RegSetValueExA(key_.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(image.c_str()),
                           static_cast<DWORD>(image.size() + 1)) == ERROR_SUCCESS;
  }
  ~TRegisteredStandin() {
    key_.Reset();
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{D27CDB6E-AE6D-11cf-96B8-444553540000}");
  }
  bool Ok() const { return ok_; }

 private:
  static constexpr char kKey[] = "Software\\Classes\\CLSID\\{D27CDB6E-AE6D-11cf-96B8-444553540000}\\InprocServer32";
  win::TUniqueRegistryKey key_;
  bool ok_ = false;
};

TEST_F(PlayerBook, BookWithoutRuntimePlaysOnTheRegisteredOne) {
  const TRegisteredStandin registered;
  ASSERT_TRUE(registered.Ok());
  const std::string movie = Movie({});
  TPlayer player = Start(WindowedBook(movie), false);
  ASSERT_TRUE(player.WaitForWindow());
  ASSERT_TRUE(WaitForTrace(player, [](const TStandinTrace& trace) { return !trace.All("received").empty(); }));
  const TStandinTrace trace = Trace();
  EXPECT_EQ(trace.One("loaded")["in-module-list"], "no");  // read from its file, placed in memory
  EXPECT_EQ(trace.One("received")["md5"], Md5Hex(movie));
}

}  // namespace
}  // namespace leafmark::test
