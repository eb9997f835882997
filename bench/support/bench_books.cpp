#include "bench/support/bench_books.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "archive/extent_index.h"
#include "archive/extent_writer.h"
#include "base/stream.h"

namespace leafmark::bench {

namespace {

// xorshift64*: fast enough to generate hundreds of megabytes in a moment.
class TPatternSource final : public TStream {
 public:
  explicit TPatternSource(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull | 1) {}
  std::int64_t Read(void* buffer, std::int64_t count) override {
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::int64_t i = 0; i < count; i += 8) {
      state_ ^= state_ >> 12;
      state_ ^= state_ << 25;
      state_ ^= state_ >> 27;
      const std::uint64_t value = state_ * 0x2545F4914F6CDD1Dull;
      std::memcpy(out + i, &value, static_cast<std::size_t>(std::min<std::int64_t>(8, count - i)));
    }
    return count;
  }
  std::int64_t Write(const void*, std::int64_t) override { throw EStreamError("read only"); }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return 0; }

 private:
  std::uint64_t state_;
};

class TZeroSource final : public TStream {
 public:
  std::int64_t Read(void* buffer, std::int64_t count) override {
    std::memset(buffer, 0, static_cast<std::size_t>(count));
    return count;
  }
  std::int64_t Write(const void*, std::int64_t) override { throw EStreamError("read only"); }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return 0; }
};

// Passes writes to the file, except that a piece of zeros only moves the position past it:
// the file system leaves a hole there, which reads as zeros.
class THoleyFile final : public TStream {
 public:
  explicit THoleyFile(const std::string& path) : file_(path, TFileStream::TMode::Create) {}
  std::int64_t Read(void*, std::int64_t) override { throw EStreamError("write only"); }
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    const bool zeros = count > 0 && bytes[0] == 0 &&
                       std::memcmp(bytes, bytes + 1, static_cast<std::size_t>(count - 1)) == 0;
    if (!zeros) return file_.Write(buffer, count);
    file_.Seek(count, TSeekOrigin::Current);
    return count;
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override { return file_.Seek(offset, origin); }

 private:
  TFileStream file_;
};

}  // namespace

std::vector<std::uint8_t> PatternBytes(std::int64_t size, std::uint64_t seed) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  TPatternSource(seed).Read(bytes.data(), size);
  return bytes;
}

void AddFiller(std::vector<TBookEntry>& entries, std::int64_t prefixBytes, int entryCount, std::int64_t totalBytes) {
  std::int64_t used = prefixBytes;
  for (const TBookEntry& entry : entries) used += entry.Bytes.empty() ? entry.Size : static_cast<std::int64_t>(entry.Bytes.size());
  const int missing = entryCount - 1 - static_cast<int>(entries.size());
  if (missing <= 0) return;
  const std::int64_t each = std::max<std::int64_t>(0, (totalBytes - used) / missing);
  for (int i = 0; i < missing; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "files/page%03d.jpg", i + 1);
    entries.push_back({name, each, {}, false, static_cast<std::uint64_t>(1000 + i)});
  }
}

std::int64_t WriteBook(const std::string& path, const std::vector<std::uint8_t>& prefix,
                       const std::vector<TBookEntry>& entries, bool digest) {
  THoleyFile out(path);
  out.WriteBuffer(prefix.data(), static_cast<std::int64_t>(prefix.size()));
  std::vector<std::string> names;
  for (const TBookEntry& entry : entries) names.push_back(entry.Name);
  const std::string index = BuildIndexText(names);
  TExtentWriter writer(out, digest);
  writer.AddEntry(index.data(), static_cast<std::int64_t>(index.size()));
  for (const TBookEntry& entry : entries) {
    if (!entry.Bytes.empty()) {
      writer.AddEntry(entry.Bytes.data(), static_cast<std::int64_t>(entry.Bytes.size()));
    } else if (entry.Zeros) {
      TZeroSource zeros;
      writer.AddEntry(zeros, entry.Size);
    } else {
      TPatternSource pattern(entry.Seed);
      writer.AddEntry(pattern, entry.Size);
    }
  }
  writer.Finish();
  return out.Position();
}

}  // namespace leafmark::bench
