// Start-up under Wine: from the moment the process is started to the main movie's first byte at
// the stand-in runtime (the time= of its "received" line), for a packed book of 13 MB (the
// player, the stand-in as flash.ocx, a small movie and 46 other files: 49 entries) with and
// without a digest; beside a minimal window program of our own, started the same way, to its
// first paint. The three take turns, round by round, after one round left out; medians. One
// MD5 pass over the book, timed in the same run, is what the digest may add.
//   bench_startup [rounds, default 7]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "archive/md5.h"
#include "bench/startup/child_process.h"
#include "bench/support/bench_books.h"
#include "bench/support/bench_figures.h"
#include "bench/support/system_time.h"
#include "tests/standin_runtime/standin_trace.h"
#include "tests/support/bin_file.h"
#include "tests/support/temp_dir.h"
#include "tools/swf_writer.h"

using namespace leafmark;
using namespace leafmark::bench;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kPatience = std::chrono::seconds(30);

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// ms from starting the book to the first byte of its movie at the stand-in.
double StartBook(const std::string& book, const std::string& trace, const std::string& dir) {
  ::SetEnvironmentVariableA("LEAFMARK_STANDIN_TRACE", trace.c_str());
  const std::int64_t started = SystemMicroseconds();
  const TChildProcess player(Wide(book), L"", Wide(dir));
  const auto deadline = Clock::now() + kPatience;
  while (Clock::now() < deadline) {
    if (player.WaitForExit(10)) throw std::runtime_error("the player ended before its movie came: " + book);
    // Kept whole: All() points into the trace it was asked of.
    const test::TStandinTrace written = test::TStandinTrace::Read(trace);
    const auto received = written.All("received");
    if (!received.empty()) {
      const std::string time = (*received.front())["time"];
      // A line read while it is being written lacks its last fields: read it again.
      if (time.empty() || time.front() < '0' || time.front() > '9') continue;
      return static_cast<double>(std::stoll(time) - started) / 1000.0;
    }
  }
  std::string lines;
  const test::TStandinTrace written = test::TStandinTrace::Read(trace);
  for (const auto& event : written.Events()) lines += "\n  " + event.Line;
  throw std::runtime_error("no movie reached the stand-in within 30 s: " + book + "; its trace:" + lines);
}

// ms from starting the minimal window program to its first paint.
double StartMinimal(const std::string& program, const std::string& timeFile, const std::string& dir) {
  const std::int64_t started = SystemMicroseconds();
  {
    const TChildProcess minimal(Wide(program), L"\"" + Wide(timeFile) + L"\"", Wide(dir));
    if (!minimal.WaitForExit(static_cast<DWORD>(std::chrono::milliseconds(kPatience).count()))) {
      throw std::runtime_error("the minimal window program did not end within 30 s");
    }
  }
  std::ifstream in(timeFile);
  long long painted = 0;
  if (!(in >> painted)) throw std::runtime_error("the minimal window program wrote no time");
  return static_cast<double>(painted - started) / 1000.0;
}

double Median(const std::vector<double>& samples) { return Percentile(samples, 50); }

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  TFigures figures;
  try {
    test::TTempDir dir;
    const std::vector<std::uint8_t> player = test::ReadFileBytes(test::BinFile("leafmark-player.exe"));
    const std::vector<std::uint8_t> standin = test::ReadFileBytes(test::BinFile("flash.ocx"));
    tools::TSwfWriter movie(8, tools::TSwfFrame{0, 11000, 0, 8000}, 12 << 8, 1);
    const tools::TBytes swf = movie.Background(0x336699).ShowFrame().End().Fws();

    std::vector<TBookEntry> entries = {{"book.swf", 0, swf}, {"flash.ocx", 0, standin}};
    AddFiller(entries, static_cast<std::int64_t>(player.size()), 49, 13 << 20);
    const std::string plain = dir.File("book_13mb.exe"), digest = dir.File("book_13mb_digest.exe");
    Progress("writing the books");
    const std::int64_t bookBytes = WriteBook(plain, player, entries, false);
    WriteBook(digest, player, entries, true);
    const std::string minimal = test::BinFile("startup_minimal_window.exe");
    // The player checks a book written within the last two seconds again at every look-up, as
    // it may still be changing: the books must be older than that, as a reader's book is.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));

    std::vector<double> minimalTimes, plainTimes, digestTimes;
    for (int round = 0; round <= rounds; ++round) {
      Progress(round == 0 ? "a first round, left out" : "round " + std::to_string(round) + " of " + std::to_string(rounds));
      const std::string n = std::to_string(round);
      const double m = StartMinimal(minimal, dir.File("minimal_" + n + ".txt"), dir.Path());
      const double p = StartBook(plain, dir.File("trace_plain_" + n + ".log"), dir.Path());
      const double d = StartBook(digest, dir.File("trace_digest_" + n + ".log"), dir.Path());
      if (round == 0) continue;
      minimalTimes.push_back(m);
      plainTimes.push_back(p);
      digestTimes.push_back(d);
    }
    ::SetEnvironmentVariableA("LEAFMARK_STANDIN_TRACE", nullptr);

    const std::vector<std::uint8_t> bytes = test::ReadFileBytes(digest);
    std::vector<double> md5Times;
    TMD5Digest sum{};
    for (int i = 0; i < 5; ++i) {
      const auto start = Clock::now();
      sum = MD5Buffer(bytes.data(), bytes.size());
      md5Times.push_back(Milliseconds(Clock::now() - start));
    }

    const double m = Median(minimalTimes), p = Median(plainTimes), d = Median(digestTimes), md5 = Median(md5Times);
    figures.Figure("startup_minimal_window_p50", m, "ms");
    figures.Figure("startup_book_13mb_p50", p, "ms");
    figures.Figure("startup_book_13mb_digest_p50", d, "ms");
    figures.Figure("md5_pass_book_13mb", md5, "ms");
    figures.Target(Format("start-up of the 13 MB book %.1f ms <= 1.5 x the minimal window program = %.1f ms", p, 1.5 * m),
                   p <= 1.5 * m);
    figures.Target(Format("start-up of the 13 MB book with a digest %.1f ms <= 1.5 x the minimal window program + one MD5 "
                          "pass = %.1f ms",
                          d, 1.5 * m + md5),
                   d <= 1.5 * m + md5);
    const auto row = [&](const char* what, const std::vector<double>& times) {
      std::string line = Format("%-22s min %7.1f  median %7.1f  max %7.1f  ms:", what,
                                *std::min_element(times.begin(), times.end()), Median(times),
                                *std::max_element(times.begin(), times.end()));
      for (const double t : times) line += Format(" %.1f", t);
      figures.Detail(line);
    };
    row("minimal window", minimalTimes);
    row("book 13 MB", plainTimes);
    row("book 13 MB, digest", digestTimes);
    row("MD5 pass over the book", md5Times);
    figures.Detail(Format("The book: %lld bytes, 49 entries (the index, book.swf of %zu bytes, flash.ocx, 46 files); "
                          "MD5 of the one with a digest %s.",
                          static_cast<long long>(bookBytes), swf.size(), MD5ToHex(sum).c_str()));
    figures.Detail("Times are system time: taken here just before CreateProcessW, and in the started program (the");
    figures.Detail("minimal window at its first WM_PAINT, the stand-in when the movie's first bytes came). The player");
    figures.Detail("runs without its log; each program is ended once its time is known.");
  } catch (const std::exception& error) {
    figures.Failed(error.what());
  }
  return figures.Print();
}
