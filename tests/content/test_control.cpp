// The tests' host control.
#include "test_control.h"

#include "content/content_manager.h"

namespace leafmark::content::test {

void TTestControl::Record(std::wstring call) {
  std::lock_guard guard(lock_);
  calls_.push_back(destroyed_ ? L"after destruction: " + call : std::move(call));
}

void TTestControl::Destroy() {
  {
    std::lock_guard guard(lock_);
    if (destroyed_) return;
  }
  if (TContentManager* manager = FindContentManager()) manager->UnregisterControl(link_);
  link_->Detach();
  std::lock_guard guard(lock_);
  destroyed_ = true;
}

HRESULT TTestControl::PutMovie(const wchar_t* url) noexcept {
  Record(L"PutMovie " + std::wstring(url));
  return S_OK;
}

HRESULT TTestControl::LoadMovie(int layer, const wchar_t* url) noexcept {
  Record(L"LoadMovie " + std::to_wstring(layer) + L" " + url);
  return S_OK;
}

HRESULT TTestControl::GetBase(std::wstring* value) noexcept {
  *value = base;
  return S_OK;
}

HRESULT TTestControl::FireLoadExternalResource(const wchar_t* url, TStream* stream) noexcept {
  Record(L"Load " + std::wstring(url));
  return com::ComBoundary([&] {
    if (onLoad) onLoad(url, *stream);
    return S_OK;
  });
}

HRESULT TTestControl::FireLoadExternalResourceEx(const wchar_t* url,
                                                 std::unique_ptr<TStream>* stream,
                                                 bool* handled) noexcept {
  Record(L"LoadEx " + std::wstring(url));
  return com::ComBoundary([&] {
    if (onLoadEx) onLoadEx(url, *stream, *handled);
    return S_OK;
  });
}

HRESULT TTestControl::FireLoadExternalResourceAsync(const wchar_t* path,
                                                    std::unique_ptr<TStream>* stream) noexcept {
  Record(L"LoadAsync " + std::wstring(path));
  return com::ComBoundary([&] {
    if (onLoadAsync) onLoadAsync(path, *stream);
    return S_OK;
  });
}

HRESULT TTestControl::FireUnloadExternalResourceAsync(TStream* stream) noexcept {
  Record(L"Unload");
  std::lock_guard guard(lock_);
  unloaded_.push_back(stream);
  return S_OK;
}

std::vector<std::wstring> TTestControl::Calls() const {
  std::lock_guard guard(lock_);
  return calls_;
}

std::vector<TStream*> TTestControl::UnloadedStreams() const {
  std::lock_guard guard(lock_);
  return unloaded_;
}

}  // namespace leafmark::content::test
