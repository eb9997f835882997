// The callback forwarder.
#include "content/my_bind_status_callback.h"

#include <utility>

namespace leafmark::content {

void TMyBindStatusCallback::SetPreviousCallback(com::TComPtr<IBindStatusCallback> previous) {
  previous_ = std::move(previous);
}

HRESULT TMyBindStatusCallback::QueryOtherInterface(REFIID iid, void** object) noexcept {
  if (!previous_) return E_NOINTERFACE;
  return previous_->QueryInterface(iid, object);
}

HRESULT TMyBindStatusCallback::OnStartBinding(DWORD reserved, IBinding* binding) noexcept {
  return previous_ ? previous_->OnStartBinding(reserved, binding) : E_NOTIMPL;
}

HRESULT TMyBindStatusCallback::GetPriority(LONG* priority) noexcept {
  return previous_ ? previous_->GetPriority(priority) : E_NOTIMPL;
}

HRESULT TMyBindStatusCallback::OnLowResource(DWORD reserved) noexcept {
  return previous_ ? previous_->OnLowResource(reserved) : E_NOTIMPL;
}

HRESULT TMyBindStatusCallback::OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                          LPCWSTR statusText) noexcept {
  return previous_ ? previous_->OnProgress(progress, progressMax, statusCode, statusText)
                   : E_NOTIMPL;
}

HRESULT TMyBindStatusCallback::OnStopBinding(HRESULT result, LPCWSTR error) noexcept {
  return previous_ ? previous_->OnStopBinding(result, error) : E_NOTIMPL;
}

HRESULT TMyBindStatusCallback::GetBindInfo(DWORD* bindFlags, BINDINFO* bindInfo) noexcept {
  return previous_ ? previous_->GetBindInfo(bindFlags, bindInfo) : E_NOTIMPL;
}

HRESULT TMyBindStatusCallback::OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format,
                                               STGMEDIUM* medium) noexcept {
  return previous_ ? previous_->OnDataAvailable(flags, size, format, medium) : E_NOTIMPL;
}

HRESULT TMyBindStatusCallback::OnObjectAvailable(REFIID iid, IUnknown* object) noexcept {
  return previous_ ? previous_->OnObjectAvailable(iid, object) : E_NOTIMPL;
}

}  // namespace leafmark::content
