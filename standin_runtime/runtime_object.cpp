// The runtime object's OLE side: its site, extent, verbs, connection points and events.
#include "runtime_object.h"

#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "ambient.h"
#include "call_trace.h"
#include "class_ids.h"
#include "runtime_window.h"

namespace standin {

namespace {

// A movie's customary stage, 550 x 400 pixels at 96 pixels per inch, in HIMETRIC.
constexpr SIZEL kDefaultExtent = {550 * 2540 / 96, 400 * 2540 / 96};

// The ambients a control reads when told that all of them may have changed.
constexpr DISPID kAmbientsRead[] = {DISPID_AMBIENT_USERMODE, DISPID_AMBIENT_UIDEAD, DISPID_AMBIENT_BACKCOLOR,
                                    DISPID_AMBIENT_FORECOLOR, DISPID_AMBIENT_LOCALEID,
                                    DISPID_AMBIENT_SUPPORTSMNEMONICS};

constexpr DISPID kReadyStateChangeId = -609;
constexpr DISPID kProgressId = 1958;
constexpr DISPID kFSCommandId = 150;
constexpr DISPID kFlashCallId = 197;

// The objects alive, oldest first, for LeafmarkStandinRun.
SRWLOCK liveLock = SRWLOCK_INIT;
std::vector<TRuntimeObject*>* liveObjects = nullptr;

// Not offered: the out-argument is cleared all the same.
template <class T>
HRESULT NotOffered(T** out) noexcept {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

std::string RectText(const RECT& rect) {
  return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," + std::to_string(rect.right) + "," +
         std::to_string(rect.bottom);
}

// "window created|moved rect=l,t,r,b" (in the parent's client coordinates), "window destroyed".
void TraceWindow(const char* what, const RECT* rect = nullptr) noexcept {
  try {
    TTraceLine line("window");
    line.Word(what);
    if (rect) line.Text("rect", RectText(*rect));
    line.Write();
  } catch (...) {
  }
}

template <class F>
void Quietly(F&& write) noexcept {
  try {
    write();
  } catch (...) {
  }
}

}  // namespace

TRuntimeObject::TRuntimeObject()
    : faults_(ReadFaults()),
      flash_{BuiltFlashTable(), this},
      events_(*this, kFlashEventsId, "events", true),
      propertyNotify_(*this, IID_IPropertyNotifySink, "property-notify", false),
      extent_(kDefaultExtent),
      stage_(*this) {
  AcquireSRWLockExclusive(&liveLock);
  try {
    if (!liveObjects) liveObjects = new std::vector<TRuntimeObject*>();
    liveObjects->push_back(this);
  } catch (...) {
    ReleaseSRWLockExclusive(&liveLock);
    throw;
  }
  ReleaseSRWLockExclusive(&liveLock);
}

TRuntimeObject::~TRuntimeObject() {
  AcquireSRWLockExclusive(&liveLock);
  if (liveObjects) {
    liveObjects->erase(std::remove(liveObjects->begin(), liveObjects->end(), this), liveObjects->end());
    if (liveObjects->empty()) {
      delete liveObjects;
      liveObjects = nullptr;
    }
  }
  ReleaseSRWLockExclusive(&liveLock);
  if (window_) {
    const HWND window = window_;
    window_ = nullptr;
    SetWindowLongPtrW(window, 0, 0);
    DestroyWindow(window);
  }
  events_.Clear();
  propertyNotify_.Clear();
}

TRuntimeObject* TRuntimeObject::TakeNewest() noexcept {
  TRuntimeObject* found = nullptr;
  AcquireSRWLockExclusive(&liveLock);
  if (liveObjects) {
    for (auto i = liveObjects->rbegin(); i != liveObjects->rend() && !found; ++i) {
      if ((*i)->TryAddRef()) found = *i;
    }
  }
  ReleaseSRWLockExclusive(&liveLock);
  return found;
}

HRESULT TRuntimeObject::QueryInterface(REFIID iid, void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == kShockwaveFlashId || iid == IID_IDispatch) {
    *out = &flash_;
    AddRef();
    return S_OK;
  }
  if (iid == IID_IOleWindow) {
    if (faults_.NoInPlace) return E_NOINTERFACE;
    *out = static_cast<IOleWindow*>(static_cast<IOleInPlaceObject*>(this));
    AddRef();
    return S_OK;
  }
  if ((faults_.NoOleControl && iid == IID_IOleControl) || (faults_.NoInPlace && iid == IID_IOleInPlaceObject) ||
      (faults_.NoConnections && iid == IID_IConnectionPointContainer)) {
    return E_NOINTERFACE;
  }
  return TComObject::QueryInterface(iid, out);
}

// ---- IOleObject

HRESULT TRuntimeObject::SetClientSite(IOleClientSite* site) noexcept {
  TraceCall("IOleObject.SetClientSite", -1, site ? "yes" : "no");
  if (site && faults_.RefuseSite) return E_FAIL;
  if (!site) Deactivate();  // the in-place site goes with the client site
  site_.Reset(site);
  return S_OK;
}

HRESULT TRuntimeObject::GetClientSite(IOleClientSite** site) noexcept {
  TraceCall("IOleObject.GetClientSite", -1);
  if (!site) return E_POINTER;
  *site = site_.Get();
  if (*site) (*site)->AddRef();
  return S_OK;
}

HRESULT TRuntimeObject::SetHostNames(LPCOLESTR application, LPCOLESTR object) noexcept {
  TraceCall("IOleObject.SetHostNames", -1, application, object);
  return S_OK;
}

// Deactivates and destroys the window; the site stays until the host clears it.
HRESULT TRuntimeObject::Close(DWORD saveOption) noexcept {
  TraceCall("IOleObject.Close", -1, saveOption);
  Deactivate();
  return S_OK;
}

HRESULT TRuntimeObject::SetMoniker(DWORD which, IMoniker*) noexcept {
  TraceCall("IOleObject.SetMoniker", -1, which);
  return E_NOTIMPL;
}
HRESULT TRuntimeObject::GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) noexcept {
  TraceCall("IOleObject.GetMoniker", -1, assign, which);
  return NotOffered(moniker);
}
HRESULT TRuntimeObject::InitFromData(IDataObject*, BOOL creation, DWORD) noexcept {
  TraceCall("IOleObject.InitFromData", -1, static_cast<int>(creation));
  return E_NOTIMPL;
}
HRESULT TRuntimeObject::GetClipboardData(DWORD, IDataObject** data) noexcept {
  TraceCall("IOleObject.GetClipboardData", -1);
  return NotOffered(data);
}

// In-place activation, UI activation and showing all activate in place; -4 also UI-activates,
// and so does any verb that activates a control that was not active (the real runtime takes
// the focus as it comes up). Once active, a verb with a rectangle only moves the window:
// that is how a host resizes the runtime.
HRESULT TRuntimeObject::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT bounds) noexcept {
  TraceCall("IOleObject.DoVerb", -1, verb);
  try {
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_INPLACEACTIVATE:
        return Activate(false, site, parent, bounds);
      case OLEIVERB_UIACTIVATE:
        return Activate(true, site, parent, bounds);
      case OLEIVERB_HIDE:
        if (window_) ShowWindow(window_, SW_HIDE);
        return S_OK;
      default:
        return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT TRuntimeObject::EnumVerbs(IEnumOLEVERB** verbs) noexcept {
  TraceCall("IOleObject.EnumVerbs", -1);
  return NotOffered(verbs);
}
HRESULT TRuntimeObject::Update() noexcept {
  TraceCall("IOleObject.Update", -1);
  return S_OK;
}
HRESULT TRuntimeObject::IsUpToDate() noexcept {
  TraceCall("IOleObject.IsUpToDate", -1);
  return S_OK;
}

HRESULT TRuntimeObject::GetUserClassID(CLSID* classId) noexcept {
  TraceCall("IOleObject.GetUserClassID", -1);
  if (!classId) return E_POINTER;
  *classId = kRuntimeClassId;
  return S_OK;
}

HRESULT TRuntimeObject::GetUserType(DWORD form, LPOLESTR* userType) noexcept {
  TraceCall("IOleObject.GetUserType", -1, form);
  return NotOffered(userType);
}

// A size is taken for the content aspect only, and only when neither side is negative.
HRESULT TRuntimeObject::SetExtent(DWORD aspect, SIZEL* size) noexcept {
  if (size) {
    TraceCall("IOleObject.SetExtent", -1, size->cx, size->cy);
  } else {
    TraceCall("IOleObject.SetExtent", -1);
  }
  if (faults_.RejectExtent) return E_FAIL;
  if (!size) return E_INVALIDARG;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (size->cx < 0 || size->cy < 0) return E_INVALIDARG;
  extent_ = *size;
  return S_OK;
}

HRESULT TRuntimeObject::GetExtent(DWORD aspect, SIZEL* size) noexcept {
  TraceCall("IOleObject.GetExtent", -1);
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = extent_;
  return S_OK;
}

HRESULT TRuntimeObject::Advise(IAdviseSink*, DWORD* connection) noexcept {
  TraceCall("IOleObject.Advise", -1);
  if (connection) *connection = 0;
  return E_NOTIMPL;
}
HRESULT TRuntimeObject::Unadvise(DWORD connection) noexcept {
  TraceCall("IOleObject.Unadvise", -1, connection);
  return E_NOTIMPL;
}
HRESULT TRuntimeObject::EnumAdvise(IEnumSTATDATA** advises) noexcept {
  TraceCall("IOleObject.EnumAdvise", -1);
  return NotOffered(advises);
}

// What a windowed, in-place control says of itself: wants its site before anything else and
// activates when it becomes visible.
HRESULT TRuntimeObject::GetMiscStatus(DWORD aspect, DWORD* status) noexcept {
  TraceCall("IOleObject.GetMiscStatus", -1, aspect);
  if (!status) return E_POINTER;
  *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
            OLEMISC_SETCLIENTSITEFIRST;
  return S_OK;
}

HRESULT TRuntimeObject::SetColorScheme(LOGPALETTE*) noexcept {
  TraceCall("IOleObject.SetColorScheme", -1);
  return E_NOTIMPL;
}

// ---- Activation

// uiActivate matters only for an object already active: activating always UI-activates.
HRESULT TRuntimeObject::Activate(bool uiActivate, IOleClientSite* activeSite, HWND parent, LPCRECT bounds) {
  if (faults_.NoInPlace) return S_OK;  // as a runtime that cannot activate in place: the host finds no object
  if (inPlaceActive_) {
    if (bounds) MoveWindowTo(*bounds);
    return uiActivate && !uiActive_ ? UIActivate() : S_OK;
  }
  IOleClientSite* site = site_ ? site_.Get() : activeSite;
  if (!site) return E_UNEXPECTED;

  TComRef<IOleInPlaceSite> inPlaceSite;
  HRESULT result = site->QueryInterface(IID_IOleInPlaceSite, inPlaceSite.PutVoid());
  Quietly([&] { SiteLine("IOleClientSite.QueryInterface", result).Text("interface", "IOleInPlaceSite").Write(); });
  if (FAILED(result) || !inPlaceSite) return FAILED(result) ? result : E_NOINTERFACE;

  result = inPlaceSite->CanInPlaceActivate();
  TraceSite("IOleInPlaceSite.CanInPlaceActivate", result);
  if (result != S_OK) return FAILED(result) ? result : E_FAIL;
  result = inPlaceSite->OnInPlaceActivate();
  TraceSite("IOleInPlaceSite.OnInPlaceActivate", result);
  if (FAILED(result)) return result;
  inPlaceSite_.Reset(inPlaceSite.Get());
  inPlaceActive_ = true;

  OLEINPLACEFRAMEINFO frameInfo{};
  frameInfo.cb = sizeof frameInfo;
  RECT position{};
  RECT clip{};
  result = inPlaceSite->GetWindowContext(frame_.Put(), document_.Put(), &position, &clip, &frameInfo);
  Quietly([&] {
    SiteLine("IOleInPlaceSite.GetWindowContext", result)
        .Text("pos", RectText(position))
        .Text("clip", RectText(clip))
        .YesNo("frame", frame_.Get() != nullptr)
        .YesNo("document", document_.Get() != nullptr)
        .YesNo("frame-window", frameInfo.hwndFrame != nullptr)
        .Write();
  });
  if (FAILED(result)) {
    frame_.Reset(nullptr);
    document_.Reset(nullptr);
  }

  if (!parent) {
    result = inPlaceSite->GetWindow(&parent);
    TraceSite("IOleInPlaceSite.GetWindow", result);
  }
  const RECT place = bounds ? *bounds : position;
  if (!window_) {
    window_ = CreateRuntimeWindow(*this, parent, place);
    if (!window_) {
      const HRESULT created = HRESULT_FROM_WIN32(GetLastError());
      Deactivate();
      return FAILED(created) ? created : E_FAIL;
    }
    TraceWindow("created", &place);
  } else {
    MoveWindowTo(place);
    ShowWindow(window_, SW_SHOWNA);
  }

  result = site->ShowObject();
  TraceSite("IOleClientSite.ShowObject", result);
  // The host may have deactivated it from within.
  return inPlaceActive_ && !uiActive_ ? UIActivate() : S_OK;
}

HRESULT TRuntimeObject::UIActivate() {
  if (!inPlaceSite_) return E_UNEXPECTED;
  const HRESULT result = inPlaceSite_->OnUIActivate();
  TraceSite("IOleInPlaceSite.OnUIActivate", result);
  if (FAILED(result)) return result;
  uiActive_ = true;
  if (frame_) TraceSite("IOleInPlaceFrame.SetActiveObject", frame_->SetActiveObject(this, L"Shockwave Flash"));
  if (document_) {
    TraceSite("IOleInPlaceUIWindow.SetActiveObject", document_->SetActiveObject(this, L"Shockwave Flash"));
  }
  return S_OK;
}

void TRuntimeObject::UIDeactivateQuietly() {
  if (!uiActive_) return;
  uiActive_ = false;
  if (frame_) TraceSite("IOleInPlaceFrame.SetActiveObject", frame_->SetActiveObject(nullptr, nullptr));
  if (document_) TraceSite("IOleInPlaceUIWindow.SetActiveObject", document_->SetActiveObject(nullptr, nullptr));
  if (inPlaceSite_) TraceSite("IOleInPlaceSite.OnUIDeactivate", inPlaceSite_->OnUIDeactivate(FALSE));
}

// UI-deactivates, destroys the window, and tells the site, which then lets go of the object's
// in-place interfaces.
void TRuntimeObject::Deactivate() {
  if (!inPlaceActive_) return;
  UIDeactivateQuietly();
  inPlaceActive_ = false;
  if (window_) {
    const HWND window = window_;
    window_ = nullptr;
    SetWindowLongPtrW(window, 0, 0);
    DestroyWindow(window);
    TraceWindow("destroyed");
  }
  if (inPlaceSite_) TraceSite("IOleInPlaceSite.OnInPlaceDeactivate", inPlaceSite_->OnInPlaceDeactivate());
  inPlaceSite_.Reset(nullptr);
  frame_.Reset(nullptr);
  document_.Reset(nullptr);
}

void TRuntimeObject::MoveWindowTo(const RECT& rect) {
  if (!window_) return;
  MoveWindow(window_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
  TraceWindow("moved", &rect);
}

// ---- IOleWindow, IOleInPlaceObject

HRESULT TRuntimeObject::GetWindow(HWND* window) noexcept {
  TraceCall("IOleInPlaceObject.GetWindow", -1);
  if (!window) return E_POINTER;
  *window = faults_.ZeroWindow ? nullptr : window_;
  if (faults_.ZeroWindow) return S_OK;
  return window_ ? S_OK : E_FAIL;
}

HRESULT TRuntimeObject::ContextSensitiveHelp(BOOL enter) noexcept {
  TraceCall("IOleInPlaceObject.ContextSensitiveHelp", -1, static_cast<int>(enter));
  return E_NOTIMPL;
}

HRESULT TRuntimeObject::InPlaceDeactivate() noexcept {
  TraceCall("IOleInPlaceObject.InPlaceDeactivate", -1);
  Deactivate();
  return S_OK;
}

HRESULT TRuntimeObject::UIDeactivate() noexcept {
  TraceCall("IOleInPlaceObject.UIDeactivate", -1);
  UIDeactivateQuietly();
  return S_OK;
}

HRESULT TRuntimeObject::SetObjectRects(LPCRECT position, LPCRECT clip) noexcept {
  try {
    TraceCall("IOleInPlaceObject.SetObjectRects", -1, position ? RectText(*position).c_str() : "none",
              clip ? RectText(*clip).c_str() : "none");
    if (!position) return E_POINTER;
    MoveWindowTo(*position);
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT TRuntimeObject::ReactivateAndUndo() noexcept {
  TraceCall("IOleInPlaceObject.ReactivateAndUndo", -1);
  return E_NOTIMPL;
}

// ---- IOleInPlaceActiveObject: no accelerators of its own

HRESULT TRuntimeObject::TranslateAccelerator(LPMSG message) noexcept {
  if (message) {
    TraceCall("IOleInPlaceActiveObject.TranslateAccelerator", -1, static_cast<unsigned long>(message->message),
              static_cast<unsigned long>(message->wParam));
  } else {
    TraceCall("IOleInPlaceActiveObject.TranslateAccelerator", -1);
  }
  return S_FALSE;
}
HRESULT TRuntimeObject::OnFrameWindowActivate(BOOL active) noexcept {
  TraceCall("IOleInPlaceActiveObject.OnFrameWindowActivate", -1, static_cast<int>(active));
  return S_OK;
}
HRESULT TRuntimeObject::OnDocWindowActivate(BOOL active) noexcept {
  TraceCall("IOleInPlaceActiveObject.OnDocWindowActivate", -1, static_cast<int>(active));
  return S_OK;
}
HRESULT TRuntimeObject::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL frame) noexcept {
  TraceCall("IOleInPlaceActiveObject.ResizeBorder", -1, static_cast<int>(frame));
  return S_OK;
}
HRESULT TRuntimeObject::EnableModeless(BOOL enable) noexcept {
  TraceCall("IOleInPlaceActiveObject.EnableModeless", -1, static_cast<int>(enable));
  return S_OK;
}

// ---- IOleControl

// The size is checked as a control must (the structure is 16 bytes on win32, 24 on win64).
HRESULT TRuntimeObject::GetControlInfo(CONTROLINFO* info) noexcept {
  if (info) {
    TraceCall("IOleControl.GetControlInfo", -1, static_cast<unsigned long>(info->cb));
  } else {
    TraceCall("IOleControl.GetControlInfo", -1);
  }
  if (!info) return E_POINTER;
  if (info->cb != sizeof(CONTROLINFO)) return E_INVALIDARG;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

HRESULT TRuntimeObject::OnMnemonic(MSG* message) noexcept {
  if (message) {
    TraceCall("IOleControl.OnMnemonic", -1, static_cast<unsigned long>(message->message),
              static_cast<unsigned long>(message->wParam));
  } else {
    TraceCall("IOleControl.OnMnemonic", -1);
  }
  return S_OK;
}

HRESULT TRuntimeObject::OnAmbientPropertyChange(DISPID id) noexcept {
  TraceCall("IOleControl.OnAmbientPropertyChange", -1, static_cast<long>(id));
  ReadAmbients(id);
  return S_OK;
}

// While frozen, events are not raised (the trace still says they were due).
HRESULT TRuntimeObject::FreezeEvents(BOOL freeze) noexcept {
  TraceCall("IOleControl.FreezeEvents", -1, static_cast<int>(freeze));
  if (freeze) {
    ++frozen_;
  } else if (frozen_ > 0) {
    --frozen_;
  }
  return S_OK;
}

// DISPID_UNKNOWN (-1): all it reads; one of those: that one; others it has no use for.
void TRuntimeObject::ReadAmbients(DISPID id) {
  if (!site_) return;
  const bool all = id == DISPID_UNKNOWN;
  if (!all && std::find(std::begin(kAmbientsRead), std::end(kAmbientsRead), id) == std::end(kAmbientsRead)) return;
  TComRef<IDispatch> ambients;
  const HRESULT result = site_->QueryInterface(IID_IDispatch, ambients.PutVoid());
  Quietly([&] { SiteLine("IOleClientSite.QueryInterface", result).Text("interface", "IDispatch").Write(); });
  if (FAILED(result) || !ambients) return;
  VARIANT value;
  VariantInit(&value);
  for (const DISPID read : kAmbientsRead) {
    if (all || read == id) ReadAmbient(*ambients.Get(), read, value);
  }
  VariantClear(&value);
}

// ---- IConnectionPointContainer

HRESULT TRuntimeObject::EnumConnectionPoints(IEnumConnectionPoints** points) noexcept {
  TraceCall("IConnectionPointContainer.EnumConnectionPoints", -1);
  return NotOffered(points);
}

HRESULT TRuntimeObject::FindConnectionPoint(REFIID iid, IConnectionPoint** point) noexcept {
  TConnectionPoint* found = nullptr;
  if (iid == kFlashEventsId) found = &events_;
  if (iid == IID_IPropertyNotifySink) found = &propertyNotify_;
  Quietly([&] {
    TTraceLine("call")
        .Word("IConnectionPointContainer.FindConnectionPoint")
        .Text("interface", found == &events_ ? "events" : found ? "property-notify" : "other")
        .Write();
  });
  if (!point) return E_POINTER;
  *point = found;
  if (!found) return CONNECT_E_NOCONNECTION;
  found->AddRef();
  return S_OK;
}

// ---- Events

void TRuntimeObject::StageReadyStateChange(long state) { RaiseReadyStateChange(state); }
void TRuntimeObject::StageProgress(long percentDone) { RaiseProgress(percentDone); }
void TRuntimeObject::StageFSCommand(const std::wstring& command, const std::wstring& args) {
  RaiseFSCommand(command, args);
}
void TRuntimeObject::StageChanged() {
  if (window_) InvalidateRect(window_, nullptr, FALSE);
}

HRESULT TRuntimeObject::RaiseReadyStateChange(long state) noexcept {
  VARIANT argument;
  VariantInit(&argument);
  argument.vt = VT_I4;
  argument.lVal = state;
  return Raise("ReadyStateChange", kReadyStateChangeId, &argument, 1);
}

HRESULT TRuntimeObject::RaiseProgress(long percentDone) noexcept {
  VARIANT argument;
  VariantInit(&argument);
  argument.vt = VT_I4;
  argument.lVal = percentDone;
  return Raise("Progress", kProgressId, &argument, 1);
}

// The arguments go last first, as IDispatch::Invoke takes them: args at 0, command at 1.
HRESULT TRuntimeObject::RaiseFSCommand(const std::wstring& command, const std::wstring& args) noexcept {
  VARIANT arguments[2];
  VariantInit(&arguments[0]);
  VariantInit(&arguments[1]);
  arguments[0].vt = VT_BSTR;
  arguments[0].bstrVal = SysAllocStringLen(args.data(), static_cast<UINT>(args.size()));
  arguments[1].vt = VT_BSTR;
  arguments[1].bstrVal = SysAllocStringLen(command.data(), static_cast<UINT>(command.size()));
  const HRESULT result = arguments[0].bstrVal && arguments[1].bstrVal
                             ? Raise("FSCommand", kFSCommandId, arguments, 2)
                             : E_OUTOFMEMORY;
  VariantClear(&arguments[0]);
  VariantClear(&arguments[1]);
  return result;
}

HRESULT TRuntimeObject::RaiseFlashCall(const std::wstring& request) noexcept {
  VARIANT argument;
  VariantInit(&argument);
  argument.vt = VT_BSTR;
  argument.bstrVal = SysAllocStringLen(request.data(), static_cast<UINT>(request.size()));
  const HRESULT result = argument.bstrVal ? Raise("FlashCall", kFlashCallId, &argument, 1) : E_OUTOFMEMORY;
  VariantClear(&argument);
  return result;
}

// Invokes each advised sink in turn; the result is the first failure, or S_OK (S_FALSE when
// frozen, and nothing is called).
HRESULT TRuntimeObject::Raise(const char* name, DISPID id, VARIANT* arguments, UINT count) noexcept {
  const auto trace = [&](std::size_t sinks, HRESULT result, bool frozen) {
    Quietly([&] {
      TTraceLine line("raised");
      line.Word(name).Number("dispid", id).Number("sinks", static_cast<long long>(sinks));
      line.Hex("hr", static_cast<unsigned long>(result), 8);
      if (frozen) line.YesNo("frozen", true);
      line.Write();
    });
  };
  if (frozen_ > 0) {
    trace(0, S_FALSE, true);
    return S_FALSE;
  }
  std::vector<TSinkRef> sinks;
  try {
    sinks = events_.Sinks();
  } catch (...) {
    trace(0, E_OUTOFMEMORY, false);
    return E_OUTOFMEMORY;
  }
  HRESULT result = S_OK;
  for (const TSinkRef& sink : sinks) {
    DISPPARAMS parameters{arguments, nullptr, count, 0};
    VARIANT answer;
    VariantInit(&answer);
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const HRESULT invoked = static_cast<IDispatch*>(sink.get())->Invoke(
        id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, &answer, &exception, &argumentError);
    VariantClear(&answer);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (FAILED(invoked) && SUCCEEDED(result)) result = invoked;
  }
  trace(sinks.size(), result, false);
  return result;
}

// ---- Properties

long TRuntimeObject::ReadNumber(TProperty property) const {
  switch (property) {
    case TProperty::ReadyState: return stage_.ReadyState();
    case TProperty::TotalFrames: return stage_.TotalFrames();
    // The playing movie's own; without one, whatever was last written.
    case TProperty::FrameNum:
      return stage_.HasTimeline() ? stage_.CurrentFrame() : properties_.Number(property);
    case TProperty::Playing:
      if (!stage_.HasTimeline()) return properties_.Number(property);
      return stage_.Playing() ? VARIANT_TRUE : VARIANT_FALSE;
    case TProperty::BackgroundColor:
      return properties_.Written(property) ? properties_.Number(property) : stage_.BackgroundColor();
    default: return properties_.Number(property);
  }
}

void TRuntimeObject::WriteNumber(TProperty property, long value) {
  properties_.SetNumber(property, value);
  if (property == TProperty::BackgroundColor) StageChanged();
  if (property == TProperty::FrameNum) stage_.GotoFrame(value);
  if (property == TProperty::Playing) stage_.SetPlaying(value != 0);
}

void TRuntimeObject::KeyPress(std::uint8_t key) { stage_.KeyPress(key); }

const std::wstring& TRuntimeObject::ReadText(TProperty property) const { return properties_.Text(property); }

// A new Movie loads into layer 0; empty text clears the stage.
void TRuntimeObject::WriteText(TProperty property, std::wstring value) {
  properties_.SetText(property, value);
  if (property != TProperty::Movie) return;
  if (value.empty()) {
    stage_.Clear();
  } else {
    stage_.Load(0, value);
  }
}

void TRuntimeObject::LoadMovie(int layer, const std::wstring& url) { stage_.Load(layer, url); }

// ---- Window

void TRuntimeObject::PaintWindow(HWND window) noexcept {
  PAINTSTRUCT paint{};
  const HDC dc = BeginPaint(window, &paint);
  if (!dc) return;
  PaintInto(window, dc);
  EndPaint(window, &paint);
}

void TRuntimeObject::PaintInto(HWND window, HDC dc) noexcept {
  RECT client{};
  GetClientRect(window, &client);
  try {
    stage_.Paint(dc, client);
  } catch (...) {
    // A picture that cannot be made leaves the window as it was.
  }
}

void TRuntimeObject::WindowDestroyed(HWND window) noexcept {
  if (window == window_) window_ = nullptr;
}

}  // namespace standin
