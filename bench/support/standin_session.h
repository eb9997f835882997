// The stand-in runtime hosted in the benchmark's own process as the player hosts the runtime:
// placed in memory by the player's code provider with its imports bound to the player's
// replacements, and a control of the benchmark's registered with content delivery to answer
// what it asks for, by URL (the moniker) and by path (fake file handles).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "base/stream.h"
#include "content/control_link.h"
#include "content/flash_player_control_base.h"
#include "tests/standin_runtime/standin_trace.h"
#include "win/com_object.h"

namespace leafmark::bench {

class TServingControl final : public com::TOwnedComObject<content::IFlashPlayerControlBase> {
 public:
  // OnLoadExternalResourceEx, as the player's handler answers it.
  std::function<void(const std::wstring& url, std::unique_ptr<TStream>& stream, bool& handled)> OnUrl;
  // OnLoadExternalResourceAsync: a new stream serving the file, or none.
  std::function<void(const std::wstring& path, std::unique_ptr<TStream>& stream)> OnPath;

  ~TServingControl() override;
  const content::TControlRef& Link() const { return link_; }

  HRESULT STDMETHODCALLTYPE PutMovie(const wchar_t*) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LoadMovie(int, const wchar_t*) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetBase(std::wstring* base) noexcept override;
  HRESULT STDMETHODCALLTYPE FireLoadExternalResource(const wchar_t*, TStream*) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE FireLoadExternalResourceEx(const wchar_t* url, std::unique_ptr<TStream>* stream,
                                                       bool* handled) noexcept override;
  HRESULT STDMETHODCALLTYPE FireLoadExternalResourceAsync(const wchar_t* path,
                                                          std::unique_ptr<TStream>* stream) noexcept override;
  HRESULT STDMETHODCALLTYPE FireUnloadExternalResourceAsync(TStream*) noexcept override { return S_OK; }

 private:
  const content::TControlRef link_ = content::TControlLink::Create(this);
};

class TStandinSession {
 public:
  // COM, the main-thread calls, urlmon and content delivery on this thread; the trace at
  // tracePath; flash.ocx from beside the program. Throws std::runtime_error when the stand-in
  // cannot be placed.
  explicit TStandinSession(const std::string& tracePath);
  ~TStandinSession();
  TStandinSession(const TStandinSession&) = delete;
  TStandinSession& operator=(const TStandinSession&) = delete;

  TServingControl& Control() { return *control_; }
  // A file below the control's movie, as the runtime names it by URL and by path.
  std::wstring Url(const std::string& relative) const;
  std::wstring Path(const std::string& relative) const;
  // LeafmarkStandinRun.
  HRESULT Run(const std::wstring& command) const;
  test::TStandinTrace Trace() const;

 private:
  std::string tracePath_;
  std::unique_ptr<TServingControl> control_;
  std::int32_t id_ = 0;
  using TRun = HRESULT(WINAPI*)(const wchar_t*);
  TRun run_ = nullptr;
};

}  // namespace leafmark::bench
