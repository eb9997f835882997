// TRecordingCallback: a bind-status callback standing where the runtime's will, recording
// every notification it gets (with IHttpNegotiate or without).
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <mutex>
#include <string>
#include <vector>

#include "win/com_object.h"

namespace leafmark::content::test {

struct TBindEvent {
  std::string name{};  // "OnResponse", "OnStartBinding", "OnDataAvailable", "OnStopBinding"
  DWORD thread = 0;
  // OnResponse
  DWORD responseCode = 0;
  std::wstring headers{};
  // OnDataAvailable
  DWORD flags = 0;
  DWORD size = 0;
  std::string bytes{};        // what the medium's stream holds from where it stood
  bool exactFormat = false;   // cfFormat 0, no ptd, DVASPECT_CONTENT, lindex -1, TYMED_ISTREAM
  bool exactMedium = false;   // TYMED_ISTREAM, a stream, no pUnkForRelease
  // OnStopBinding
  HRESULT result = S_OK;
};

class TRecordingCallback final
    : public com::TComObject<IBindStatusCallback, IHttpNegotiate> {
 public:
  explicit TRecordingCallback(bool withHttpNegotiate = true)
      : withHttpNegotiate_(withHttpNegotiate) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override;

  // IBindStatusCallback
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) noexcept override;
  HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) noexcept override;
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) noexcept override;
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                       LPCWSTR statusText) noexcept override;
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) noexcept override;
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* bindFlags, BINDINFO* bindInfo) noexcept override;
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format,
                                            STGMEDIUM* medium) noexcept override;
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID iid, IUnknown* object) noexcept override;
  // IHttpNegotiate
  HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD reserved,
                                                 LPWSTR* additionalHeaders) noexcept override;
  HRESULT STDMETHODCALLTYPE OnResponse(DWORD responseCode, LPCWSTR responseHeaders,
                                       LPCWSTR requestHeaders,
                                       LPWSTR* additionalHeaders) noexcept override;

  // What OnDataAvailable answers (S_OK unless a test refuses the data).
  void SetDataResult(HRESULT result) { dataResult_ = result; }

  std::vector<TBindEvent> Events() const;
  // The event names, space-separated: "OnResponse OnStartBinding OnDataAvailable ...".
  std::string Sequence() const;
  // The sequence without OnResponse and OnProgress.
  std::string CoreSequence() const;
  // Every byte delivered, in order.
  std::string Bytes() const;
  bool Stopped() const;
  void Clear();

 private:
  void Record(TBindEvent event);

  const bool withHttpNegotiate_;
  HRESULT dataResult_ = S_OK;
  mutable std::mutex lock_;
  std::vector<TBindEvent> events_;
};

}  // namespace leafmark::content::test
