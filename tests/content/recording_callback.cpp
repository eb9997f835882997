// The recording bind-status callback.
#include "recording_callback.h"

#include <cstring>

namespace leafmark::content::test {

HRESULT TRecordingCallback::QueryInterface(REFIID iid, void** object) noexcept {
  if (!withHttpNegotiate_ && iid == __uuidof(IHttpNegotiate)) {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
  }
  return TComObject::QueryInterface(iid, object);
}

void TRecordingCallback::Record(TBindEvent event) {
  event.thread = GetCurrentThreadId();
  std::lock_guard guard(lock_);
  events_.push_back(std::move(event));
}

HRESULT TRecordingCallback::OnStartBinding(DWORD, IBinding*) noexcept {
  Record({.name = "OnStartBinding"});
  return S_OK;
}

HRESULT TRecordingCallback::GetPriority(LONG* priority) noexcept {
  if (priority) *priority = THREAD_PRIORITY_NORMAL;
  return S_OK;
}

HRESULT TRecordingCallback::OnLowResource(DWORD) noexcept { return S_OK; }

HRESULT TRecordingCallback::OnProgress(ULONG, ULONG, ULONG, LPCWSTR) noexcept {
  Record({.name = "OnProgress"});
  return S_OK;
}

HRESULT TRecordingCallback::OnStopBinding(HRESULT result, LPCWSTR) noexcept {
  Record({.name = "OnStopBinding", .result = result});
  return S_OK;
}

HRESULT TRecordingCallback::GetBindInfo(DWORD* bindFlags, BINDINFO* bindInfo) noexcept {
  // As a downloading runtime asks: asynchronous, data pulled from the stream it is given.
  if (bindFlags) *bindFlags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA;
  if (bindInfo) {
    const ULONG size = bindInfo->cbSize;
    std::memset(bindInfo, 0, size);
    bindInfo->cbSize = size;
    bindInfo->dwBindVerb = BINDVERB_GET;
  }
  return S_OK;
}

HRESULT TRecordingCallback::OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format,
                                            STGMEDIUM* medium) noexcept {
  TBindEvent event{.name = "OnDataAvailable", .flags = flags, .size = size};
  event.exactFormat = format && format->cfFormat == 0 && format->ptd == nullptr &&
                      format->dwAspect == DVASPECT_CONTENT && format->lindex == -1 &&
                      format->tymed == TYMED_ISTREAM;
  event.exactMedium = medium && medium->tymed == TYMED_ISTREAM && medium->pstm &&
                      medium->pUnkForRelease == nullptr;
  if (medium && medium->tymed == TYMED_ISTREAM && medium->pstm) {
    char buffer[65536];
    for (;;) {
      ULONG read = 0;
      const HRESULT result = medium->pstm->Read(buffer, sizeof buffer, &read);
      event.bytes.append(buffer, read);
      if (result != S_OK || read == 0) break;
    }
  }
  Record(std::move(event));
  return dataResult_;
}

HRESULT TRecordingCallback::OnObjectAvailable(REFIID, IUnknown*) noexcept { return S_OK; }

HRESULT TRecordingCallback::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD,
                                                 LPWSTR* additionalHeaders) noexcept {
  if (additionalHeaders) *additionalHeaders = nullptr;
  return S_OK;
}

HRESULT TRecordingCallback::OnResponse(DWORD responseCode, LPCWSTR responseHeaders, LPCWSTR,
                                       LPWSTR* additionalHeaders) noexcept {
  if (additionalHeaders) *additionalHeaders = nullptr;
  Record({.name = "OnResponse",
          .responseCode = responseCode,
          .headers = responseHeaders ? responseHeaders : L""});
  return S_OK;
}

std::vector<TBindEvent> TRecordingCallback::Events() const {
  std::lock_guard guard(lock_);
  return events_;
}

std::string TRecordingCallback::Sequence() const {
  std::string sequence;
  for (const TBindEvent& event : Events()) {
    if (!sequence.empty()) sequence += ' ';
    sequence += event.name;
  }
  return sequence;
}

std::string TRecordingCallback::CoreSequence() const {
  std::string sequence;
  for (const TBindEvent& event : Events()) {
    if (event.name == "OnResponse" || event.name == "OnProgress") continue;
    if (!sequence.empty()) sequence += ' ';
    sequence += event.name;
  }
  return sequence;
}

std::string TRecordingCallback::Bytes() const {
  std::string bytes;
  for (const TBindEvent& event : Events()) bytes += event.bytes;
  return bytes;
}

bool TRecordingCallback::Stopped() const {
  for (const TBindEvent& event : Events()) {
    if (event.name == "OnStopBinding") return true;
  }
  return false;
}

void TRecordingCallback::Clear() {
  std::lock_guard guard(lock_);
  events_.clear();
}

}  // namespace leafmark::content::test
