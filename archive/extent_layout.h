// The extent section appended to a book executable: its trailer, size table and digest.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "archive/md5.h"
#include "base/stream.h"

namespace leafmark {

inline constexpr std::uint32_t kExtentCheckMask = 0x12345678;
inline constexpr std::int64_t kExtentTrailerBytes = 13;  // N, flag, X, check
inline constexpr std::int64_t kExtentDigestBytes = 16;
inline constexpr std::int64_t kExtentMaxFileSize = 0x7FFFFFFF;  // positions are 32-bit

inline constexpr const char* kNoExtentSectionMessage = "Can not find extent section";
inline constexpr const char* kContentInvalidMessage = "Content Valid failed!";
inline constexpr const char* kErrorIndexMessage = "Error index";

// A trailer that cannot describe its file, or a digest that does not match.
class EExtentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// File offset of entry index: the data start plus the sizes of the entries before it.
std::int64_t EntryOffset(std::int64_t dataStart, const std::vector<std::int32_t>& sizes, std::int32_t index);

struct TExtentLayout {
  std::int64_t FileSize = 0;     // S
  std::int64_t SectionSize = 0;  // X
  std::int64_t DataStart = 0;    // D = S - X, file offset of entry 0
  std::uint8_t Flag = 0;         // not 0: a digest is stored
  std::int32_t Count = 0;        // N, the index included
  std::vector<std::int32_t> Sizes;
  TMD5Digest StoredDigest{};

  bool HasDigest() const { return Flag != 0; }
  // Bytes the digest covers: X - 29 - 4N.
  std::int64_t CoveredLength() const;
  // Sum of all entry sizes.
  std::int64_t EntryBytes() const;
  // File offset of entry index (0 <= index < Count).
  std::int64_t EntryOffset(std::int32_t index) const { return leafmark::EntryOffset(DataStart, Sizes, index); }
};

// Reads and checks the trailer at the end of file. Values that cannot describe the file
// (X outside it, N negative or too large, sizes negative or adding up past the section)
// fail with kNoExtentSectionMessage before anything is allocated on their strength.
TExtentLayout ReadExtentLayout(TStream& file);

// MD5 of the covered bytes, read in bounded chunks.
TMD5Digest ComputeCoveredDigest(TStream& file, const TExtentLayout& layout);

// Fails with kContentInvalidMessage when the stored digest differs from the computed one.
void VerifyExtentDigest(TStream& file, const TExtentLayout& layout);

}  // namespace leafmark
