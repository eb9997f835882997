// The provider's IStream facade.
#include "content/content_provider_stream.h"

#include <utility>

namespace leafmark::content {

TContentProviderStream::TContentProviderStream(com::TComPtr<IContentProvider> provider)
    : provider_(std::move(provider)) {}

TContentProviderStream::~TContentProviderStream() {
  // The last reference to the facade ends the download.
  provider_->Finish();
}

HRESULT TContentProviderStream::Read(void*, ULONG, ULONG*) noexcept { return E_NOTIMPL; }

HRESULT TContentProviderStream::Write(const void* data, ULONG count, ULONG* written) noexcept {
  return provider_->Write(data, count, written);
}

HRESULT TContentProviderStream::Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) noexcept {
  return E_NOTIMPL;
}

HRESULT TContentProviderStream::SetSize(ULARGE_INTEGER size) noexcept {
  return provider_->SetSize(size);
}

HRESULT TContentProviderStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                       ULARGE_INTEGER*) noexcept {
  return E_NOTIMPL;
}

HRESULT TContentProviderStream::Commit(DWORD) noexcept { return E_NOTIMPL; }

HRESULT TContentProviderStream::Revert() noexcept { return E_NOTIMPL; }

HRESULT TContentProviderStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) noexcept {
  return E_NOTIMPL;
}

HRESULT TContentProviderStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) noexcept {
  return E_NOTIMPL;
}

HRESULT TContentProviderStream::Stat(STATSTG*, DWORD) noexcept { return E_NOTIMPL; }

HRESULT TContentProviderStream::Clone(IStream** copy) noexcept {
  if (copy) *copy = nullptr;
  return E_NOTIMPL;
}

}  // namespace leafmark::content
