// The runtime object's OLE side.
#include "runtime_object.h"

#include "class_ids.h"

namespace standin {

namespace {
// A movie's customary stage, 550 x 400 pixels at 96 pixels per inch, in HIMETRIC.
constexpr SIZEL kDefaultExtent = {550 * 2540 / 96, 400 * 2540 / 96};

// Not offered (yet): the out-argument is cleared all the same.
template <class T>
HRESULT NotOffered(T** out) noexcept {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}
}  // namespace

TRuntimeObject::TRuntimeObject() noexcept : extent_(kDefaultExtent) {}

HRESULT TRuntimeObject::SetClientSite(IOleClientSite* site) noexcept {
  site_.Reset(site);
  return S_OK;
}

HRESULT TRuntimeObject::GetClientSite(IOleClientSite** site) noexcept {
  if (!site) return E_POINTER;
  *site = site_.Get();
  if (*site) (*site)->AddRef();
  return S_OK;
}

HRESULT TRuntimeObject::SetHostNames(LPCOLESTR, LPCOLESTR) noexcept { return S_OK; }

// Nothing is running to stop yet; the site stays until the host clears it.
HRESULT TRuntimeObject::Close(DWORD) noexcept { return S_OK; }

HRESULT TRuntimeObject::SetMoniker(DWORD, IMoniker*) noexcept { return E_NOTIMPL; }
HRESULT TRuntimeObject::GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept { return NotOffered(moniker); }
HRESULT TRuntimeObject::InitFromData(IDataObject*, BOOL, DWORD) noexcept { return E_NOTIMPL; }
HRESULT TRuntimeObject::GetClipboardData(DWORD, IDataObject** data) noexcept { return NotOffered(data); }
HRESULT TRuntimeObject::DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) noexcept { return E_NOTIMPL; }
HRESULT TRuntimeObject::EnumVerbs(IEnumOLEVERB** verbs) noexcept { return NotOffered(verbs); }
HRESULT TRuntimeObject::Update() noexcept { return S_OK; }
HRESULT TRuntimeObject::IsUpToDate() noexcept { return S_OK; }

HRESULT TRuntimeObject::GetUserClassID(CLSID* classId) noexcept {
  if (!classId) return E_POINTER;
  *classId = kRuntimeClassId;
  return S_OK;
}

HRESULT TRuntimeObject::GetUserType(DWORD, LPOLESTR* userType) noexcept { return NotOffered(userType); }

// A size is taken for the content aspect only, and only when neither side is negative.
HRESULT TRuntimeObject::SetExtent(DWORD aspect, SIZEL* size) noexcept {
  if (!size) return E_INVALIDARG;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (size->cx < 0 || size->cy < 0) return E_INVALIDARG;
  extent_ = *size;
  return S_OK;
}

HRESULT TRuntimeObject::GetExtent(DWORD aspect, SIZEL* size) noexcept {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = extent_;
  return S_OK;
}

HRESULT TRuntimeObject::Advise(IAdviseSink*, DWORD* connection) noexcept {
  if (connection) *connection = 0;
  return E_NOTIMPL;
}
HRESULT TRuntimeObject::Unadvise(DWORD) noexcept { return E_NOTIMPL; }
HRESULT TRuntimeObject::EnumAdvise(IEnumSTATDATA** advises) noexcept { return NotOffered(advises); }

// What a windowed, in-place control says of itself: wants its site before anything else and
// activates when it becomes visible.
HRESULT TRuntimeObject::GetMiscStatus(DWORD, DWORD* status) noexcept {
  if (!status) return E_POINTER;
  *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
            OLEMISC_SETCLIENTSITEFIRST;
  return S_OK;
}

HRESULT TRuntimeObject::SetColorScheme(LOGPALETTE*) noexcept { return E_NOTIMPL; }

}  // namespace standin
