// TMyMoniker: the moniker the runtime downloads through. Everything but BindToStorage goes to
// a real system URL moniker; BindToStorage goes to the content manager.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <string>

#include "win/com_object.h"

namespace leafmark::content {

// The CreateURLMoniker replacement's body: always S_OK with a TMyMoniker in *moniker, also
// when no system moniker accepts the URL (its delegated operations then return E_FAIL).
HRESULT WINAPI CreateMoniker(IMoniker* contextMoniker, LPCWSTR url, IMoniker** moniker);

// Answers IUnknown, IMoniker and IBinding only (not IPersist or IPersistStream). Its
// IBinding operations all return E_FAIL.
class TMyMoniker final : public com::TComObject<IMoniker, IBinding> {
 public:
  TMyMoniker(IMoniker* contextMoniker, std::wstring url);

  const std::wstring& URL() const { return url_; }
  IMoniker* InnerMoniker() const { return inner_.Get(); }

  // IMoniker
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) noexcept override;
  HRESULT STDMETHODCALLTYPE IsDirty() noexcept override;
  HRESULT STDMETHODCALLTYPE Load(IStream* stream) noexcept override;
  HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clearDirty) noexcept override;
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) noexcept override;
  HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx* bindContext, IMoniker* left, REFIID iid,
                                         void** object) noexcept override;
  HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx* bindContext, IMoniker* left, REFIID iid,
                                          void** object) noexcept override;
  HRESULT STDMETHODCALLTYPE Reduce(IBindCtx* bindContext, DWORD howFar, IMoniker** toLeft,
                                   IMoniker** reduced) noexcept override;
  HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker* right, BOOL onlyIfNotGeneric,
                                        IMoniker** composite) noexcept override;
  HRESULT STDMETHODCALLTYPE Enum(BOOL forward, IEnumMoniker** enumerator) noexcept override;
  HRESULT STDMETHODCALLTYPE IsEqual(IMoniker* other) noexcept override;
  HRESULT STDMETHODCALLTYPE Hash(DWORD* hash) noexcept override;
  HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx* bindContext, IMoniker* left,
                                      IMoniker* newlyRunning) noexcept override;
  HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx* bindContext, IMoniker* left,
                                                FILETIME* time) noexcept override;
  HRESULT STDMETHODCALLTYPE Inverse(IMoniker** inverse) noexcept override;
  HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker* other, IMoniker** prefix) noexcept override;
  HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker* other, IMoniker** path) noexcept override;
  HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx* bindContext, IMoniker* left,
                                           LPOLESTR* name) noexcept override;
  HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx* bindContext, IMoniker* left,
                                             LPOLESTR name, ULONG* eaten,
                                             IMoniker** result) noexcept override;
  HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD* kind) noexcept override;

  // IBinding
  HRESULT STDMETHODCALLTYPE Abort() noexcept override;
  HRESULT STDMETHODCALLTYPE Suspend() noexcept override;
  HRESULT STDMETHODCALLTYPE Resume() noexcept override;
  HRESULT STDMETHODCALLTYPE SetPriority(LONG priority) noexcept override;
  HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) noexcept override;
  HRESULT STDMETHODCALLTYPE GetBindResult(CLSID* protocol, DWORD* result, LPOLESTR* text,
                                          DWORD* reserved) noexcept override;

 private:
  std::wstring url_;
  com::TComPtr<IMoniker> context_;
  com::TComPtr<IMoniker> inner_;  // none when no system moniker accepted the URL
};

}  // namespace leafmark::content
