#include "bench/support/standin_session.h"

#include <objbase.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "content/content_manager.h"
#include "content/fake_url.h"
#include "content/urlmon_functions.h"
#include "runtime_loader/code_providers.h"
#include "tests/support/bin_file.h"
#include "tests/support/temp_dir.h"
#include "ui/main_thread_calls.h"

namespace leafmark::bench {

TServingControl::~TServingControl() {
  if (content::TContentManager* manager = content::FindContentManager()) manager->UnregisterControl(link_);
  link_->Detach();
}

HRESULT TServingControl::GetBase(std::wstring* base) noexcept {
  base->clear();
  return S_OK;
}

HRESULT TServingControl::FireLoadExternalResourceEx(const wchar_t* url, std::unique_ptr<TStream>* stream,
                                                    bool* handled) noexcept {
  return com::ComBoundary([&] {
    if (OnUrl) OnUrl(url, *stream, *handled);
    return S_OK;
  });
}

HRESULT TServingControl::FireLoadExternalResourceAsync(const wchar_t* path, std::unique_ptr<TStream>* stream) noexcept {
  return com::ComBoundary([&] {
    if (OnPath) OnPath(path, *stream);
    return S_OK;
  });
}

TStandinSession::TStandinSession(const std::string& tracePath) : tracePath_(tracePath) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ui::InitMainThreadCalls();
  content::InitUrlmon();
  content::InitContentManager();
  control_ = std::make_unique<TServingControl>();
  std::wstring unused;
  content::ParseFakeURL(content::ContentManager().NewFakeURL(), id_, unused);
  content::ContentManager().RegisterControl(id_, control_->Link());

  ::SetEnvironmentVariableA("LEAFMARK_STANDIN_TRACE", tracePath.c_str());
  TMemoryStream image(test::ReadFileBytes(test::BinFile("flash.ocx")));
  if (!LoadFlashOCXCodeFromStream(image) || !FlashOCXCodeProvider()->HasRuntime()) {
    throw std::runtime_error("the stand-in runtime flash.ocx could not be placed in memory");
  }
  const FARPROC run = FlashOCXCodeProvider()->Loader()->FindExport("LeafmarkStandinRun");
  if (!run) throw std::runtime_error("flash.ocx exports no LeafmarkStandinRun");
  run_ = reinterpret_cast<TRun>(reinterpret_cast<void (*)()>(run));
}

TStandinSession::~TStandinSession() {
  FinalizeFlashOCXCodeProvider();
  ::SetEnvironmentVariableA("LEAFMARK_STANDIN_TRACE", nullptr);
  control_.reset();
  content::FinalizeContentManager();
  content::FinalizeUrlmon();
  ui::FinalizeMainThreadCalls();
  ::CoUninitialize();
}

std::wstring TStandinSession::Url(const std::string& relative) const {
  return L"file://Z:/FromMemory/" + std::wstring(content::FakeURLMarker) + L"/" + std::to_wstring(id_) + L"/" +
         std::wstring(relative.begin(), relative.end());
}

std::wstring TStandinSession::Path(const std::string& relative) const {
  std::wstring path = L"Z:\\FromMemory\\" + std::wstring(content::FakeURLMarker) + L"\\" + std::to_wstring(id_) +
                      L"\\" + std::wstring(relative.begin(), relative.end());
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

HRESULT TStandinSession::Run(const std::wstring& command) const { return run_(command.c_str()); }

test::TStandinTrace TStandinSession::Trace() const { return test::TStandinTrace::Read(std::filesystem::path(tracePath_)); }

}  // namespace leafmark::bench
