// IFlashPlayerControlBase: what content delivery needs from the host control.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <memory>

#include "base/stream.h"

namespace leafmark::content {

// COM interfaces have no virtual destructor: objects are deleted through Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
// Results are ignored by content delivery; implementations catch everything at their edge.
struct IFlashPlayerControlBase : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE PutMovie(const wchar_t* url) = 0;
  virtual HRESULT STDMETHODCALLTYPE LoadMovie(int layer, const wchar_t* url) = 0;
  // The control's Base property; may be empty.
  virtual HRESULT STDMETHODCALLTYPE GetBase(std::wstring* base) = 0;
  // Raises OnLoadExternalResource: the handler writes the resource into stream.
  virtual HRESULT STDMETHODCALLTYPE FireLoadExternalResource(const wchar_t* url,
                                                             TStream* stream) = 0;
  // Raises OnLoadExternalResourceEx. A handler that answers sets *handled; one that goes on
  // writing after the call moves *stream out and keeps it (destroying it ends the download).
  // A stream left in *stream is destroyed by the caller.
  virtual HRESULT STDMETHODCALLTYPE FireLoadExternalResourceEx(const wchar_t* url,
                                                               std::unique_ptr<TStream>* stream,
                                                               bool* handled) = 0;
  // Raises OnLoadExternalResourceAsync: *stream receives a new stream serving the file, or
  // stays empty.
  virtual HRESULT STDMETHODCALLTYPE FireLoadExternalResourceAsync(
      const wchar_t* path, std::unique_ptr<TStream>* stream) = 0;
  // Raises OnUnloadExternalResourceAsync for a stream served by the call above.
  virtual HRESULT STDMETHODCALLTYPE FireUnloadExternalResourceAsync(TStream* stream) = 0;

 protected:
  ~IFlashPlayerControlBase() = default;
};
#pragma GCC diagnostic pop

}  // namespace leafmark::content

__CRT_UUID_DECL(leafmark::content::IFlashPlayerControlBase, 0x911fa1af, 0xcdb2, 0x45ed, 0x82,
                0x71, 0x56, 0x62, 0x00, 0x00, 0x00, 0xbc)
