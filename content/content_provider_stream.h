// TContentProviderStream: the write-only IStream facade of one content provider.
#pragma once

#include <windows.h>
#include <objidl.h>

#include "content/content_provider_interface.h"
#include "win/com_object.h"

namespace leafmark::content {

// Write and SetSize go to the provider; everything else is E_NOTIMPL. Its destruction
// finishes the provider's download. Made only by CreateContentProvider.
class TContentProviderStream final : public com::TComObject<IStream> {
 public:
  explicit TContentProviderStream(com::TComPtr<IContentProvider> provider);
  ~TContentProviderStream() override;

  HRESULT STDMETHODCALLTYPE Read(void* data, ULONG count, ULONG* read) noexcept override;
  HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG count, ULONG* written) noexcept override;
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                 ULARGE_INTEGER* position) noexcept override;
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) noexcept override;
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                   ULARGE_INTEGER* written) noexcept override;
  HRESULT STDMETHODCALLTYPE Commit(DWORD flags) noexcept override;
  HRESULT STDMETHODCALLTYPE Revert() noexcept override;
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count,
                                       DWORD type) noexcept override;
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count,
                                         DWORD type) noexcept override;
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) noexcept override;
  HRESULT STDMETHODCALLTYPE Clone(IStream** copy) noexcept override;

 private:
  com::TComPtr<IContentProvider> provider_;
};

}  // namespace leafmark::content
