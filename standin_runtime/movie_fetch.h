// Fetching a movie or image the way the runtime does: a path with CreateFileW and ReadFile, a
// URL through a URL moniker bound to storage with a bind-status callback of our own. Both go
// through this module's import slots, which a host may have bound to its own replacements.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "com_object.h"

namespace standin {

// The most bytes one fetch takes; a source that goes on is cut off with an error.
inline constexpr std::size_t kMaxFetchBytes = 64u << 20;

// What a fetch has delivered so far. Changed runs (on the fetching thread) whenever bytes
// arrive or the fetch ends; the owner clears it when it stops listening.
struct TFetchResult {
  std::vector<std::uint8_t> Bytes;
  bool Finished = false;
  std::string Error;  // empty unless the fetch failed
  const char* Via = "";  // "file" or "moniker": which way the bytes came
  // The system time at which the first bytes arrived, in microseconds since 1970 UTC; 0 until
  // then. It tells how long after a process started its movie reached the runtime.
  std::int64_t FirstByteTime = 0;
  std::function<void()> Changed;

  void Append(const std::uint8_t* data, std::size_t size);  // an Error once over the limit
  void Finish(std::string error);
};

// The system time in microseconds since 1970 UTC, as precisely as the system keeps it.
std::int64_t SystemMicroseconds() noexcept;

// Reads the file at path whole into result and finishes it. False, with result untouched,
// when the file cannot be opened (the caller may try the path as a URL).
bool ReadWholeFile(const std::wstring& path, TFetchResult& result);

// The bind-status callback of one URL fetch. Binding ends in OnStopBinding; the callback
// answers the asynchronous, pulled bind and reads every stream it is handed to its end.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TUrlFetch final : public TComObject<IBindStatusCallback> {
 public:
  // Starts fetching url into result (which may finish during the call).
  static void Start(const std::wstring& url, std::shared_ptr<TFetchResult> result, TComRef<TUrlFetch>& fetch);
  // The callback alone, bound to nothing yet: Start's first step, and a way for tests to play
  // a host's notifications to it.
  static void Create(std::shared_ptr<TFetchResult> result, TComRef<TUrlFetch>& fetch);
  // Stops a binding that is still going; the result no longer changes.
  void Abort() noexcept;

  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) noexcept override;
  HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) noexcept override;
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) noexcept override;
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                       LPCWSTR statusText) noexcept override;
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) noexcept override;
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) noexcept override;
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format,
                                            STGMEDIUM* medium) noexcept override;
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID iid, IUnknown* object) noexcept override;

 private:
  explicit TUrlFetch(std::shared_ptr<TFetchResult> result) : result_(std::move(result)) {}
  ~TUrlFetch() override = default;

  void ReadAll(IStream* stream);
  void Finish(std::string error);
  void Notify();

  std::shared_ptr<TFetchResult> result_;  // nil once finished or aborted
  TComRef<IBinding> binding_;
};
#pragma GCC diagnostic pop

}  // namespace standin
