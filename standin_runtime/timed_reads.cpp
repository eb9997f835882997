#include "timed_reads.h"

#include <memory>
#include <vector>

#include "movie_fetch.h"
#include "trace.h"

namespace standin {

namespace {

constexpr DWORD kPiece = 64 * 1024;
constexpr DWORD kFetchPatienceMs = 60 * 1000;

template <class F>
void Quietly(F&& write) noexcept {
  try {
    write();
  } catch (...) {
  }
}

// Dispatches this thread's messages until done() or the time is up; false when it was.
template <class F>
bool PumpUntil(F done, DWORD limitMs) {
  const ULONGLONG deadline = GetTickCount64() + limitMs;
  while (!done()) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    MSG message;
    while (!done() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}

}  // namespace

HRESULT FetchUrl(const std::wstring& url) {
  const auto result = std::make_shared<TFetchResult>();
  TComRef<TUrlFetch> fetch;
  TUrlFetch::Start(url, result, fetch);
  const bool ended = PumpUntil([&] { return result->Finished; }, kFetchPatienceMs);
  if (!ended) fetch->Abort();
  const std::string error = ended ? result->Error : std::string("no end within a minute");
  Quietly([&] {
    TTraceLine line("fetched");
    line.Word(Utf8(url)).Number("bytes", static_cast<std::int64_t>(result->Bytes.size())).Text("via", result->Via);
    if (!error.empty()) line.Text("error", error);
    line.Write();
  });
  if (!ended) return E_ABORT;
  return error.empty() ? S_OK : E_FAIL;
}

HRESULT StreamFile(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    Quietly([&] { TTraceLine("streamed").Word(Utf8(path)).Number("error", error).Write(); });
    return HRESULT_FROM_WIN32(error);
  }
  std::vector<unsigned char> piece(kPiece);
  std::int64_t total = 0;
  std::int64_t reads = 0;
  DWORD error = ERROR_SUCCESS;
  for (;;) {
    DWORD got = 0;
    ++reads;
    if (!ReadFile(file, piece.data(), kPiece, &got, nullptr)) {
      error = GetLastError();
      break;
    }
    if (got == 0) break;
    total += got;
  }
  CloseHandle(file);
  Quietly([&] {
    TTraceLine line("streamed");
    line.Word(Utf8(path));
    if (error != ERROR_SUCCESS) {
      line.Number("error", error);
    } else {
      line.Number("bytes", total).Number("reads", reads);
    }
    line.Write();
  });
  return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
}

}  // namespace standin
