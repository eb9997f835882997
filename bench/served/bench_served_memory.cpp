// What serving a 1 GiB file by path adds to the process's peak working set: the stand-in
// runtime reads the whole entry through the player's fake handle (CreateFileW, ReadFile in
// 64 KiB pieces, CloseHandle) while the answer is the player's entry stream over the book.
// For comparison, the same through the look-ups of before, which copy the entry whole into
// memory. The book is written with the entry as a hole, and deleted at the end.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "bench/served/served_requests.h"
#include "bench/support/bench_books.h"
#include "bench/support/bench_figures.h"
#include "bench/support/standin_session.h"
#include "tests/support/temp_dir.h"

using namespace leafmark;
using namespace leafmark::bench;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::int64_t kHugeBytes = std::int64_t{1} << 30;
constexpr double kMiB = 1024.0 * 1024.0;

PROCESS_MEMORY_COUNTERS Memory() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) {
    throw std::runtime_error("GetProcessMemoryInfo failed");
  }
  return counters;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

struct TServing {
  double AddedMiB = 0;
  double Seconds = 0;
  PROCESS_MEMORY_COUNTERS Before{}, After{};
};

TServing Serve(TStandinSession& session, const std::wstring& path) {
  TServing serving;
  serving.Before = Memory();
  const auto start = Clock::now();
  const HRESULT result = session.Run(L"stream-file " + path);
  serving.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
  serving.After = Memory();
  if (result != S_OK) throw std::runtime_error("stream-file failed");
  const test::TStandinTrace trace = session.Trace();
  const auto lines = trace.All("streamed", Narrow(path));
  if (lines.empty()) throw std::runtime_error("stream-file wrote no line");
  const auto* line = lines.back();
  if ((*line)["bytes"] != std::to_string(kHugeBytes)) throw std::runtime_error("short delivery: " + line->Line);
  serving.AddedMiB = static_cast<double>(serving.After.PeakWorkingSetSize - serving.Before.PeakWorkingSetSize) / kMiB;
  return serving;
}

std::string Describe(const char* what, const TServing& serving) {
  return Format("%-9s peak working set %8.1f -> %8.1f MiB (added %7.1f), working set %8.1f -> %8.1f MiB, %6.2f s, "
                "%7.1f MiB/s",
                what, serving.Before.PeakWorkingSetSize / kMiB, serving.After.PeakWorkingSetSize / kMiB, serving.AddedMiB,
                serving.Before.WorkingSetSize / kMiB, serving.After.WorkingSetSize / kMiB, serving.Seconds,
                static_cast<double>(kHugeBytes) / kMiB / serving.Seconds);
}

}  // namespace

int main() {
  TFigures figures;
  try {
    test::TTempDir dir;
    TStandinSession session(dir.File("trace.log"));
    const std::string book = dir.File("book_1gib.exe");
    Progress("writing a book with a 1 GiB entry");
    const std::vector<std::uint8_t> prefix(4096, 'P');
    WriteBook(book, prefix, {{"files/small.bin", 64 << 10, {}, false, 3}, {"files/huge.bin", kHugeBytes, {}, true, 0}}, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // old enough for the catalog to keep it

    TLookups lookups = TLookups::Cached;
    session.Control().OnPath = [&](const std::wstring& asked, std::unique_ptr<TStream>& stream) {
      AnswerPath(lookups, book, asked, stream);
    };
    // One small file first, so that what serving any file sets up once is in place.
    if (session.Run(L"stream-file " + session.Path("files/small.bin")) != S_OK) {
      throw std::runtime_error("stream-file failed for a small file");
    }
    Progress("reading the 1 GiB entry through a fake handle");
    const TServing cached = Serve(session, session.Path("files/huge.bin"));
    figures.Figure("served_1gib_file_peak_working_set_added", cached.AddedMiB, "MiB");
    figures.Figure("served_1gib_file_read", static_cast<double>(kHugeBytes) / kMiB / cached.Seconds, "MiB/s");
    figures.Target(Format("serving a 1 GiB entry adds %.1f MiB < 64 MiB to the peak working set", cached.AddedMiB),
                   cached.AddedMiB < 64);
    figures.Detail(Describe("cached", cached));

    Progress("the same through the look-ups of before (a whole copy in memory)");
    lookups = TLookups::Uncached;
    const TServing uncached = Serve(session, session.Path("files/huge.bin"));
    figures.Detail(Describe("uncached", uncached));
    figures.Detail("Peak and current working set from GetProcessMemoryInfo, before and after the stand-in's stream-file");
    figures.Detail("of the entry's fake path; the uncached run comes second, so its added peak is above the first's.");
  } catch (const std::exception& error) {
    figures.Failed(error.what());
  }
  return figures.Print();
}
