// TContentProvider: plays one download's bytes towards the runtime's bind-status callback,
// buffering what arrives before the callback is known.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <urlmon.h>

#include <cstdint>
#include <mutex>

#include "content/content_provider_interface.h"
#include "win/com_object.h"

namespace leafmark::content {

// A new provider and the IStream facade through which its content is written. The facade
// holds the provider; releasing the facade's last reference finishes the download.
struct TNewContentProvider {
  com::TComPtr<IContentProvider> provider;
  com::TComPtr<IStream> stream;
};
TNewContentProvider CreateContentProvider();

class TContentProvider final : public com::TComObject<IContentProvider> {
 public:
  TContentProvider();

  HRESULT STDMETHODCALLTYPE SetBindStatusCallback(IBindStatusCallback* callback) noexcept override;
  HRESULT STDMETHODCALLTYPE HasData() noexcept override;
  HRESULT STDMETHODCALLTYPE Finish() noexcept override;
  HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG count, ULONG* written) noexcept override;
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) noexcept override;

 private:
  // Each runs with lock_ held.
  void SendResponseHeaders();
  void EnsureStarted();
  HRESULT NotifyData(IStream* data, ULONG size);

  // Recursive like a critical section: a callback may write again from inside a notification.
  std::recursive_mutex lock_;
  com::TComPtr<IStream> buffer_;
  ULONG bufferedSize_ = 0;
  bool started_ = false;
  com::TComPtr<IBindStatusCallback> callback_;
  bool dataWritten_ = false;
  bool finished_ = false;
  std::int64_t contentLength_ = -1;
};

// A new memory stream (ole32), its memory freed with it.
com::TComPtr<IStream> CreateMemoryIStream();

}  // namespace leafmark::content
