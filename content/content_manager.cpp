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

TContentManager::~TContentManager() {
  for (auto& pair : fakeHandles_) pair.release();
}

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

void TContentManager::RegisterControl(std::int32_t id, IFlashPlayerControlBase* control) {
  std::lock_guard guard(registrationLock_);
  controlRegistrations_.push_back({id, control});
}

com::TComPtr<IFlashPlayerControlBase> TContentManager::FindControl(std::int32_t id) {
  std::lock_guard guard(registrationLock_);
  for (const TFlashPlayerControlIdPair& pair : controlRegistrations_) {
    if (pair.Id == id) return com::TComPtr<IFlashPlayerControlBase>(pair.Control);
  }
  return nullptr;
}

void TContentManager::UnregisterControl(IFlashPlayerControlBase* control) {
  std::lock_guard guard(registrationLock_);
  std::erase_if(controlRegistrations_,
                [&](const TFlashPlayerControlIdPair& pair) { return pair.Control == control; });
}

std::unique_ptr<TResizableStream> TContentManager::CreateMovieStream(
    IFlashPlayerControlBase* control, bool useLayer, int layer) {
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
    control->LoadMovie(layer, std::wstring(DummyMovieURL).c_str());
    control->LoadMovie(layer, url.c_str());
  } else {
    control->PutMovie(std::wstring(DummyMovieURL).c_str());
    control->PutMovie(url.c_str());
  }
  return stream;
}

void TContentManager::CopyMovieFromStream(IFlashPlayerControlBase* control, bool useLayer,
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

TContentManager& ContentManager() {
  if (!processContentManager) throw std::logic_error("The content manager does not exist");
  return *processContentManager;
}

}  // namespace leafmark::content
