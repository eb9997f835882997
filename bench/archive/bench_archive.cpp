// Archive figures on the host: MD5 beside OpenSSL's in the same run, and what a look-up and a
// 1 MB read cost through the cached look-ups against the uncached reader (which checks the
// trailer, and a digest over the whole book, at every request), on a 13 MB book of 49
// entries and on a 500 MB one, with and without a digest. Prints "bench: <name> <value>
// <unit>" lines first, then details.
//   bench_archive [--quick]   (--quick: fewer repetitions and no 500 MB book)
#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "archive/entry_lookup.h"
#include "archive/exe_ext_reader.h"
#include "archive/extent_index.h"
#include "archive/md5.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace leafmark;

void Print(const std::string& name, double value, const char* unit) {
  std::printf("bench: %s %.3f %s\n", name.c_str(), value, unit);
  std::fflush(stdout);
}

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// MB/s of hash over data, best of a few passes.
double Throughput(const std::vector<std::uint8_t>& data, int passes, const std::function<void()>& hash) {
  double best = 0;
  for (int i = 0; i < passes; ++i) {
    const auto start = Clock::now();
    hash();
    best = std::max(best, static_cast<double>(data.size()) / 1e6 / Seconds(Clock::now() - start));
  }
  return best;
}

void Md5BesideOpenSsl(bool quick) {
  std::vector<std::uint8_t> data(256u << 20);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 131 + (i >> 11));
  const int passes = quick ? 2 : 5;
  TMD5Digest ours{};
  unsigned char theirs[EVP_MAX_MD_SIZE] = {};
  // Interleaved, so that both see the same machine load.
  double oursBest = 0, theirsBest = 0;
  for (int round = 0; round < passes; ++round) {
    oursBest = std::max(oursBest, Throughput(data, 1, [&] { ours = MD5Buffer(data.data(), data.size()); }));
    theirsBest = std::max(theirsBest, Throughput(data, 1, [&] {
      unsigned int length = 0;
      EVP_Digest(data.data(), data.size(), theirs, &length, EVP_md5(), nullptr);
    }));
  }
  if (std::memcmp(ours.data(), theirs, ours.size()) != 0) std::printf("MD5 differs from OpenSSL's!\n");
  Print("md5", oursBest, "MB/s");
  Print("md5_openssl", theirsBest, "MB/s");
  Print("md5_share_of_openssl", 100.0 * oursBest / theirsBest, "% (target >= 90)");
}

struct TBook {
  test::TTempDir dir;
  std::string path;
};

// entries files: "page.swf" of 1 MB, the rest sharing total - 1 MB.
std::unique_ptr<TBook> MakeBookFile(std::int64_t total, int entries, bool digest) {
  auto book = std::make_unique<TBook>();
  std::vector<std::pair<std::string, std::string>> files{{"page.swf", std::string(1 << 20, 'p')}};
  const std::size_t each = static_cast<std::size_t>((total - (1 << 20)) / (entries - 1));
  for (int k = 1; k < entries; ++k) files.push_back({"files/large/" + std::to_string(k) + ".swf", std::string(each, 'x')});
  test::TRawBook raw = test::MakeBook(files, digest);
  raw.Prefix = test::TBytes(930816, 0x90);
  book->path = book->dir.File("book.exe");
  test::WriteFileBytes(book->path, raw.Build());
  // Dated back: a book written moments ago is checked at every look-up, by design.
  std::filesystem::last_write_time(book->path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  return book;
}

struct TPercentiles {
  double P50 = 0, P99 = 0;
};

TPercentiles Measure(int runs, const std::function<void()>& request) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    request();
    times.push_back(Seconds(Clock::now() - start) * 1e3);
  }
  std::sort(times.begin(), times.end());
  const auto at = [&](double share) { return times[std::min(times.size() - 1, static_cast<std::size_t>(share * times.size()))]; };
  return {at(0.5), at(0.99)};
}

// The request as the player made it before the catalog: a reader of its own, the index read
// and searched, then the entry copied.
std::unique_ptr<TMemoryStream> UncachedRead(const std::string& name, const std::string& book) {
  const TExeExtReader reader(book);
  const std::int32_t number = ParseEntryNumber(FindIndexValue(reader.ReadEntryText(0), name));
  if (number <= 0 || number >= reader.Count) return nullptr;
  auto memory = std::make_unique<TMemoryStream>();
  reader.ReadEntry(number, *memory);
  return memory;
}

void ServedFile(const char* label, std::int64_t total, int entries, bool quick) {
  for (const bool digest : {false, true}) {
    std::printf("making the %s book%s...\n", label, digest ? " with a digest" : "");
    std::fflush(stdout);
    const std::unique_ptr<TBook> book = MakeBookFile(total, entries, digest);
    const std::string name = std::string(label) + (digest ? "_digest" : "_plain");
    (void)ReadEntryToMemory("page.swf", book->path);  // the first look-up checks the book
    const int cachedRuns = quick ? 50 : 300;
    const int uncachedRuns = digest ? (total > (100 << 20) ? 3 : (quick ? 5 : 20)) : (quick ? 50 : 300);
    const TPercentiles cached = Measure(cachedRuns, [&] {
      if (!ReadEntryToMemory("page.swf", book->path)) std::printf("page.swf missing!\n");
    });
    const TPercentiles uncached = Measure(uncachedRuns, [&] {
      if (!UncachedRead("page.swf", book->path)) std::printf("page.swf missing!\n");
    });
    const TPercentiles lookUp = Measure(cachedRuns, [&] { (void)GetEntryNumber("files/large/3.swf", book->path); });
    Print("read_1mb_" + name + "_p50", cached.P50, "ms");
    Print("read_1mb_" + name + "_p99", cached.P99, "ms");
    Print("read_1mb_" + name + "_uncached_p50", uncached.P50, "ms");
    Print("read_1mb_" + name + "_uncached_p99", uncached.P99, "ms");
    Print("read_1mb_" + name + "_speedup", uncached.P50 / cached.P50, "x");
    Print("lookup_" + name + "_p50", lookUp.P50 * 1e3, "us");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  Md5BesideOpenSsl(quick);
  ServedFile("13mb", 13 * 1000 * 1000, 49, quick);
  if (!quick) ServedFile("500mb", 500ll * 1000 * 1000, 49, quick);
  return 0;
}
