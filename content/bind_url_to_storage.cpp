// Routing one download request: a registered download, the control's events, the control's
// Base directory, the process-wide callback, a system URL moniker.
#include "content/content_manager.h"

#include "content/content_provider.h"
#include "content/synchronized_stream.h"
#include "content/urlmon_functions.h"
#include "win/com_object.h"

namespace leafmark::content {
namespace {

// BindToStorage on a system URL moniker for target, made without a context moniker.
HRESULT BindSystemMoniker(const std::wstring& target, IBindCtx* bindContext, IMoniker* left,
                          REFIID iid, void** object) {
  com::TComPtr<IMoniker> moniker;
  SystemCreateURLMoniker(nullptr, target.c_str(), moniker.Put());
  if (!moniker) return E_FAIL;
  return moniker->BindToStorage(bindContext, left, iid, object);
}

bool Answered(HRESULT bound) { return bound == S_OK || bound == MK_S_ASYNCHRONOUS; }

}  // namespace

HRESULT TContentManager::BindURLToStorage(IBindCtx* bindContext, IMoniker* left, REFIID iid,
                                          IMoniker* /*contextMoniker*/,
                                          IBindStatusCallback* callback,
                                          const std::wstring& url, void** object) noexcept {
  if (object) *object = nullptr;
  return com::ComBoundary([&]() -> HRESULT {
    if (const auto registered = TakeProvider(url)) {
      registered->SetBindStatusCallback(callback);  // delivers what it already holds
      return MK_S_ASYNCHRONOUS;
    }
    // Released on leaving: unless a supplier kept its stream, that ends the download here.
    const TNewContentProvider created = CreateContentProvider();
    created.provider->SetBindStatusCallback(callback);
    bool handled = false;
    std::int32_t id = 0;
    std::wstring relativePath;
    if (ParseFakeURL(url, id, relativePath)) {
      const auto control = FindControl(id);
      if (!control) return E_FAIL;
      handled = AskControlForContent(*control.Get(), relativePath, created.stream);
      if (!handled && created.provider->HasData() == S_OK) handled = true;
      if (!handled) {
        const std::wstring target = GetControlBasePath(*control.Get()) + L"/" + relativePath;
        handled = Answered(BindSystemMoniker(target, bindContext, left, iid, object));
      }
    } else {
      if (const ContentProviderCallback contentCallback = CurrentContentCallback()) {
        std::unique_ptr<TStream> stream = WrapIStreamForMainThread(created.stream);
        contentCallback(url, stream, handled);
        // A callback that kept the stream answers with it, as a control's handler does.
        if (!stream) handled = true;
      }
      // An asynchronous answer counts here too: the system moniker goes on to deliver through
      // the same callback, so reporting MK_E_NOSTORAGE would contradict what follows.
      if (!handled) handled = Answered(BindSystemMoniker(url, bindContext, left, iid, object));
    }
    return handled ? MK_S_ASYNCHRONOUS : MK_E_NOSTORAGE;
  });
}

bool TContentManager::AskControlForContent(IFlashPlayerControlBase& control,
                                           std::wstring relativePath,
                                           const com::TComPtr<IStream>& facade) {
  if (!relativePath.empty() && relativePath.front() == L'/') relativePath.erase(0, 1);
  std::unique_ptr<TStream> stream = WrapIStreamForMainThread(facade);
  bool handled = false;
  control.FireLoadExternalResourceEx(relativePath.c_str(), &stream, &handled);
  // A handler that kept the stream answers the request with it.
  if (handled || !stream) return true;
  TMemoryStream resource;
  control.FireLoadExternalResource(relativePath.c_str(), &resource);
  handled = resource.Size() > 0;
  if (handled) stream->WriteBuffer(resource.Memory(), resource.Size());
  stream.reset();
  return handled;
}

std::wstring TContentManager::GetControlBasePath(IFlashPlayerControlBase& control) {
  std::wstring base;
  control.GetBase(&base);
  if (base.empty()) base = GetCurrentDirectoryText();
  return base;
}

}  // namespace leafmark::content
