// MD5 throughput, and what one lookup costs on a book the size of a shipped one:
// 13 MB in 49 entries, with and without digest (the digest is checked at every lookup).
#include <benchmark/benchmark.h>

#include <memory>

#include "archive/entry_lookup.h"
#include "archive/md5.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace {

using leafmark::test::TBytes;

struct TBook {
  leafmark::test::TTempDir dir;
  std::string path;
};

// 48 files: one of 1 MB ("page.swf"), the rest sharing the remaining 12 MB.
const TBook& BookWith(bool digest) {
  static std::unique_ptr<TBook> books[2];
  auto& slot = books[digest ? 1 : 0];
  if (!slot) {
    slot = std::make_unique<TBook>();
    std::vector<std::pair<std::string, std::string>> files{{"page.swf", std::string(1 << 20, 'p')}};
    for (int k = 1; k < 48; ++k) files.push_back({"files/large/" + std::to_string(k) + ".swf", std::string(12 * 1000 * 1000 / 47, 'x')});
    leafmark::test::TRawBook book = leafmark::test::MakeBook(files, digest);
    book.Prefix = TBytes(930816, 0x90);
    slot->path = slot->dir.File("book.exe");
    leafmark::test::WriteFileBytes(slot->path, book.Build());
  }
  return *slot;
}

void MD5Throughput(benchmark::State& state) {
  const TBytes data(static_cast<std::size_t>(state.range(0)), 0xA5);
  for (auto _ : state) benchmark::DoNotOptimize(leafmark::MD5Buffer(data.data(), data.size()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(MD5Throughput)->Arg(64 << 10)->Arg(16 << 20);

void GetEntryNumberCost(benchmark::State& state) {
  const TBook& book = BookWith(state.range(0) != 0);
  for (auto _ : state) benchmark::DoNotOptimize(leafmark::GetEntryNumber("files/large/47.swf", book.path));
}
BENCHMARK(GetEntryNumberCost)->ArgName("digest")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void ReadEntryToMemoryOneMegabyte(benchmark::State& state) {
  const TBook& book = BookWith(state.range(0) != 0);
  for (auto _ : state) benchmark::DoNotOptimize(leafmark::ReadEntryToMemory("page.swf", book.path));
}
BENCHMARK(ReadEntryToMemoryOneMegabyte)->ArgName("digest")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
