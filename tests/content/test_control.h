// TTestControl: a host control of the tests' own, answering content requests through
// handlers the test sets and recording what it is asked. Like the real control, its owner
// destroys it whatever its reference count, and it leaves content delivery as it goes.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "content/control_link.h"
#include "content/flash_player_control_base.h"
#include "win/com_object.h"

namespace leafmark::content::test {

class TTestControl final : public com::TOwnedComObject<IFlashPlayerControlBase> {
 public:
  TTestControl() = default;
  ~TTestControl() override { Destroy(); }
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

  // What content delivery holds instead of the control.
  const TControlRef& Link() const { return link_; }
  // What the destructor does to content delivery, with the object itself left in place so a
  // call that still reaches it is recorded (as "after destruction: <call>") instead of
  // running on freed memory.
  void Destroy();

 private:
  void Record(std::wstring call);

  mutable std::mutex lock_;
  std::vector<std::wstring> calls_;
  std::vector<TStream*> unloaded_;
  bool destroyed_ = false;
  const TControlRef link_ = TControlLink::Create(this);
};

}  // namespace leafmark::content::test
