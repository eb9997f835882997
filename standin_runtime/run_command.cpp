#include "run_command.h"

#include <cwchar>
#include <new>
#include <utility>
#include <string>

#include "runtime_object.h"
#include "site_probes.h"
#include "timed_reads.h"

namespace standin {

namespace {

// The first word of text, and the rest after one space.
std::pair<std::wstring, std::wstring> Split(const std::wstring& text) {
  const std::size_t space = text.find(L' ');
  if (space == std::wstring::npos) return {text, std::wstring()};
  return {text.substr(0, space), text.substr(space + 1)};
}

// A whole decimal number, sign allowed.
bool ParseNumber(const std::wstring& text, long& value) {
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  value = std::wcstol(text.c_str(), &end, 10);
  return end && *end == L'\0';
}

HRESULT Raise(TRuntimeObject& object, const std::wstring& what) {
  const auto [event, rest] = Split(what);
  long number = 0;
  if (event == L"ready-state") return ParseNumber(rest, number) ? object.RaiseReadyStateChange(number) : E_INVALIDARG;
  if (event == L"progress") return ParseNumber(rest, number) ? object.RaiseProgress(number) : E_INVALIDARG;
  if (event == L"fscommand") {
    const auto [command, args] = Split(rest);
    return object.RaiseFSCommand(command, args);
  }
  if (event == L"flashcall") return object.RaiseFlashCall(rest);
  return E_INVALIDARG;
}

// A reference to the newest object for the length of a command.
class TNewest {
 public:
  TNewest() noexcept : object_(TRuntimeObject::TakeNewest()) {}
  ~TNewest() {
    if (object_) object_->Release();
  }
  TNewest(const TNewest&) = delete;
  TNewest& operator=(const TNewest&) = delete;
  TRuntimeObject* Get() const noexcept { return object_; }

 private:
  TRuntimeObject* object_;
};

HRESULT Run(const std::wstring& command);

DWORD WINAPI RunOnWorker(void* command) {
  return static_cast<DWORD>(RunCommand(static_cast<const std::wstring*>(command)->c_str()));
}

HRESULT RunOnNewThread(const std::wstring& command) {
  const HANDLE thread = CreateThread(nullptr, 0, RunOnWorker, const_cast<std::wstring*>(&command), 0, nullptr);
  if (!thread) return HRESULT_FROM_WIN32(GetLastError());
  WaitForSingleObject(thread, INFINITE);
  DWORD result = static_cast<DWORD>(E_FAIL);
  GetExitCodeThread(thread, &result);
  CloseHandle(thread);
  return static_cast<HRESULT>(result);
}

HRESULT Run(const std::wstring& command) {
  const auto [verb, rest] = Split(command);
  if (verb == L"worker") return RunOnNewThread(rest);
  if (verb == L"read-file") return rest.empty() ? E_INVALIDARG : ReadWholeFile(rest);
  if (verb == L"stream-file") return rest.empty() ? E_INVALIDARG : StreamFile(rest);
  if (verb == L"fetch-url") return rest.empty() ? E_INVALIDARG : FetchUrl(rest);
  const bool known = verb == L"raise" || verb == L"walk-site" || verb == L"ambients" || verb == L"query-interfaces";
  if (!known) return E_INVALIDARG;
  const TNewest newest;
  if (!newest.Get()) return E_FAIL;
  TRuntimeObject& object = *newest.Get();
  if (verb == L"raise") return Raise(object, rest);
  if (verb == L"walk-site") return WalkSite(object);
  if (verb == L"ambients") return ReadAllAmbients(object);
  return QuerySiteInterfaces(object);
}

}  // namespace

HRESULT RunCommand(const wchar_t* command) noexcept {
  if (!command) return E_INVALIDARG;
  try {
    return Run(command);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace standin
