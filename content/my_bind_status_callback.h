// TMyBindStatusCallback: stands in front of the runtime's bind-status callback and forwards
// everything to it.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include "win/com_object.h"

namespace leafmark::content {

// Every notification goes to the callback registered before this one (E_NOTIMPL without
// one); interfaces other than IBindStatusCallback are asked of it too, so IHttpNegotiate
// is the runtime callback's own.
class TMyBindStatusCallback final : public com::TComObject<IBindStatusCallback> {
 public:
  TMyBindStatusCallback() = default;

  void SetPreviousCallback(com::TComPtr<IBindStatusCallback> previous);
  const com::TComPtr<IBindStatusCallback>& PreviousCallback() const { return previous_; }

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

 protected:
  HRESULT QueryOtherInterface(REFIID iid, void** object) noexcept override;

 private:
  com::TComPtr<IBindStatusCallback> previous_;
};

}  // namespace leafmark::content
