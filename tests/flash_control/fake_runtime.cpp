// The fake runtime object: records, activates in place through the site, misbehaves on request.
#include "tests/flash_control/fake_runtime.h"

#include <olectl.h>

#include <algorithm>

#include "flash_control/flash_site.h"

namespace leafmark::test {

namespace {

constexpr wchar_t kWindowClass[] = L"LeafmarkFakeRuntimeWindow";
constexpr char kAnsiWindowClass[] = "LeafmarkFakeRuntimeWindowA";

std::string RectText(LPCRECT rect) {
  if (!rect) return "none";
  return std::to_string(rect->left) + "," + std::to_string(rect->top) + "," +
         std::to_string(rect->right) + "," + std::to_string(rect->bottom);
}

void RegisterWindowClass(WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExW(::GetModuleHandleW(nullptr), kWindowClass, &existing)) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kWindowClass;
  ::RegisterClassExW(&windowClass);
  WNDCLASSEXA ansiClass{};
  ansiClass.cbSize = sizeof ansiClass;
  ansiClass.style = CS_DBLCLKS;
  ansiClass.lpfnWndProc = procedure;
  ansiClass.hInstance = ::GetModuleHandleW(nullptr);
  ansiClass.lpszClassName = kAnsiWindowClass;
  ::RegisterClassExA(&ansiClass);
}

// The procedure a window has now, read with the window's own character set.
LONG_PTR CurrentProcedure(HWND window) {
  return ::IsWindowUnicode(window) ? ::GetWindowLongPtrW(window, GWLP_WNDPROC)
                                   : ::GetWindowLongPtrA(window, GWLP_WNDPROC);
}

}  // namespace

// ---- connection points -----------------------------------------------------------------

HRESULT TFakeConnectionPoint::GetConnectionInterface(IID* iid) noexcept {
  *iid = iid_;
  return S_OK;
}

HRESULT TFakeConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) noexcept {
  return owner_.QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container));
}

HRESULT TFakeConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) noexcept {
  owner_.Record("Advise " + name_);
  if (!sink || !cookie) return E_POINTER;
  // A real runtime asks the sink for its event interface.
  com::TComPtr<IUnknown> held;
  if (FAILED(sink->QueryInterface(iid_, held.PutVoid()))) return CONNECT_E_CANNOTCONNECT;
  *cookie = nextCookie_++;
  sinks_[*cookie] = held;
  return S_OK;
}

HRESULT TFakeConnectionPoint::Unadvise(DWORD cookie) noexcept {
  owner_.Record("Unadvise " + name_);
  return sinks_.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}

HRESULT TFakeConnectionPoint::EnumConnections(IEnumConnections**) noexcept { return E_NOTIMPL; }

com::TComPtr<IDispatch> TFakeConnectionPoint::Sink() const {
  if (sinks_.empty()) return {};
  return sinks_.begin()->second.As<IDispatch>();
}

// ---- the runtime object ----------------------------------------------------------------

TFakeRuntime::TFakeRuntime(TFakeFaults faults)
    : faults_(faults),
      events_(*this, kFlashEventsIid, "events"),
      propertyNotify_(*this, IID_IPropertyNotifySink, "propnotify") {
  RegisterWindowClass(&TFakeRuntime::WindowProc);
}

TFakeRuntime::~TFakeRuntime() {
  if (window_) ::DestroyWindow(window_);
}

HRESULT TFakeRuntime::QueryInterface(REFIID iid, void** object) noexcept {
  if (object) *object = nullptr;
  if (faults_.NoOleControl && iid == IID_IOleControl) return E_NOINTERFACE;
  if (faults_.NoInPlace && (iid == IID_IOleInPlaceObject || iid == IID_IOleInPlaceActiveObject)) {
    return E_NOINTERFACE;
  }
  if (faults_.NoConnections && iid == IID_IConnectionPointContainer) return E_NOINTERFACE;
  return TOwnedComObject::QueryInterface(iid, object);
}

HRESULT TFakeRuntime::SetClientSite(IOleClientSite* site) noexcept {
  Record(site ? "SetClientSite site" : "SetClientSite none");
  if (site && faults_.RefuseSite) return E_FAIL;
  if (KeepSite && site) KeptSite = com::TComPtr<IOleClientSite>(site);
  site_ = com::TComPtr<IOleClientSite>(site);
  return S_OK;
}

HRESULT TFakeRuntime::GetClientSite(IOleClientSite** site) noexcept {
  Record("GetClientSite");
  site_.CopyTo(site);
  return site_ ? S_OK : E_FAIL;
}

HRESULT TFakeRuntime::Close(DWORD) noexcept {
  Record("Close");
  if (window_) {
    ::DestroyWindow(window_);
    window_ = nullptr;
  }
  if (inPlaceSite_) {
    inPlaceSite_->OnInPlaceDeactivate();
    inPlaceSite_ = nullptr;
  }
  return S_OK;
}

HRESULT TFakeRuntime::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                             LPCRECT bounds) noexcept {
  Record("DoVerb " + std::to_string(verb) + " " + RectText(bounds));
  if (verb == OLEIVERB_UIACTIVATE) {
    if (inPlaceSite_) inPlaceSite_->OnUIActivate();
    return S_OK;
  }
  if (verb != OLEIVERB_INPLACEACTIVATE) return E_NOTIMPL;
  if (window_) {
    // Already active: the new rectangle only.
    if (bounds) {
      ::SetWindowPos(window_, nullptr, bounds->left, bounds->top, bounds->right - bounds->left,
                     bounds->bottom - bounds->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return S_OK;
  }
  if (!site) return E_INVALIDARG;
  com::TComPtr<IOleInPlaceSite> inPlace;
  if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, inPlace.PutVoid()))) return E_NOINTERFACE;
  if (inPlace->CanInPlaceActivate() != S_OK) return E_FAIL;
  inPlaceSite_ = inPlace;
  inPlace->OnInPlaceActivate();
  if (!faults_.ZeroWindow) {
    const RECT rect = bounds ? *bounds : RECT{};
    if (faults_.AnsiWindow) {
      window_ = ::CreateWindowExA(0, kAnsiWindowClass, "", WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                                  ::GetModuleHandleW(nullptr), this);
    } else {
      window_ = ::CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                                  ::GetModuleHandleW(nullptr), this);
    }
  }
  site->ShowObject();
  return S_OK;
}

HRESULT TFakeRuntime::SetExtent(DWORD, SIZEL* size) noexcept {
  Record("SetExtent " + std::to_string(size->cx) + "," + std::to_string(size->cy));
  if (faults_.RejectExtent) return E_FAIL;
  Extent = *size;
  return S_OK;
}

HRESULT TFakeRuntime::GetExtent(DWORD, SIZEL* size) noexcept {
  Record("GetExtent");
  if (faults_.FailGetExtent) return E_FAIL;
  *size = Extent;
  return S_OK;
}

HRESULT TFakeRuntime::GetWindow(HWND* window) noexcept {
  Record("GetWindow");
  *window = window_;
  return window_ ? S_OK : E_FAIL;
}

HRESULT TFakeRuntime::InPlaceDeactivate() noexcept {
  Record("InPlaceDeactivate");
  return S_OK;
}

HRESULT TFakeRuntime::UIDeactivate() noexcept {
  Record("UIDeactivate");
  if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
  return S_OK;
}

HRESULT TFakeRuntime::SetObjectRects(LPCRECT position, LPCRECT clip) noexcept {
  Record("SetObjectRects " + RectText(position) + " " + RectText(clip));
  return S_OK;
}

HRESULT TFakeRuntime::TranslateAccelerator(LPMSG message) noexcept {
  Record("TranslateAccelerator " + std::to_string(message->message) + " " + std::to_string(message->wParam));
  LastAccelerator = *message;
  return AcceleratorKey && message->wParam == AcceleratorKey ? S_OK : S_FALSE;
}

HRESULT TFakeRuntime::OnDocWindowActivate(BOOL activate) noexcept {
  Record("OnDocWindowActivate " + std::to_string(activate));
  return S_OK;
}

HRESULT TFakeRuntime::GetControlInfo(CONTROLINFO* info) noexcept {
  Record("GetControlInfo");
  info->hAccel = Accelerators;
  info->cAccel = AcceleratorCount;
  info->dwFlags = 0;
  return S_OK;
}

HRESULT TFakeRuntime::OnMnemonic(MSG* message) noexcept {
  Record("OnMnemonic " + std::to_string(message->wParam));
  return S_OK;
}

HRESULT TFakeRuntime::OnAmbientPropertyChange(DISPID dispid) noexcept {
  Record("OnAmbientPropertyChange " + std::to_string(dispid));
  return S_OK;
}

HRESULT TFakeRuntime::FindConnectionPoint(REFIID iid, IConnectionPoint** point) noexcept {
  *point = nullptr;
  if (iid == kFlashEventsIid) {
    Record("FindConnectionPoint events");
    *point = &events_;
  } else if (iid == IID_IPropertyNotifySink) {
    Record("FindConnectionPoint propnotify");
    *point = &propertyNotify_;
  } else {
    return CONNECT_E_NOCONNECTION;
  }
  (*point)->AddRef();
  return S_OK;
}

HRESULT TFakeRuntime::Raise(DISPID dispid, std::vector<VARIANT> arguments, VARIANT* result, WORD flags) {
  const com::TComPtr<IDispatch> sink = events_.Sink();
  if (!sink) return E_UNEXPECTED;
  DISPPARAMS params{};
  params.rgvarg = arguments.empty() ? nullptr : arguments.data();
  params.cArgs = static_cast<UINT>(arguments.size());
  return sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

std::vector<TRecordedMessage> TFakeRuntime::MessagesOf(UINT message) const {
  std::vector<TRecordedMessage> found;
  std::copy_if(Messages.begin(), Messages.end(), std::back_inserter(found),
               [&](const TRecordedMessage& m) { return m.Message == message; });
  return found;
}

LRESULT CALLBACK TFakeRuntime::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    // lpCreateParams sits at the same place in the ANSI and the wide structure.
    ::SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* runtime = reinterpret_cast<TFakeRuntime*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (runtime) {
    runtime->Messages.push_back({message, wParam, lParam});
    if (message == WM_DESTROY && CurrentProcedure(window) != reinterpret_cast<LONG_PTR>(&TFakeRuntime::WindowProc)) {
      runtime->DestroyedWhileSubclassed = true;
    }
  }
  return ::IsWindowUnicode(window) ? ::DefWindowProcW(window, message, wParam, lParam)
                                   : ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace leafmark::test
