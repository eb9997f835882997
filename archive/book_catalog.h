// Books checked once: what reading a book's extent section and index taught (its layout, its
// index, whether its digest held) is kept for the life of the process by the book's path, and
// used for as long as the file keeps its identity. A book replaced or written to while the
// program runs is read and checked again at its next look-up; a changed book whose digest no
// longer holds is refused as before.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/extent_index.h"
#include "base/stream.h"

namespace leafmark {

struct TValidatedBook {
  TValidatedBook() = default;
  TValidatedBook(const TValidatedBook&) = delete;  // Index points into IndexText
  TValidatedBook& operator=(const TValidatedBook&) = delete;

  TFileIdentity Identity;
  std::string Failure;  // the check's message when the book failed it; empty when it passed
  std::int32_t Count = 0;
  std::vector<std::int32_t> Sizes;
  std::int64_t DataStart = 0;
  std::string IndexText;
  std::vector<TIndexLine> Index;

  // The entry that holds name; 0 when there is none, or when the index names no stored entry.
  std::int32_t Find(std::string_view name) const;
};

// A book file, open, with what is known of it.
struct TOpenedBook {
  std::unique_ptr<TFileStream> File;
  std::shared_ptr<const TValidatedBook> Book;
};

// One entry of an open book: where its bytes lie in File.
struct TOpenedEntry {
  std::unique_ptr<TFileStream> File;
  std::int32_t Number = 0;
  std::int64_t Offset = 0;
  std::int64_t Size = 0;
};

// Opens archiveFile (empty: the program's own executable) as TExeExtReader does, checking
// the book only when it is new to the process or has changed. Nothing when the file does not
// exist or cannot be opened; EExtentError with the check's message for a book that fails.
std::optional<TOpenedBook> OpenValidatedBook(const std::string& archiveFile);

// The book opened at the entry that holds name; nothing when the book or the name is absent.
// Fails as OpenValidatedBook does.
std::optional<TOpenedEntry> OpenBookEntry(const std::string& name, const std::string& archiveFile);

// How many times a book was read and checked in full, for the tests that watch the catalog.
std::uint64_t BookValidationCount();

}  // namespace leafmark
