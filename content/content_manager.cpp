// The content manager's registrations, movie URLs and movie streams, and its process-wide
// instance.
#include "content/content_manager.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "content/content_provider.h"
#include "content/synchronized_stream.h"

namespace leafmark::content {
namespace {

std::unique_ptr<TContentManager> processContentManager;

}  // namespace

void TContentManager::SetContentProviderCallback(ContentProviderCallback callback) {
  std::lock_guard guard(registrationLock_);
  contentCallback_ = std::move(callback);
}

ContentProviderCallback TContentManager::CurrentContentCallback() {
  std::lock_guard guard(registrationLock_);
  return contentCallback_;
}

std::wstring TContentManager::NewFakeURL() { return MakeFakeURL(nextMovieId_++); }

com::TComPtr<IContentProvider> TContentManager::TakeProvider(const std::wstring& url) {
  std::lock_guard guard(registrationLock_);
  const auto found = std::find_if(
      providerRegistrations_.begin(), providerRegistrations_.end(),
      [&](const TURLContentProviderPair& pair) { return SameURL(pair.URL, url); });
  if (found == providerRegistrations_.end()) return nullptr;
  com::TComPtr<IContentProvider> provider = std::move(found->Provider);
  providerRegistrations_.erase(found);
  return provider;
}

void TContentManager::RegisterControl(std::int32_t id, TControlRef control) {
  std::lock_guard guard(registrationLock_);
  controlRegistrations_.push_back({id, std::move(control)});
}

TControlUse TContentManager::FindControl(std::int32_t id) {
  TControlRef link;
  {
    std::lock_guard guard(registrationLock_);
    for (const TFlashPlayerControlIdPair& pair : controlRegistrations_) {
      if (pair.Id == id) {
        link = pair.Control;
        break;
      }
    }
  }
  return TControlLink::Use(link);
}

void TContentManager::UnregisterControl(const TControlRef& control) {
  std::lock_guard guard(registrationLock_);
  std::erase_if(controlRegistrations_,
                [&](const TFlashPlayerControlIdPair& pair) { return pair.Control == control; });
}

std::unique_ptr<TResizableStream> TContentManager::CreateMovieStream(
    const TControlRef& control, bool useLayer, int layer) {
  const TControlUse use = TControlLink::Use(control);
  if (!use) throw std::logic_error("A movie was handed to a control that is gone");
  TNewContentProvider created = CreateContentProvider();
  std::unique_ptr<TResizableStream> stream = WrapIStreamForMainThread(created.stream);
  const std::wstring url = NewFakeURL();
  std::int32_t id = 0;
  std::wstring relativePath;
  ParseFakeURL(url, id, relativePath);
  {
    std::lock_guard guard(registrationLock_);
    providerRegistrations_.push_back({url, created.provider});
  }
  RegisterControl(id, control);
  // The runtime may ask for the movie during these calls: everything is registered by now.
  if (useLayer) {
    use->LoadMovie(layer, std::wstring(DummyMovieURL).c_str());
    use->LoadMovie(layer, url.c_str());
  } else {
    use->PutMovie(std::wstring(DummyMovieURL).c_str());
    use->PutMovie(url.c_str());
  }
  return stream;
}

void TContentManager::CopyMovieFromStream(const TControlRef& control, bool useLayer,
                                          TStream& source, int layer) {
  std::unique_ptr<TResizableStream> stream = CreateMovieStream(control, useLayer, layer);
  // Copied first, so the movie reaches the runtime in one write whatever the source is.
  source.SetPosition(0);
  TMemoryStream copy;
  copy.CopyFrom(source, source.Size());
  stream->WriteBuffer(copy.Memory(), copy.Size());
  stream.reset();
}

void InitContentManager() {
  if (!processContentManager) processContentManager = std::make_unique<TContentManager>();
}

void FinalizeContentManager() { processContentManager.reset(); }

TContentManager* FindContentManager() noexcept { return processContentManager.get(); }

TContentManager& ContentManager() {
  if (!processContentManager) throw std::logic_error("The content manager does not exist");
  return *processContentManager;
}

}  // namespace leafmark::content
