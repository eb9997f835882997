// The movie's requests answered from the book inside the real player, played by the stand-in
// runtime: what arrives (byte-exact, by the stand-in's MD5) and what the log says, in order.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "tests/app/standin_book.h"
#include "tests/standin_runtime/test_movies.h"

namespace leafmark::test {
namespace {

struct TRequestCase {
  const char* Name;
  std::string Request;    // what the movie asks for
  std::string Received;   // the address the stand-in reports, after resolving
  std::string Entry;      // the archive entry that should arrive; empty: nothing arrives
  std::string Via;        // "file" (the served file) or "moniker" (a download)
  std::vector<std::string> Log;  // the log's messages naming the request, in order
};

std::string MovieFolderPath() {
  std::string path = MovieFolderUrl().substr(7);  // "Z:/FromMemory/<marker>/1/"
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

const std::string kPicture(TinyPng().begin(), TinyPng().end());

const TBookFiles kEntries = {
    {"pics/a.png", kPicture},
    {"pages/b.png", kPicture + "b"},
    {"pages/c.png", kPicture + "cc"},
    {"pics/d.png", kPicture + "ddd"},
    {"empty/path.bin", ""},
    {"empty/url.bin", ""},
    {"leafmark:extra/e.png", kPicture + "eeee"},
    {"leafmark:extra/empty.bin", ""},
};

// Missing files go to the system's own moniker after the archive: below the working
// directory, where nothing answers them either.
const std::vector<TRequestCase> kCases = {
    {"relative_path_is_a_served_file", "pics/a.png", MovieFolderPath() + "pics\\a.png", "pics/a.png", "file",
     {"To load url 44[pics/a.png]", "To load url 44_________[pics/a.png]"}},
    {"names_compare_without_case", "PICS/D.PNG", MovieFolderPath() + "PICS\\D.PNG", "pics/d.png", "file",
     {"To load url 44[PICS/D.PNG]", "To load url 44_________[PICS/D.PNG]"}},
    {"movie_url_is_a_download", MovieFolderUrl() + "pages/b.png", MovieFolderUrl() + "pages/b.png", "pages/b.png",
     "moniker", {"To load url 333[pages/b.png]", "To load url2[pages/b.png]", "Got .. url2[pages/b.png]"}},
    {"one_leading_dot_slash_is_dropped", MovieFolderUrl() + "./pages/c.png", MovieFolderUrl() + "./pages/c.png",
     "pages/c.png", "moniker",
     {"To load url 333[./pages/c.png]", "To load url2[./pages/c.png]", "Got .. url2_2[pages/c.png]"}},
    {"two_leading_dot_slashes_are_not_found", MovieFolderUrl() + "././pages/c.png",
     MovieFolderUrl() + "././pages/c.png", "", "moniker",
     {"To load url 333[././pages/c.png]", "To load url2[././pages/c.png]"}},
    {"missing_file_is_logged", "pics/missing.png", MovieFolderPath() + "pics\\missing.png", "", "moniker",
     {"To load url 44[pics/missing.png]", "To load url 333[pics/missing.png]", "To load url2[pics/missing.png]"}},
    {"empty_entry_by_path_ends", "empty/path.bin", MovieFolderPath() + "empty\\path.bin", "empty/path.bin", "file",
     {"To load url 44[empty/path.bin]", "To load url 44_________[empty/path.bin]"}},
    {"empty_entry_by_url_ends", MovieFolderUrl() + "empty/url.bin", MovieFolderUrl() + "empty/url.bin",
     "empty/url.bin", "moniker",
     {"To load url 333[empty/url.bin]", "To load url2[empty/url.bin]", "Got .. url2[empty/url.bin]"}},
    {"other_url_goes_to_the_content_callback", "leafmark:extra/e.png", "leafmark:extra/e.png",
     "leafmark:extra/e.png", "moniker", {"ContentProvider url[leafmark:extra/e.png]"}},
    {"empty_entry_through_the_content_callback_ends", "leafmark:extra/empty.bin", "leafmark:extra/empty.bin",
     "leafmark:extra/empty.bin", "moniker", {"ContentProvider url[leafmark:extra/empty.bin]"}},
    {"other_url_not_in_the_book_is_not_handled", "leafmark:extra/none.png", "leafmark:extra/none.png", "", "moniker",
     {"ContentProvider url[leafmark:extra/none.png]"}},
};

std::string EntryBytes(const std::string& name) {
  for (const auto& [entry, bytes] : kEntries) {
    if (entry == name) return bytes;
  }
  throw std::logic_error("no entry " + name);
}

// The text between a message's first "[" and its last "]".
std::string Bracketed(const std::string& message) {
  const std::size_t open = message.find('[');
  const std::size_t close = message.rfind(']');
  return open == std::string::npos || close == std::string::npos || close < open
             ? std::string()
             : message.substr(open + 1, close - open - 1);
}

class PlayerRequests : public StandinBook {};

// One book asks for everything at once, each request into a layer of its own; every
// download must end (the stand-in reports each one), and the player must still run.
TEST_F(PlayerRequests, EachRequestIsAnsweredFromTheBookAndLogged) {
  TSwfWriter movie(8, TSwfFrame{0, 11000, 0, 8000}, 12 << 8, 1);
  movie.Background(0x336699);
  for (std::size_t k = 0; k < kCases.size(); ++k) movie.GetUrl(kCases[k].Request, "_level" + std::to_string(k + 1));
  const TBytes swf = movie.ShowFrame().End().Fws();
  TBookFiles files = kEntries;
  files.emplace_back("book.swf", std::string(swf.begin(), swf.end()));
  TPlayer player = Start(files);
  ASSERT_TRUE(player.WaitForWindow());

  auto ended = [](const TStandinTrace& trace, const std::string& url) {
    return !trace.All("received", url).empty() || !trace.All("fetch", url).empty();
  };
  ASSERT_TRUE(WaitForTrace(player, [&](const TStandinTrace& trace) {
    for (const TRequestCase& c : kCases) {
      if (!ended(trace, c.Received)) return false;
    }
    return true;
  })) << "not every download ended; trace:\n"
      << TraceText();

  const TStandinTrace trace = Trace();
  for (const TRequestCase& c : kCases) {
    SCOPED_TRACE(c.Name);
    const auto received = trace.All("received", c.Received);
    if (c.Entry.empty()) {
      EXPECT_TRUE(received.empty());
      EXPECT_EQ(trace.All("fetch", c.Received).size(), 1u);
    } else {
      ASSERT_EQ(received.size(), 1u);
      const std::string bytes = EntryBytes(c.Entry);
      EXPECT_EQ((*received[0])["bytes"], std::to_string(bytes.size()));
      EXPECT_EQ((*received[0])["md5"], Md5Hex(bytes));
      EXPECT_EQ((*received[0])["via"], c.Via);
    }
    // The log's lines naming this request (by any of the texts its lines carry), in order.
    std::set<std::string> names;
    for (const std::string& line : c.Log) names.insert(Bracketed(line));
    std::vector<std::string> logged;
    for (const std::string& message : LogMessagesWith("[")) {
      if (names.count(Bracketed(message))) logged.push_back(message);
    }
    EXPECT_EQ(logged, c.Log);
  }
  EXPECT_TRUE(player.Running());
}

}  // namespace
}  // namespace leafmark::test
