// The runtime's URL moniker and CreateMoniker.
#include "content/my_moniker.h"

#include <type_traits>
#include <utility>

#include "content/content_manager.h"
#include "content/my_bind_status_callback.h"
#include "content/urlmon_functions.h"

namespace leafmark::content {

static_assert(std::is_same_v<decltype(&CreateMoniker), decltype(&::CreateURLMoniker)>,
              "CreateMoniker must fit CreateURLMoniker's import slot");

namespace {

template <class T>
void ClearOut(T** out) {
  if (out) *out = nullptr;
}

}  // namespace

HRESULT WINAPI CreateMoniker(IMoniker* contextMoniker, LPCWSTR url, IMoniker** moniker) {
  ClearOut(moniker);
  if (!moniker) return E_POINTER;
  return com::ComBoundary([&] {
    *moniker = com::MakeCom<TMyMoniker, IMoniker>(contextMoniker, url ? url : L"").Detach();
    return S_OK;
  });
}

TMyMoniker::TMyMoniker(IMoniker* contextMoniker, std::wstring url)
    : url_(std::move(url)), context_(contextMoniker) {
  // A URL no system moniker accepts leaves inner_ empty; binding still works.
  SystemCreateURLMoniker(contextMoniker, url_.c_str(), inner_.Put());
}

HRESULT TMyMoniker::BindToStorage(IBindCtx* bindContext, IMoniker* left, REFIID iid,
                                  void** object) noexcept {
  ClearOut(object);
  return com::ComBoundary([&] {
    const auto callback = com::MakeCom<TMyBindStatusCallback>();
    com::TComPtr<IBindStatusCallback> previous;
    SystemRegisterBindStatusCallback(bindContext, callback.Get(), previous.Put(), 0);
    callback->SetPreviousCallback(std::move(previous));
    return ContentManager().BindURLToStorage(bindContext, left, iid, context_.Get(),
                                             callback.Get(), url_, object);
  });
}

HRESULT TMyMoniker::GetClassID(CLSID* classId) noexcept {
  return inner_ ? inner_->GetClassID(classId) : E_FAIL;
}

HRESULT TMyMoniker::IsDirty() noexcept { return inner_ ? inner_->IsDirty() : E_FAIL; }

HRESULT TMyMoniker::Load(IStream* stream) noexcept {
  return inner_ ? inner_->Load(stream) : E_FAIL;
}

HRESULT TMyMoniker::Save(IStream* stream, BOOL clearDirty) noexcept {
  return inner_ ? inner_->Save(stream, clearDirty) : E_FAIL;
}

HRESULT TMyMoniker::GetSizeMax(ULARGE_INTEGER* size) noexcept {
  return inner_ ? inner_->GetSizeMax(size) : E_FAIL;
}

HRESULT TMyMoniker::BindToObject(IBindCtx* bindContext, IMoniker* left, REFIID iid,
                                 void** object) noexcept {
  return inner_ ? inner_->BindToObject(bindContext, left, iid, object) : E_FAIL;
}

HRESULT TMyMoniker::Reduce(IBindCtx* bindContext, DWORD howFar, IMoniker** toLeft,
                           IMoniker** reduced) noexcept {
  ClearOut(reduced);
  return inner_ ? inner_->Reduce(bindContext, howFar, toLeft, reduced) : E_FAIL;
}

HRESULT TMyMoniker::ComposeWith(IMoniker* right, BOOL onlyIfNotGeneric,
                                IMoniker** composite) noexcept {
  ClearOut(composite);
  return inner_ ? inner_->ComposeWith(right, onlyIfNotGeneric, composite) : E_FAIL;
}

HRESULT TMyMoniker::Enum(BOOL forward, IEnumMoniker** enumerator) noexcept {
  ClearOut(enumerator);
  return inner_ ? inner_->Enum(forward, enumerator) : E_FAIL;
}

HRESULT TMyMoniker::IsEqual(IMoniker* other) noexcept {
  return inner_ ? inner_->IsEqual(other) : E_FAIL;
}

HRESULT TMyMoniker::Hash(DWORD* hash) noexcept { return inner_ ? inner_->Hash(hash) : E_FAIL; }

HRESULT TMyMoniker::IsRunning(IBindCtx* bindContext, IMoniker* left,
                              IMoniker* newlyRunning) noexcept {
  return inner_ ? inner_->IsRunning(bindContext, left, newlyRunning) : E_FAIL;
}

HRESULT TMyMoniker::GetTimeOfLastChange(IBindCtx* bindContext, IMoniker* left,
                                        FILETIME* time) noexcept {
  return inner_ ? inner_->GetTimeOfLastChange(bindContext, left, time) : E_FAIL;
}

HRESULT TMyMoniker::Inverse(IMoniker** inverse) noexcept {
  ClearOut(inverse);
  return inner_ ? inner_->Inverse(inverse) : E_FAIL;
}

HRESULT TMyMoniker::CommonPrefixWith(IMoniker* other, IMoniker** prefix) noexcept {
  ClearOut(prefix);
  return inner_ ? inner_->CommonPrefixWith(other, prefix) : E_FAIL;
}

HRESULT TMyMoniker::RelativePathTo(IMoniker* other, IMoniker** path) noexcept {
  ClearOut(path);
  return inner_ ? inner_->RelativePathTo(other, path) : E_FAIL;
}

HRESULT TMyMoniker::GetDisplayName(IBindCtx* bindContext, IMoniker* left,
                                   LPOLESTR* name) noexcept {
  return inner_ ? inner_->GetDisplayName(bindContext, left, name) : E_FAIL;
}

HRESULT TMyMoniker::ParseDisplayName(IBindCtx* bindContext, IMoniker* left, LPOLESTR name,
                                     ULONG* eaten, IMoniker** result) noexcept {
  ClearOut(result);
  return inner_ ? inner_->ParseDisplayName(bindContext, left, name, eaten, result) : E_FAIL;
}

HRESULT TMyMoniker::IsSystemMoniker(DWORD* kind) noexcept {
  return inner_ ? inner_->IsSystemMoniker(kind) : E_FAIL;
}

HRESULT TMyMoniker::Abort() noexcept { return E_FAIL; }
HRESULT TMyMoniker::Suspend() noexcept { return E_FAIL; }
HRESULT TMyMoniker::Resume() noexcept { return E_FAIL; }
HRESULT TMyMoniker::SetPriority(LONG) noexcept { return E_FAIL; }
HRESULT TMyMoniker::GetPriority(LONG*) noexcept { return E_FAIL; }
HRESULT TMyMoniker::GetBindResult(CLSID*, DWORD*, LPOLESTR*, DWORD*) noexcept { return E_FAIL; }

}  // namespace leafmark::content
