// The catalog of checked books: a book is read and checked once while it stays the same, and
// again whenever it is changed, replaced, or so freshly written that its write time cannot
// yet tell a later change apart.
#include "archive/book_catalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "archive/entry_lookup.h"
#include "archive/extent_layout.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace leafmark {
namespace {

using namespace std::chrono_literals;
using test::MakeBook;
using test::TBytes;

const std::vector<std::pair<std::string, std::string>> kFiles = {{"book.swf", "main movie"},
                                                                 {"pages/1.png", "first page"}};

// The book of kFiles with a digest, one byte of its movie changed afterwards: same size, but
// the digest no longer holds.
TBytes AlteredBook() {
  TBytes bytes = MakeBook(kFiles, true).Build();
  const std::string movie = "main movie";
  *std::search(bytes.begin(), bytes.end(), movie.begin(), movie.end()) = 'M';
  return bytes;
}

class BookCatalogTest : public ::testing::Test {
 protected:
  // Writes bytes to path and dates the file back by age.
  static void WriteDated(const std::string& path, const TBytes& bytes, std::chrono::minutes age) {
    test::WriteFileBytes(path, bytes);
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - age);
  }
  // The number of full checks that the look-ups run.
  static std::uint64_t ChecksFor(const std::function<void()>& lookUps) {
    const std::uint64_t before = BookValidationCount();
    lookUps();
    return BookValidationCount() - before;
  }
  static std::string Movie(const std::string& book) {
    const auto memory = ReadEntryToMemory("book.swf", book);
    return memory ? memory->Text() : "<absent>";
  }

  test::TTempDir dir_;
  std::string book_ = dir_.File("book.exe");
};

TEST_F(BookCatalogTest, ChecksABookOnceWhileItStaysTheSame) {
  WriteDated(book_, MakeBook(kFiles, true).Build(), 60min);
  EXPECT_EQ(ChecksFor([&] {
              for (int i = 0; i < 5; ++i) {
                EXPECT_EQ(GetEntryNumber("PAGES/1.png", book_), 2);
                EXPECT_EQ(Movie(book_), "main movie");
                EXPECT_EQ(GetEntryNumber("missing", book_), 0);
              }
            }),
            1u);
}

TEST_F(BookCatalogTest, ABookThatFailsItsCheckKeepsFailingWithoutBeingReadAgain) {
  WriteDated(book_, AlteredBook(), 60min);
  EXPECT_EQ(ChecksFor([&] {
              for (int i = 0; i < 3; ++i) EXPECT_EQ(Movie(book_), "<absent>");
            }),
            1u);
  EXPECT_THROW(OpenValidatedBook(book_), EExtentError);
}

TEST_F(BookCatalogTest, AChangedOrReplacedBookIsCheckedAgain) {
  struct TCase {
    const char* Name;
    std::function<void(const std::string&)> Change;
    std::string Movie;  // after the change
  };
  const TCase cases[] = {
      {"written again in place, same size, digest broken",
       [&](const std::string& path) { WriteDated(path, AlteredBook(), 30min); }, "<absent>"},
      {"replaced by renaming another book over it, same size and date",
       [&](const std::string& path) {
         const std::string other = path + ".new";
         WriteDated(other, MakeBook({{"book.swf", "next movie"}, {"pages/1.png", "first page"}}, true).Build(), 60min);
         std::filesystem::last_write_time(other, std::filesystem::last_write_time(path));
         std::filesystem::rename(other, path);
       },
       "next movie"},
      {"grown", [&](const std::string& path) {
         TBytes bytes = MakeBook(kFiles, true).Build();
         bytes.push_back(0);
         WriteDated(path, bytes, 30min);
       },
       "<absent>"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = dir_.File(std::string("book-") + std::to_string(&c - cases) + ".exe");
    WriteDated(path, MakeBook(kFiles, true).Build(), 60min);
    ASSERT_EQ(Movie(path), "main movie");
    c.Change(path);
    EXPECT_EQ(ChecksFor([&] {
                EXPECT_EQ(Movie(path), c.Movie);
                EXPECT_EQ(Movie(path), c.Movie);
              }),
              1u);
  }
}

TEST_F(BookCatalogTest, ABookWrittenJustNowIsCheckedAtEveryLookUp) {
  test::WriteFileBytes(book_, MakeBook(kFiles, true).Build());
  EXPECT_EQ(ChecksFor([&] {
              EXPECT_EQ(Movie(book_), "main movie");
              EXPECT_EQ(Movie(book_), "main movie");
            }),
            2u);
}

}  // namespace
}  // namespace leafmark
