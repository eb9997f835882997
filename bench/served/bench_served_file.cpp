// The time a 1 MB file of a book takes to reach the stand-in runtime, end to end as the runtime
// sees it: by URL (BindToStorage on the player's moniker until OnStopBinding) and by path
// (CreateFileW, ReadFile in 64 KiB pieces, CloseHandle on the player's fake handle). Books of
// 13 MB (49 entries) and 500 MB, each with and without a digest; each request answered as the
// player answers it, with the look-ups it uses and with those it used before, in the same run.
//   bench_served_file [requests per case, default 200]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "archive/md5.h"
#include "bench/served/served_requests.h"
#include "bench/support/bench_books.h"
#include "bench/support/bench_figures.h"
#include "bench/support/standin_session.h"
#include "tests/support/bin_file.h"
#include "tests/support/temp_dir.h"

using namespace leafmark;
using namespace leafmark::bench;
using Clock = std::chrono::steady_clock;

namespace {

constexpr char kServedName[] = "files/served.bin";
constexpr std::int64_t kServedBytes = 1 << 20;
// The uncached look-ups hash a book with a digest at every request: a case stops early once
// it has taken this long, with at least kFewestRequests requests.
constexpr auto kCaseBudget = std::chrono::seconds(8);
constexpr std::size_t kFewestRequests = 5;

struct TBook {
  std::string Label;  // "13mb", "500mb_digest", ...
  std::int64_t Total;
  bool Digest;
  std::string Path;
};

struct TCase {
  std::vector<double> Samples;  // ms, the first request left out
  double First = 0;             // ms: the first request, which checks a book new to the process
};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Runs one request; its time in ms, or throws when the stand-in reports a failure.
double TimeRequest(const TStandinSession& session, const std::wstring& command) {
  const auto start = Clock::now();
  const HRESULT result = session.Run(command);
  const double elapsed = Milliseconds(Clock::now() - start);
  if (result != S_OK) {
    char text[64];
    std::snprintf(text, sizeof text, " answered 0x%08lX", static_cast<unsigned long>(result));
    throw std::runtime_error(Narrow(command) + text);
  }
  return elapsed;
}

TCase RunCase(const TStandinSession& session, const std::wstring& command, int requests) {
  TCase measured;
  measured.First = TimeRequest(session, command);
  const auto started = Clock::now();
  while (static_cast<int>(measured.Samples.size()) < requests &&
         (measured.Samples.size() < kFewestRequests || Clock::now() - started < kCaseBudget)) {
    measured.Samples.push_back(TimeRequest(session, command));
  }
  return measured;
}

// Every line the stand-in wrote for word says it got the whole file, and there are as many
// as requests were made.
void CheckDelivered(const TStandinSession& session, const char* event, const std::wstring& word, std::size_t expected) {
  const test::TStandinTrace trace = session.Trace();
  const auto events = trace.All(event, Narrow(word));
  if (events.size() != expected) {
    throw std::runtime_error(std::string(event) + " lines: " + std::to_string(events.size()) + " for " +
                             std::to_string(expected) + " requests");
  }
  for (const auto* line : events) {
    if ((*line)["bytes"] != std::to_string(kServedBytes)) throw std::runtime_error("short delivery: " + line->Line);
  }
}

// The p50 and p99 of 200 calls of what a cached look-up asks of the system for a book: opening
// it (with the check that it exists), and reading its identity from the open handle. Under
// Wine these cost far more than on Windows, and they are most of a cached look-up.
void TimeSystemCalls(const std::string& book, TFigures& figures) {
  std::vector<double> opens, identities;
  for (int i = 0; i < 200; ++i) {
    auto start = Clock::now();
    const DWORD attributes = ::GetFileAttributesA(book.c_str());
    const HANDLE file = ::CreateFileA(book.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    opens.push_back(Milliseconds(Clock::now() - start));
    if (attributes == INVALID_FILE_ATTRIBUTES || file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + book);
    BY_HANDLE_FILE_INFORMATION info{};
    start = Clock::now();
    const BOOL known = ::GetFileInformationByHandle(file, &info);
    identities.push_back(Milliseconds(Clock::now() - start));
    ::CloseHandle(file);
    if (!known) throw std::runtime_error("GetFileInformationByHandle failed");
  }
  figures.Detail(Format("%-34s %6zu %10s %10.3f %10.3f", "system: attributes + open", opens.size(), "",
                        Percentile(opens, 50), Percentile(opens, 99)));
  figures.Detail(Format("%-34s %6zu %10s %10.3f %10.3f", "system: GetFileInformationByHandle", identities.size(), "",
                        Percentile(identities, 50), Percentile(identities, 99)));
}

}  // namespace

int main(int argc, char** argv) {
  const int requests = argc > 1 ? std::atoi(argv[1]) : 200;
  TFigures figures;
  try {
    test::TTempDir dir;
    TStandinSession session(dir.File("trace.log"));
    const std::vector<std::uint8_t> player = test::ReadFileBytes(test::BinFile("leafmark-player.exe"));
    const std::vector<std::uint8_t> served = PatternBytes(kServedBytes, 7);
    const std::string servedMd5 = MD5ToHex(MD5Buffer(served.data(), served.size()));

    std::vector<TBook> books = {{"13mb", 13 << 20, false, ""},
                                {"13mb_digest", 13 << 20, true, ""},
                                {"500mb", 500 << 20, false, ""},
                                {"500mb_digest", 500 << 20, true, ""}};
    for (TBook& book : books) {
      Progress("writing the " + book.Label + " book");
      std::vector<TBookEntry> entries = {{kServedName, 0, served}};
      AddFiller(entries, static_cast<std::int64_t>(player.size()), 49, book.Total);
      book.Path = dir.File("book_" + book.Label + ".exe");
      const std::int64_t size = WriteBook(book.Path, player, entries, book.Digest);
      figures.Detail(Format("book %-13s %11lld bytes, 49 entries, the player's %zu bytes before them", book.Label.c_str(),
                            static_cast<long long>(size), player.size()));
    }
    // A book written within the last two seconds is checked again at every look-up, as it
    // may still be changing: the books must be older than that, as a reader's book is.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));

    const std::wstring url = session.Url(kServedName);
    const std::wstring path = session.Path(kServedName);
    std::size_t urlRequests = 0, pathRequests = 0, reads = 0;
    figures.Detail("");
    figures.Detail(Format("%-34s %6s %10s %10s %10s %10s", "case (1 MB file)", "n", "first ms", "p50 ms", "p99 ms",
                          "answer p50"));
    std::map<std::string, double> p50;
    for (const TBook& book : books) {
      for (const TLookups lookups : {TLookups::Cached, TLookups::Uncached}) {
        const std::string kind = lookups == TLookups::Cached ? "cached" : "uncached";
        // How long the player's answer itself takes, within each request.
        std::vector<double> answers;
        session.Control().OnUrl = [&](const std::wstring& asked, std::unique_ptr<TStream>& stream, bool& handled) {
          const auto start = Clock::now();
          AnswerUrl(lookups, book.Path, asked, stream, handled);
          answers.push_back(Milliseconds(Clock::now() - start));
        };
        session.Control().OnPath = [&](const std::wstring& asked, std::unique_ptr<TStream>& stream) {
          const auto start = Clock::now();
          AnswerPath(lookups, book.Path, asked, stream);
          answers.push_back(Milliseconds(Clock::now() - start));
        };
        for (const bool byUrl : {true, false}) {
          const std::string name = std::string("served_") + (byUrl ? "url_" : "file_") + book.Label + "_" + kind;
          Progress("  " + name);
          answers.clear();
          const TCase measured =
              RunCase(session, byUrl ? L"fetch-url " + url : L"stream-file " + path, requests);
          if (answers.size() != measured.Samples.size() + 1) throw std::runtime_error("a request was not answered once");
          answers.erase(answers.begin());
          if (byUrl) {
            urlRequests += measured.Samples.size() + 1;
            CheckDelivered(session, "fetched", url, urlRequests);
          } else {
            pathRequests += measured.Samples.size() + 1;
            CheckDelivered(session, "streamed", path, pathRequests);
          }
          const double median = Percentile(measured.Samples, 50), p99 = Percentile(measured.Samples, 99);
          p50[name] = median;
          figures.Figure(name + "_p50", median, "ms");
          figures.Figure(name + "_p99", p99, "ms");
          figures.Detail(Format("%-34s %6zu %10.3f %10.3f %10.3f %10.3f", name.c_str(), measured.Samples.size(),
                                measured.First, median, p99, Percentile(answers, 50)));
        }
        // One name look-up alone, outside any request.
        std::vector<double> lookUps;
        const auto lookUpStart = Clock::now();
        while (lookUps.size() < 50 && (lookUps.size() < kFewestRequests || Clock::now() - lookUpStart < kCaseBudget)) {
          const auto start = Clock::now();
          if (LookUpEntry(lookups, book.Path, kServedName) == 0) throw std::runtime_error("the served file is not found");
          lookUps.push_back(Milliseconds(Clock::now() - start));
        }
        figures.Detail(Format("%-34s %6zu %10s %10.3f %10.3f", ("look-up_" + book.Label + "_" + kind).c_str(),
                              lookUps.size(), "", Percentile(lookUps, 50), Percentile(lookUps, 99)));
        // The bytes themselves, once: the stand-in's MD5 of what it read by path.
        if (session.Run(L"read-file " + path) != S_OK) throw std::runtime_error("read-file failed");
        const test::TStandinTrace trace = session.Trace();
        const auto readLines = trace.All("read", Narrow(path));
        if (readLines.size() != ++reads || (*readLines.back())["md5"] != servedMd5) {
          throw std::runtime_error("the served file's bytes differ (" + book.Label + " " + kind + ", MD5 " + servedMd5 +
                                   " expected): " + (readLines.empty() ? std::string("no read line") : readLines.back()->Line));
        }
      }
    }
    TimeSystemCalls(books.front().Path, figures);
    for (const char* way : {"url", "file"}) {
      const double cached = p50[std::string("served_") + way + "_13mb_digest_cached"];
      const double uncached = p50[std::string("served_") + way + "_13mb_digest_uncached"];
      figures.Target(Format("a served 1 MB file by %s, 13 MB book with a digest: p50 %.3f ms < 1 ms", way, cached),
                     cached < 1.0);
      figures.Target(Format("the same against the uncached look-ups: %.1fx >= 30x", uncached / cached),
                     uncached >= 30 * cached);
    }
    figures.Detail("");
    figures.Detail("url: the stand-in's fetch-url (URL moniker, BindToStorage, its callback until OnStopBinding);");
    figures.Detail("file: its stream-file (CreateFileW, ReadFile in 64 KiB pieces until 0, CloseHandle on a fake handle).");
    figures.Detail("Answers as app/resource_requests.cpp gives them: by URL two name look-ups and a copy into memory,");
    figures.Detail("by path a look-up and an entry stream (cached) or a whole copy (uncached). Uncached: every");
    figures.Detail("look-up builds its own TExeExtReader, as before the catalog (three per URL request, two per path).");
    figures.Detail("look-up: one GetEntryNumber of the served file's name alone (the uncached one builds a reader).");
    figures.Detail("answer: the time within a request that the player's handler took (by URL its writing includes the");
    figures.Detail("stand-in's reading, which content delivery calls as the bytes are written).");
    figures.Detail(Format("first: a case's first request (url cached: the book's first look-up, which checks it); p50/p99 "
                          "over the rest, at most %d requests or %lld s.", requests, static_cast<long long>(kCaseBudget.count())));
  } catch (const std::exception& error) {
    figures.Failed(error.what());
  }
  return figures.Print();
}
