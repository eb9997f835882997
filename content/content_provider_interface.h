// IContentProvider: the download engine's interface towards the content manager and the
// stream facade.
#pragma once

#include <windows.h>
#include <urlmon.h>

namespace leafmark::content {

// COM interfaces have no virtual destructor: objects are deleted through Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
struct IContentProvider : public IUnknown {
  // Attaches the runtime's callback (once per provider) and delivers what is buffered.
  virtual HRESULT STDMETHODCALLTYPE SetBindStatusCallback(IBindStatusCallback* callback) = 0;
  // S_OK once anything (even an empty write) has been written, else S_FALSE.
  virtual HRESULT STDMETHODCALLTYPE HasData() = 0;
  // The content is complete.
  virtual HRESULT STDMETHODCALLTYPE Finish() = 0;
  // written (may be null) receives 0 when the callback refused the notification.
  virtual HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG count, ULONG* written) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) = 0;

 protected:
  ~IContentProvider() = default;
};
#pragma GCC diagnostic pop

}  // namespace leafmark::content

__CRT_UUID_DECL(leafmark::content::IContentProvider, 0x58245b0f, 0xc1f8, 0x4d38, 0xb4, 0x11,
                0xf4, 0xeb, 0xe2, 0xa7, 0x65, 0x90)
