// TTestControl: a host control of the tests' own, answering content requests through
// handlers the test sets and recording what it is asked.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "content/com_object.h"
#include "content/flash_player_control_base.h"

namespace leafmark::content::test {

class TTestControl final : public com::TComObject<IFlashPlayerControlBase> {
 public:
  using TExHandler =
      std::function<void(const std::wstring& url, std::unique_ptr<TStream>& stream, bool& handled)>;
  using THandler = std::function<void(const std::wstring& url, TStream& stream)>;
  using TAsyncHandler =
      std::function<void(const std::wstring& path, std::unique_ptr<TStream>& stream)>;

  TExHandler onLoadEx;
  THandler onLoad;
  TAsyncHandler onLoadAsync;
  std::wstring base;

  HRESULT STDMETHODCALLTYPE PutMovie(const wchar_t* url) noexcept override;
  HRESULT STDMETHODCALLTYPE LoadMovie(int layer, const wchar_t* url) noexcept override;
  HRESULT STDMETHODCALLTYPE GetBase(std::wstring* value) noexcept override;
  HRESULT STDMETHODCALLTYPE FireLoadExternalResource(const wchar_t* url,
                                                     TStream* stream) noexcept override;
  HRESULT STDMETHODCALLTYPE FireLoadExternalResourceEx(const wchar_t* url,
                                                       std::unique_ptr<TStream>* stream,
                                                       bool* handled) noexcept override;
  HRESULT STDMETHODCALLTYPE FireLoadExternalResourceAsync(
      const wchar_t* path, std::unique_ptr<TStream>* stream) noexcept override;
  HRESULT STDMETHODCALLTYPE FireUnloadExternalResourceAsync(TStream* stream) noexcept override;

  // "PutMovie <url>", "LoadMovie <layer> <url>", "LoadEx <url>", "Load <url>",
  // "LoadAsync <path>", "Unload", in the order they came.
  std::vector<std::wstring> Calls() const;
  std::vector<TStream*> UnloadedStreams() const;

 private:
  void Record(std::wstring call);

  mutable std::mutex lock_;
  std::vector<std::wstring> calls_;
  std::vector<TStream*> unloaded_;
};

}  // namespace leafmark::content::test
