#include "archive/book_catalog.h"

#include <chrono>
#include <map>
#include <mutex>

#include "archive/exe_ext_reader.h"
#include "archive/extent_layout.h"

namespace leafmark {

namespace {

// A handful of books at most in one process: the catalog is emptied rather than grown
// without bound when a program walks through many.
constexpr std::size_t kMostBooks = 16;

// File systems keep write times only so finely (some to 2 s, Linux to its clock tick): a book
// written again within that time of the check could keep its identity. A book checked so soon
// after its last write is not kept, and is checked again at its next look-up.
constexpr std::chrono::seconds kWriteTimeGrain{2};

bool WrittenJustNow(const TFileIdentity& identity) {
  const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  return identity.LastWrite > (now - kWriteTimeGrain).count();
}

struct TCatalog {
  std::mutex Lock;
  std::map<std::string, std::shared_ptr<const TValidatedBook>> Books;
  std::uint64_t Validations = 0;
};

TCatalog& Catalog() {
  static TCatalog catalog;
  return catalog;
}

std::shared_ptr<const TValidatedBook> Validate(TFileStream& file, const TFileIdentity& identity) {
  auto book = std::make_shared<TValidatedBook>();
  book->Identity = identity;
  try {
    const TExtentLayout layout = ReadExtentLayout(file);
    if (layout.Count > 0 && layout.HasDigest()) VerifyExtentDigest(file, layout);
    book->Count = layout.Count;
    book->Sizes = layout.Sizes;
    book->DataStart = layout.DataStart;
  } catch (const EExtentError& error) {
    book->Failure = error.what();
    return book;
  }
  if (book->Count > 0) {
    TMemoryStream index;
    CopyFileRange(file, book->DataStart, book->Sizes[0], index);
    book->IndexText = index.Text();
    book->Index = ParseIndexLines(book->IndexText);
  }
  return book;
}

}  // namespace

std::int32_t TValidatedBook::Find(std::string_view name) const {
  for (const TIndexLine& line : Index) {
    if (!SameEntryName(line.Name, name)) continue;
    const std::int32_t number = ParseEntryNumber(line.Value);
    return number > 0 && number < Count ? number : 0;
  }
  return 0;
}

std::optional<TOpenedBook> OpenValidatedBook(const std::string& archiveFile) {
  const std::string name = BookFileName(archiveFile);
  std::unique_ptr<TFileStream> file = OpenBookFile(name);
  if (!file) return std::nullopt;
  const TFileIdentity identity = file->Identity();

  TCatalog& catalog = Catalog();
  std::shared_ptr<const TValidatedBook> book;
  {
    std::lock_guard lock(catalog.Lock);
    if (const auto found = catalog.Books.find(name); found != catalog.Books.end()) book = found->second;
  }
  if (!book || !(book->Identity == identity)) {
    // Checked outside the lock: a digest over a large book takes a while, and look-ups of
    // other books need not wait for it. Two threads may check the same book at once; both
    // come to the same verdict.
    book = Validate(*file, identity);
    std::lock_guard lock(catalog.Lock);
    ++catalog.Validations;
    if (WrittenJustNow(identity)) {
      catalog.Books.erase(name);
    } else {
      if (catalog.Books.size() >= kMostBooks && !catalog.Books.contains(name)) catalog.Books.clear();
      catalog.Books[name] = book;
    }
  }
  if (!book->Failure.empty()) throw EExtentError(book->Failure);
  return TOpenedBook{std::move(file), std::move(book)};
}

std::optional<TOpenedEntry> OpenBookEntry(const std::string& name, const std::string& archiveFile) {
  std::optional<TOpenedBook> opened = OpenValidatedBook(archiveFile);
  if (!opened) return std::nullopt;
  const TValidatedBook& book = *opened->Book;
  const std::int32_t number = book.Find(name);
  if (number == 0) return std::nullopt;
  return TOpenedEntry{std::move(opened->File), number, EntryOffset(book.DataStart, book.Sizes, number),
                      book.Sizes[static_cast<std::size_t>(number)]};
}

std::uint64_t BookValidationCount() {
  TCatalog& catalog = Catalog();
  std::lock_guard lock(catalog.Lock);
  return catalog.Validations;
}

}  // namespace leafmark
