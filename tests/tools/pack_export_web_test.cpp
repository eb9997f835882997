// leafmark-pack export-web driven as a publisher drives it: the web copy holds the book's
// files byte for byte (less the runtime), Ruffle and a page titled with the caption, and every
// refusal leaves the target as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "tests/support/archive_builder.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace leafmark {
namespace {

namespace fs = std::filesystem;
using test::BytesOf;
using test::TBytes;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void Write(const std::string& name, const std::string& content) {
  fs::create_directories(fs::path(name).parent_path());
  test::WriteFileText(name, content);
}

// Every regular file below dir by its relative name.
std::map<std::string, TBytes> FilesBelow(const std::string& dir) {
  std::map<std::string, TBytes> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) {
      files[entry.path().lexically_relative(dir).generic_string()] = test::ReadFileBytes(entry.path().string());
    }
  }
  return files;
}

// Text of 8-bit letters (U+0000 to U+00FF) as UTF-16, little-endian, with its byte order mark.
std::string Utf16WithMark(const std::string& latin1) {
  std::string bytes = "\xFF\xFE";
  for (const char c : latin1) bytes += std::string{c, '\0'};
  return bytes;
}

std::string Title(const std::string& page) {
  const std::size_t open = page.find("<title>"), close = page.find("</title>");
  return open == std::string::npos || close == std::string::npos ? "(no title)" : page.substr(open + 7, close - open - 7);
}

class PackExportWebTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A stand-in for Ruffle's self-hosted files: what the export copies, and what it leaves.
    for (const char* name : {"ruffle.js", "core.ruffle.1234.js", "abcd.wasm", "LICENSE_MIT", "LICENSE_APACHE",
                             "ruffle.js.map", "README.md"}) {
      Write(tmp_.File("ruffle/" + std::string(name)), std::string("ruffle's ") + name);
    }
    Write(tmp_.File("ruffle/package.json"), "{\"name\":\"@ruffle-rs/ruffle\",\"version\":\"9.8.7\"}");
  }
  test::TRun Export(const std::string& arguments) const {
    return test::RunProgram(std::string(LEAFMARK_PACK) + " export-web " + arguments + " --ruffle " + tmp_.File("ruffle"));
  }
  std::string Target() const { return tmp_.File("site"); }
  void WriteBook(const std::vector<std::pair<std::string, std::string>>& files) const {
    test::WriteFileBytes(tmp_.File("book.exe"), test::MakeBook(files).Build());
  }
  std::string Page() const {
    const TBytes page = test::ReadFileBytes(Target() + "/index.html");
    return {page.begin(), page.end()};
  }
  test::TTempDir tmp_;
};

const std::vector<std::pair<std::string, std::string>> kBookFiles = {
    {"book.swf", "main movie"},        {"ExeConfig.xml", "<ExeConfig><ExeCaption>My &amp; \"Book\"</ExeCaption>"
                                                         "<WindowOpenMode>1</WindowOpenMode><WindowOpenWidth/>"
                                                         "<WindowOpenHeight/></ExeConfig>"},
    {"files/large/1.swf", "page one"}, {"files/thumb/1.jpg", ""},
    {"Flash.ocx", "MZ the runtime"},   {"files/book.bin", std::string("\0\1\2\xFF", 4)},
};

TEST_F(PackExportWebTest, APackedBookAndItsFolderGiveTheSameFilesLessTheRuntime) {
  std::map<std::string, TBytes> expected;
  for (const auto& [name, content] : kBookFiles) {
    Write(tmp_.File("folder/" + name), content);
    if (name != "Flash.ocx") expected[name] = BytesOf(content);
  }
  for (const char* name : {"ruffle.js", "core.ruffle.1234.js", "abcd.wasm", "LICENSE_MIT", "LICENSE_APACHE"}) {
    expected[std::string("ruffle/") + name] = BytesOf(std::string("ruffle's ") + name);
  }
  WriteBook(kBookFiles);
  for (const std::string& book : {tmp_.File("book.exe"), tmp_.File("folder")}) {
    fs::remove_all(Target());
    const test::TRun run = Export(book + " --to " + Target());
    ASSERT_EQ(run.ExitCode, 0) << book << ": " << run.Both();
    EXPECT_TRUE(Contains(run.Out, "Ruffle 9.8.7")) << run.Out;
    std::map<std::string, TBytes> written = FilesBelow(Target());
    const std::string page = Page();
    written.erase("index.html");
    EXPECT_EQ(written, expected) << book;
    EXPECT_EQ(Title(page), "My &amp; &quot;Book&quot;") << book;
    EXPECT_TRUE(Contains(page, "const movie = \"book.swf\";")) << book;
    EXPECT_TRUE(Contains(page, "const fullScreenAtStart = false;")) << book;
    EXPECT_TRUE(Contains(page, "<script src=\"ruffle/ruffle.js\">")) << book;
  }
}

TEST_F(PackExportWebTest, TheTitleFollowsThePlayersCaption) {
  const std::string config = "<ExeConfig><ExeCaption>{}</ExeCaption><WindowOpenMode>{mode}</WindowOpenMode>"
                             "<WindowOpenWidth/><WindowOpenHeight/></ExeConfig>";
  const auto settings = [&](const std::string& prolog, const std::string& caption, const std::string& mode) {
    std::string text = prolog + config;
    text.replace(text.find("{}"), 2, caption);
    text.replace(text.find("{mode}"), 6, mode);
    return text;
  };
  const struct {
    const char* what;
    std::optional<std::string> settings;  // none: the book has no ExeConfig.xml
    const char* title;
    bool fullScreen;
  } cases[] = {
      {"UTF-8", settings("", "B\xC3\xBC" "cher &lt;1&gt;", "2"), "B\xC3\xBC" "cher &lt;1&gt;", false},
      {"ISO-8859-1", settings("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", "B\xFC" "cher", "3"),
       "B\xC3\xBC" "cher", true},
      {"UTF-16", Utf16WithMark(settings("", "\xFC", "")),
       "\xC3\xBC", false},
      {"screen saver", settings("", "Saver", "4"), "Saver", true},
      {"a missing element", std::string("<ExeConfig><ExeCaption>Partial</ExeCaption></ExeConfig>"), "Leafmark", false},
      {"no settings", std::nullopt, "Leafmark", false},
  };
  for (const auto& c : cases) {
    std::vector<std::pair<std::string, std::string>> files = {{"book.swf", "movie"}};
    if (c.settings) files.emplace_back("execonfig.XML", *c.settings);
    WriteBook(files);
    fs::remove_all(Target());
    const test::TRun run = Export(tmp_.File("book.exe") + " --to " + Target());
    ASSERT_EQ(run.ExitCode, 0) << c.what << ": " << run.Both();
    EXPECT_EQ(Title(Page()), c.title) << c.what;
    EXPECT_TRUE(Contains(Page(), std::string("fullScreenAtStart = ") + (c.fullScreen ? "true" : "false"))) << c.what;
  }
}

TEST_F(PackExportWebTest, ThePlayersLookupDecidesWhichEntryANameMeans) {
  test::TRawBook book = test::MakeBook({{"Book.SWF", "first"}, {"book.swf", "second"}, {"a\\b.jpg", "slashed"}});
  book.Index += "ghost=9\r\n";
  test::WriteFileBytes(tmp_.File("book.exe"), book.Build());
  const test::TRun run = Export(tmp_.File("book.exe") + " --to " + Target());
  ASSERT_EQ(run.ExitCode, 0) << run.Both();
  EXPECT_TRUE(Contains(run.Err, "skipped \"book.swf\"")) << run.Err;
  EXPECT_TRUE(Contains(run.Err, "skipped \"ghost\"")) << run.Err;
  EXPECT_EQ(test::ReadFileBytes(Target() + "/Book.SWF"), BytesOf("first"));
  EXPECT_EQ(test::ReadFileBytes(Target() + "/a/b.jpg"), BytesOf("slashed"));  // as a browser reads "a\b.jpg"
  EXPECT_FALSE(fs::exists(Target() + "/book.swf") && !fs::equivalent(Target() + "/book.swf", Target() + "/Book.SWF"));
  EXPECT_TRUE(Contains(Page(), "const movie = \"Book.SWF\";")) << Page();
}

TEST_F(PackExportWebTest, ABookWithoutAMainMovieGetsAPageThatSaysSo) {
  WriteBook({{"page.jpg", "jpeg"}});
  const test::TRun run = Export(tmp_.File("book.exe") + " --to " + Target());
  ASSERT_EQ(run.ExitCode, 0) << run.Both();
  EXPECT_TRUE(Contains(run.Err, "no \"book.swf\"")) << run.Err;
  EXPECT_TRUE(Contains(Page(), "const movie = null;"));
  EXPECT_TRUE(Contains(Page(), "has no main movie"));
}

TEST_F(PackExportWebTest, RefusalsWriteNothing) {
  const struct {
    const char* what;
    std::vector<std::pair<std::string, std::string>> files;
    const char* reason;
  } books[] = {
      {"a name with \"..\"", {{"book.swf", "m"}, {"../escape.txt", "x"}}, "../escape.txt"},
      {"a name going up from below", {{"book.swf", "m"}, {"a/../../up.txt", "x"}}, "a/../../up.txt"},
      {"an absolute name", {{"book.swf", "m"}, {"/etc/passwd", "x"}}, "/etc/passwd"},
      {"a drive letter", {{"book.swf", "m"}, {"C:/drive.txt", "x"}}, "C:/drive.txt"},
      {"an empty part", {{"book.swf", "m"}, {"a//b.txt", "x"}}, "a//b.txt"},
      {"the page's name", {{"book.swf", "m"}, {"Index.HTML", "x"}}, "Index.HTML"},
      {"Ruffle's folder", {{"book.swf", "m"}, {"ruffle/ruffle.js", "x"}}, "ruffle/ruffle.js"},
      {"a file that another needs as a folder", {{"files", "x"}, {"files/1.swf", "m"}}, "needs it to be a folder"},
  };
  for (const auto& book : books) {
    WriteBook(book.files);
    const test::TRun run = Export(tmp_.File("book.exe") + " --to " + Target());
    EXPECT_EQ(run.ExitCode, 1) << book.what;
    EXPECT_TRUE(Contains(run.Err, book.reason)) << book.what << ": " << run.Err;
    EXPECT_FALSE(fs::exists(Target())) << book.what;
    EXPECT_FALSE(fs::exists(tmp_.File("escape.txt"))) << book.what;
  }

  WriteBook({{"book.swf", "m"}});
  test::TRawBook altered = test::MakeBook({{"book.swf", "movie"}}, true);
  altered.StoredDigest = TBytes(16, 7);  // as when the content changed after packing
  test::WriteFileBytes(tmp_.File("altered.exe"), altered.Build());
  Write(Target() + "/earlier.txt", "an earlier file");
  const struct {
    const char* what;
    std::string arguments;
    int exitCode;
    const char* reason;
  } runs[] = {
      {"a folder that is not empty", tmp_.File("book.exe") + " --to " + Target(), 1, "is not empty"},
      {"a missing book", tmp_.File("missing.exe") + " --to " + tmp_.File("other"), 1, "does not exist"},
      {"a file that holds no book", tmp_.File("ruffle/README.md") + " --to " + tmp_.File("other"), 1,
       "Can not find extent section"},
      {"a book altered after packing with a digest", tmp_.File("altered.exe") + " --to " + tmp_.File("other"), 1,
       "Content Valid failed!"},
      {"a target inside the book folder", tmp_.File("ruffle") + " --to " + tmp_.File("ruffle/web"), 1,
       "inside the book folder"},
      {"--ruffle given twice", tmp_.File("book.exe") + " --to " + tmp_.File("other") + " --ruffle " + tmp_.File("none"), 2,
       "given twice"},
      {"no --to", tmp_.File("book.exe"), 2, "--to is required"},
      {"two books", tmp_.File("book.exe") + " " + tmp_.File("book.exe") + " --to " + tmp_.File("other"), 2,
       "exactly one BOOK"},
  };
  for (const auto& c : runs) {
    const test::TRun run = Export(c.arguments);
    EXPECT_EQ(run.ExitCode, c.exitCode) << c.what << ": " << run.Both();
    EXPECT_TRUE(Contains(run.Err, c.reason)) << c.what << ": " << run.Err;
    EXPECT_FALSE(fs::exists(tmp_.File("other"))) << c.what;
    EXPECT_FALSE(fs::exists(tmp_.File("ruffle/web"))) << c.what;
  }
  EXPECT_EQ(FilesBelow(Target()).size(), 1u);

  const test::TRun noRuffle = test::RunProgram(std::string(LEAFMARK_PACK) + " export-web " + tmp_.File("book.exe") +
                                               " --to " + tmp_.File("other") + " --ruffle " + tmp_.File("none"));
  EXPECT_EQ(noRuffle.ExitCode, 1);
  EXPECT_TRUE(Contains(noRuffle.Err, tmp_.File("none")) && Contains(noRuffle.Err, "scripts/setup")) << noRuffle.Err;
  EXPECT_FALSE(fs::exists(tmp_.File("other")));
}

TEST_F(PackExportWebTest, ForceWritesIntoAFolderButNeverThroughASymbolicLink) {
  WriteBook({{"book.swf", "movie"}, {"files/1.jpg", "page"}});
  Write(Target() + "/earlier.txt", "an earlier file");
  Write(Target() + "/book.swf", "an earlier movie");
  const test::TRun forced = Export(tmp_.File("book.exe") + " --to " + Target() + " --force");
  ASSERT_EQ(forced.ExitCode, 0) << forced.Both();
  EXPECT_EQ(test::ReadFileBytes(Target() + "/book.swf"), BytesOf("movie"));
  EXPECT_EQ(test::ReadFileBytes(Target() + "/earlier.txt"), BytesOf("an earlier file"));

  fs::remove_all(Target() + "/files");
  fs::create_directories(tmp_.File("elsewhere"));
  fs::create_directory_symlink(tmp_.File("elsewhere"), Target() + "/files");
  const test::TRun linked = Export(tmp_.File("book.exe") + " --to " + Target() + " --force");
  EXPECT_EQ(linked.ExitCode, 1);
  EXPECT_TRUE(Contains(linked.Err, "symbolic link")) << linked.Err;
  EXPECT_TRUE(fs::is_empty(tmp_.File("elsewhere")));
}

TEST_F(PackExportWebTest, HelpSaysWhereRuffleIsLookedFor) {
  const test::TRun help = test::RunProgram(std::string(LEAFMARK_PACK) + " export-web --help");
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_TRUE(Contains(help.Out, "LEAFMARK_RUFFLE_DIR")) << help.Out;
  EXPECT_TRUE(Contains(help.Out, "node_modules/@ruffle-rs/ruffle")) << help.Out;
  EXPECT_TRUE(Contains(test::RunProgram(std::string(LEAFMARK_PACK) + " --help").Out, "export-web"));
}

}  // namespace
}  // namespace leafmark
