// The site's answers: those of a minimal in-place container that lets one object activate
// inside the control's rectangle, plus the runtime's events and the ambient properties.
#include "flash_control/flash_site.h"

#include <olectl.h>

#include <cmath>
#include <exception>
#include <iterator>
#include <string>

#include "flash_control/flash_player_control.h"
#include "ui/main_thread_calls.h"
#include "win/com_object.h"
#include "win/system_text.h"

namespace leafmark {

const IID kFlashEventsIid = {0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

namespace {

constexpr RECT kClipEverything{0, 0, 32767, 32767};

// An application handler runs inside the runtime's call: whatever it throws stops here.
template <class Handler>
void RaiseGuarded(const char* event, Handler&& handler) noexcept {
  const char* reason = nullptr;
  try {
    handler();
  } catch (const std::exception& error) {
    reason = error.what();
  } catch (...) {
    reason = "not a standard exception";
  }
  if (!reason) return;
  // Told in pieces: building one message could fail again where nothing may fail.
  ::OutputDebugStringA("Flash control: ");
  ::OutputDebugStringA(event);
  ::OutputDebugStringA(" handler failed: ");
  ::OutputDebugStringA(reason);
}

// A by-reference argument is read through its reference; a by-reference VARIANT once more.
const VARIANT* Dereferenced(const VARIANT& argument) {
  if (argument.vt == (VT_BYREF | VT_VARIANT)) return argument.pvarVal;
  return &argument;
}

HRESULT ReadInteger(const VARIANT& argument, long& value) {
  const VARIANT* v = Dereferenced(argument);
  if (!v) return DISP_E_TYPEMISMATCH;
  switch (v->vt) {
    case VT_I4: value = v->lVal; return S_OK;
    case VT_INT: value = v->intVal; return S_OK;
    case VT_BYREF | VT_I4:
      if (!v->plVal) return DISP_E_TYPEMISMATCH;
      value = *v->plVal;
      return S_OK;
    default: return DISP_E_TYPEMISMATCH;
  }
}

HRESULT ReadText(const VARIANT& argument, std::wstring& value) {
  const VARIANT* v = Dereferenced(argument);
  if (!v) return DISP_E_TYPEMISMATCH;
  BSTR text = nullptr;
  if (v->vt == VT_BSTR) {
    text = v->bstrVal;
  } else if (v->vt == (VT_BYREF | VT_BSTR) && v->pbstrVal) {
    text = *v->pbstrVal;
  } else {
    return DISP_E_TYPEMISMATCH;
  }
  value.assign(text ? text : L"", text ? ::SysStringLen(text) : 0);
  return S_OK;
}

// The call's arguments, last parameter first, after checking there are exactly count.
HRESULT CheckCount(const DISPPARAMS* params, UINT count) {
  if (!params || params->cArgs != count || (count && !params->rgvarg)) return DISP_E_BADPARAMCOUNT;
  return S_OK;
}

// Reads element index into value; on a mismatch names the argument for the caller.
template <class T, class Reader>
HRESULT ReadArgument(const DISPPARAMS& params, UINT index, T& value, Reader reader,
                     UINT* argumentError) {
  const HRESULT result = reader(params.rgvarg[index], value);
  if (FAILED(result) && argumentError) *argumentError = index;
  return result;
}

void SetBool(VARIANT& result, bool value) {
  result.vt = VT_BOOL;
  result.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void SetInteger(VARIANT& result, long value) {
  result.vt = VT_I4;
  result.lVal = value;
}

HRESULT CreateOleFont(const ui::TFont& font, IDispatch** object) {
  std::wstring name = win::SystemToWide(font.Name);
  FONTDESC description{};
  description.cbSizeofstruct = sizeof description;
  description.lpstrName = name.data();
  // Point size in units of 1/10000 point, from the height in pixels.
  const int pixels = font.Height < 0 ? -font.Height : font.Height;
  description.cySize.int64 = static_cast<LONGLONG>(::MulDiv(pixels, 72, ScreenPixelsPerInch())) * 10000;
  description.sWeight = static_cast<SHORT>(font.Bold ? FW_BOLD : FW_NORMAL);
  description.sCharset = font.CharSet;
  description.fItalic = font.Italic;
  return ::OleCreateFontIndirect(&description, IID_IFontDisp, reinterpret_cast<void**>(object));
}

}  // namespace

template <class Body>
HRESULT TFlashSite::WithControl(Body&& body) noexcept {
  TFlashPlayerControl* control = control_.load();
  if (!control) return E_UNEXPECTED;
  return com::ComBoundary([&] { return body(*control); });
}

// ---- IUnknown --------------------------------------------------------------------------

HRESULT TFlashSite::QueryInterface(REFIID iid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kFlashEventsIid) {
    *object = static_cast<IDispatch*>(this);
  } else if (iid == IID_IOleWindow) {
    *object = static_cast<IOleWindow*>(static_cast<IOleInPlaceSite*>(this));
  } else if (iid == __uuidof(content::IFlashPlayerControlBase)) {
    *object = static_cast<content::IFlashPlayerControlBase*>(this);
  } else if (iid == IID_ISimpleFrameSite) {
    *object = static_cast<ISimpleFrameSite*>(this);
  } else if (iid == IID_IPropertyNotifySink) {
    *object = static_cast<IPropertyNotifySink*>(this);
  } else if (iid == IID_IOleInPlaceFrame) {
    *object = static_cast<IOleInPlaceFrame*>(this);
  } else if (iid == IID_IOleInPlaceSite) {
    *object = static_cast<IOleInPlaceSite*>(this);
  } else if (iid == IID_IOleControlSite) {
    *object = static_cast<IOleControlSite*>(this);
  } else if (iid == IID_IOleClientSite) {
    *object = static_cast<IOleClientSite*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG TFlashSite::AddRef() noexcept { return static_cast<ULONG>(++references_); }

ULONG TFlashSite::Release() noexcept {
  const long left = --references_;
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

// ---- IDispatch -------------------------------------------------------------------------

HRESULT TFlashSite::GetTypeInfoCount(UINT* count) noexcept {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT TFlashSite::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT TFlashSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept {
  return E_NOTIMPL;
}

HRESULT TFlashSite::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO*, UINT* argumentError) noexcept {
  TFlashPlayerControl* control = control_.load();
  if (!control) return E_UNEXPECTED;
  TEvent event;
  const HRESULT read =
      com::ComBoundary([&] { return ReadEvent(dispid, params, event, argumentError); });
  if (read == S_OK) {
    if (OnControlThread()) {
      Raise(event);
      return S_OK;
    }
    // A runtime thread raising an event: the handlers belong to the GUI thread. The event is
    // posted, not waited for, since the GUI thread may itself be waiting for this thread.
    return com::ComBoundary([&] {
      ui::PostToMainThread([site = com::TComPtr<TFlashSite>(this), event] { site->Raise(event); });
      return S_OK;
    });
  }
  if (read != S_FALSE) return read;
  // Ambients are read on the GUI thread only: the font object belongs to it.
  if (!OnControlThread()) return RPC_E_WRONG_THREAD;
  if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
  return com::ComBoundary([&] { return Ambient(*control, dispid, *result); });
}

HRESULT TFlashSite::ReadEvent(DISPID dispid, const DISPPARAMS* params, TEvent& event,
                              UINT* argumentError) {
  event.Dispid = dispid;
  HRESULT answer = S_OK;
  switch (dispid) {
    case kDispidReadyStateChange:
    case kDispidProgress:
      if (FAILED(answer = CheckCount(params, 1))) return answer;
      return ReadArgument(*params, 0, event.Number, ReadInteger, argumentError);
    case kDispidFSCommand:
      if (FAILED(answer = CheckCount(params, 2))) return answer;
      if (FAILED(answer = ReadArgument(*params, 1, event.First, ReadText, argumentError))) return answer;
      return ReadArgument(*params, 0, event.Second, ReadText, argumentError);
    case kDispidFlashCall:
      if (FAILED(answer = CheckCount(params, 1))) return answer;
      return ReadArgument(*params, 0, event.First, ReadText, argumentError);
    default:
      return S_FALSE;
  }
}

void TFlashSite::Raise(const TEvent& event) noexcept {
  TFlashPlayerControl* control = control_.load();
  if (!control) return;  // the control went while the event was on its way
  switch (event.Dispid) {
    case kDispidReadyStateChange:
      if (control->OnReadyStateChange) {
        RaiseGuarded("OnReadyStateChange", [&] { control->OnReadyStateChange(*control, event.Number); });
      }
      break;
    case kDispidProgress:
      if (control->OnProgress) {
        RaiseGuarded("OnProgress", [&] { control->OnProgress(*control, event.Number); });
      }
      break;
    case kDispidFSCommand:
      if (control->OnFSCommand) {
        RaiseGuarded("OnFSCommand", [&] { control->OnFSCommand(*control, event.First, event.Second); });
      }
      break;
    case kDispidFlashCall:
      if (control->OnFlashCall) {
        RaiseGuarded("OnFlashCall", [&] { control->OnFlashCall(*control, event.First); });
      }
      break;
    default:
      break;
  }
}

HRESULT TFlashSite::Ambient(TFlashPlayerControl& control, DISPID dispid, VARIANT& result) {
  ::VariantInit(&result);
  switch (dispid) {
    case DISPID_AMBIENT_BACKCOLOR:
      SetInteger(result, static_cast<long>(control.AmbientBackColor()));
      return S_OK;
    case DISPID_AMBIENT_DISPLAYNAME:
      result.vt = VT_BSTR;
      result.bstrVal = ::SysAllocStringLen(control.Name.data(), static_cast<UINT>(control.Name.size()));
      return result.bstrVal ? S_OK : E_OUTOFMEMORY;
    case DISPID_AMBIENT_FONT: {
      IDispatch* font = nullptr;
      const HRESULT created = CreateOleFont(control.AmbientFont(), &font);
      if (FAILED(created)) return created;
      result.vt = VT_DISPATCH;
      result.pdispVal = font;
      return S_OK;
    }
    case DISPID_AMBIENT_FORECOLOR:
      SetInteger(result, static_cast<long>(control.AmbientFont().Color));
      return S_OK;
    case DISPID_AMBIENT_LOCALEID:
      SetInteger(result, static_cast<long>(::GetUserDefaultLCID()));
      return S_OK;
    case DISPID_AMBIENT_MESSAGEREFLECT:
    case DISPID_AMBIENT_USERMODE:  // the player never puts controls in design state
    case DISPID_AMBIENT_SUPPORTSMNEMONICS:
    case DISPID_AMBIENT_AUTOCLIP:
      SetBool(result, true);
      return S_OK;
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
      SetBool(result, false);
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

// ---- IFlashPlayerControlBase -----------------------------------------------------------

HRESULT TFlashSite::PutMovie(const wchar_t* url) noexcept {
  return WithControl([&](TFlashPlayerControl& control) {
    control.SetMovie(url ? url : L"");
    return S_OK;
  });
}

HRESULT TFlashSite::LoadMovie(int layer, const wchar_t* url) noexcept {
  return WithControl([&](TFlashPlayerControl& control) {
    control.LoadMovie(layer, url ? url : L"");
    return S_OK;
  });
}

HRESULT TFlashSite::GetBase(std::wstring* base) noexcept {
  if (!base) return E_POINTER;
  // Content delivery asks from the runtime's download and file threads; the runtime and the
  // cached value belong to the GUI thread.
  return WithControl([&](TFlashPlayerControl& control) {
    ui::RunOnMainThread([&] { *base = control.Base(); });
    return S_OK;
  });
}

HRESULT TFlashSite::FireLoadExternalResource(const wchar_t* url, TStream* stream) noexcept {
  return WithControl([&](TFlashPlayerControl& control) {
    if (!control.OnLoadExternalResource) return S_FALSE;
    if (!stream) return E_POINTER;
    control.OnLoadExternalResource(control, url ? url : L"", *stream);
    return S_OK;
  });
}

HRESULT TFlashSite::FireLoadExternalResourceEx(const wchar_t* url, std::unique_ptr<TStream>* stream,
                                               bool* handled) noexcept {
  return WithControl([&](TFlashPlayerControl& control) {
    if (!control.OnLoadExternalResourceEx) return S_FALSE;
    if (!stream || !handled) return E_POINTER;
    control.OnLoadExternalResourceEx(control, url ? url : L"", *stream, *handled);
    return S_OK;
  });
}

HRESULT TFlashSite::FireLoadExternalResourceAsync(const wchar_t* path,
                                                  std::unique_ptr<TStream>* stream) noexcept {
  return WithControl([&](TFlashPlayerControl& control) {
    if (!control.OnLoadExternalResourceAsync) return S_FALSE;
    if (!stream) return E_POINTER;
    control.OnLoadExternalResourceAsync(control, path ? path : L"", *stream);
    return S_OK;
  });
}

HRESULT TFlashSite::FireUnloadExternalResourceAsync(TStream* stream) noexcept {
  return WithControl([&](TFlashPlayerControl& control) {
    if (!control.OnUnloadExternalResourceAsync) return S_FALSE;
    if (!stream) return E_POINTER;
    control.OnUnloadExternalResourceAsync(control, *stream);
    return S_OK;
  });
}

// ---- ISimpleFrameSite, IPropertyNotifySink ----------------------------------------------

HRESULT TFlashSite::PreMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT*, DWORD*) noexcept {
  return control_.load() ? S_OK : E_UNEXPECTED;
}

HRESULT TFlashSite::PostMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT*, DWORD) noexcept {
  return control_.load() ? S_OK : E_UNEXPECTED;
}

HRESULT TFlashSite::OnChanged(DISPID dispid) noexcept {
  return WithControl([&](TFlashPlayerControl& control) { return control.OnChanged(dispid); });
}

HRESULT TFlashSite::OnRequestEdit(DISPID dispid) noexcept {
  return WithControl([&](TFlashPlayerControl& control) { return control.OnRequestEdit(dispid); });
}

HRESULT TFlashSite::ContextSensitiveHelp(BOOL) noexcept { return control_.load() ? S_OK : E_UNEXPECTED; }

// ---- IOleInPlaceFrame ------------------------------------------------------------------

HRESULT TFlashSite::FrameGetWindow(HWND* window) noexcept {
  if (!window) return E_POINTER;
  *window = nullptr;
  return WithControl([&](TFlashPlayerControl& control) {
    *window = control.FrameWindow();
    return *window ? S_OK : E_FAIL;
  });
}

HRESULT TFlashSite::GetBorder(LPRECT) noexcept {
  return control_.load() ? INPLACE_E_NOTOOLSPACE : E_UNEXPECTED;
}

HRESULT TFlashSite::RequestBorderSpace(LPCBORDERWIDTHS) noexcept {
  return control_.load() ? INPLACE_E_NOTOOLSPACE : E_UNEXPECTED;
}

HRESULT TFlashSite::SetBorderSpace(LPCBORDERWIDTHS) noexcept {
  return control_.load() ? E_NOTIMPL : E_UNEXPECTED;
}

HRESULT TFlashSite::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) noexcept {
  return control_.load() ? S_OK : E_UNEXPECTED;
}

HRESULT TFlashSite::InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) noexcept {
  return WithControl([&](TFlashPlayerControl& control) {
    const HMENU menu = control.FindMainMenu();
    if (!menu || !shared || !widths) return S_OK;
    // The form's whole menu bar counts as its first (file) group; it has no container or
    // window groups of its own.
    const int count = ::GetMenuItemCount(menu);
    LONG inserted = 0;
    for (int index = 0; index < count; ++index) {
      wchar_t text[256] = {};
      MENUITEMINFOW item{};
      item.cbSize = sizeof item;
      item.fMask = MIIM_STRING | MIIM_SUBMENU | MIIM_ID | MIIM_FTYPE | MIIM_STATE;
      item.dwTypeData = text;
      item.cch = static_cast<UINT>(std::size(text));
      if (!::GetMenuItemInfoW(menu, static_cast<UINT>(index), TRUE, &item)) continue;
      if (::InsertMenuItemW(shared, static_cast<UINT>(inserted), TRUE, &item)) ++inserted;
    }
    widths->width[0] = inserted;
    widths->width[2] = 0;
    widths->width[4] = 0;
    return S_OK;
  });
}

HRESULT TFlashSite::SetMenu(HMENU shared, HOLEMENU descriptor, HWND objectWindow) noexcept {
  return WithControl([&](TFlashPlayerControl& control) {
    const HMENU menu = control.FindMainMenu();
    if (!menu) return S_OK;
    const HWND frame = control.FrameWindow();
    ::SetMenu(frame, shared ? shared : menu);
    return ::OleSetMenuDescriptor(descriptor, frame, objectWindow, nullptr, nullptr);
  });
}

HRESULT TFlashSite::RemoveMenus(HMENU shared) noexcept {
  return WithControl([&](TFlashPlayerControl&) {
    if (!shared) return S_OK;
    // Always the first item, until none is left (or the menu refuses).
    while (::GetMenuItemCount(shared) > 0) {
      if (!::RemoveMenu(shared, 0, MF_BYPOSITION)) break;
    }
    return S_OK;
  });
}

HRESULT TFlashSite::SetStatusText(LPCOLESTR) noexcept { return control_.load() ? S_OK : E_UNEXPECTED; }

HRESULT TFlashSite::EnableModeless(BOOL) noexcept { return control_.load() ? S_OK : E_UNEXPECTED; }

HRESULT TFlashSite::TranslateAccelerator(LPMSG, WORD) noexcept {
  return control_.load() ? S_FALSE : E_UNEXPECTED;
}

// ---- IOleInPlaceSite -------------------------------------------------------------------

HRESULT TFlashSite::SiteGetWindow(HWND* window) noexcept {
  if (!window) return E_POINTER;
  *window = nullptr;
  return WithControl([&](TFlashPlayerControl& control) {
    *window = control.ParentWindow();
    return *window ? S_OK : E_FAIL;
  });
}

HRESULT TFlashSite::CanInPlaceActivate() noexcept { return control_.load() ? S_OK : E_UNEXPECTED; }

HRESULT TFlashSite::OnInPlaceActivate() noexcept {
  return WithControl([&](TFlashPlayerControl& control) {
    control.inPlaceObject_ = nullptr;
    control.inPlaceActiveObject_ = nullptr;
    if (control.oleObject_) {
      control.inPlaceObject_ = control.oleObject_.As<IOleInPlaceObject>();
      control.inPlaceActiveObject_ = control.oleObject_.As<IOleInPlaceActiveObject>();
    }
    return S_OK;
  });
}

HRESULT TFlashSite::OnUIActivate() noexcept {
  return WithControl([&](TFlashPlayerControl& control) {
    control.SetUIActive(true);
    return S_OK;
  });
}

HRESULT TFlashSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                     LPRECT position, LPRECT clip,
                                     LPOLEINPLACEFRAMEINFO frameInfo) noexcept {
  if (frame) *frame = nullptr;
  if (document) *document = nullptr;
  return WithControl([&](TFlashPlayerControl& control) {
    if (frame) {
      *frame = static_cast<IOleInPlaceFrame*>(this);
      AddRef();
    }
    if (position) *position = control.WindowBounds();
    if (clip) *clip = kClipEverything;
    if (frameInfo) {
      frameInfo->fMDIApp = FALSE;
      frameInfo->hwndFrame = control.FrameWindow();
      frameInfo->haccel = nullptr;
      frameInfo->cAccelEntries = 0;
    }
    return S_OK;
  });
}

HRESULT TFlashSite::Scroll(SIZE) noexcept { return control_.load() ? E_NOTIMPL : E_UNEXPECTED; }

HRESULT TFlashSite::OnUIDeactivate(BOOL) noexcept {
  return WithControl([&](TFlashPlayerControl& control) {
    SetMenu(nullptr, nullptr, nullptr);
    control.SetUIActive(false);
    return S_OK;
  });
}

HRESULT TFlashSite::OnInPlaceDeactivate() noexcept {
  return WithControl([&](TFlashPlayerControl& control) {
    control.inPlaceActiveObject_ = nullptr;
    control.inPlaceObject_ = nullptr;
    return S_OK;
  });
}

HRESULT TFlashSite::DiscardUndoState() noexcept { return control_.load() ? E_NOTIMPL : E_UNEXPECTED; }

HRESULT TFlashSite::DeactivateAndUndo() noexcept {
  return WithControl([&](TFlashPlayerControl& control) {
    // The object may already have left in-place activation.
    if (const com::TComPtr<IOleInPlaceObject> object = control.inPlaceObject_) object->UIDeactivate();
    return S_OK;
  });
}

HRESULT TFlashSite::OnPosRectChange(LPCRECT position) noexcept {
  if (!position) return E_POINTER;
  return WithControl([&](TFlashPlayerControl& control) {
    if (const com::TComPtr<IOleInPlaceObject> object = control.inPlaceObject_) {
      object->SetObjectRects(position, &kClipEverything);
    }
    return S_OK;
  });
}

// ---- IOleControlSite -------------------------------------------------------------------

HRESULT TFlashSite::OnControlInfoChanged() noexcept { return control_.load() ? E_NOTIMPL : E_UNEXPECTED; }

HRESULT TFlashSite::LockInPlaceActive(BOOL) noexcept { return control_.load() ? E_NOTIMPL : E_UNEXPECTED; }

HRESULT TFlashSite::GetExtendedControl(IDispatch** control) noexcept {
  if (control) *control = nullptr;
  return control_.load() ? E_NOTIMPL : E_UNEXPECTED;
}

HRESULT TFlashSite::TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) noexcept {
  if (!himetric || !container) return E_POINTER;
  return WithControl([&](TFlashPlayerControl&) {
    const int pixelsPerInch = ScreenPixelsPerInch();
    if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
      container->x = static_cast<float>(::MulDiv(himetric->x, pixelsPerInch, 2540));
      container->y = static_cast<float>(::MulDiv(himetric->y, pixelsPerInch, 2540));
    } else {
      // Halves go to the even neighbour (the default rounding mode).
      himetric->x = static_cast<LONG>(std::nearbyint(double(container->x) * 2540 / pixelsPerInch));
      himetric->y = static_cast<LONG>(std::nearbyint(double(container->y) * 2540 / pixelsPerInch));
    }
    return S_OK;
  });
}

HRESULT TFlashSite::TranslateAccelerator(MSG*, DWORD) noexcept {
  return control_.load() ? E_NOTIMPL : E_UNEXPECTED;
}

HRESULT TFlashSite::OnFocus(BOOL) noexcept { return control_.load() ? E_NOTIMPL : E_UNEXPECTED; }

HRESULT TFlashSite::ShowPropertyFrame() noexcept { return control_.load() ? E_NOTIMPL : E_UNEXPECTED; }

// ---- IOleClientSite --------------------------------------------------------------------

HRESULT TFlashSite::SaveObject() noexcept { return control_.load() ? S_OK : E_UNEXPECTED; }

HRESULT TFlashSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept {
  if (moniker) *moniker = nullptr;
  return control_.load() ? E_NOTIMPL : E_UNEXPECTED;
}

HRESULT TFlashSite::GetContainer(IOleContainer** container) noexcept {
  if (container) *container = nullptr;
  return control_.load() ? E_NOINTERFACE : E_UNEXPECTED;
}

HRESULT TFlashSite::ShowObject() noexcept {
  return WithControl([&](TFlashPlayerControl& control) {
    control.AttachRuntimeWindow();
    return S_OK;
  });
}

HRESULT TFlashSite::OnShowWindow(BOOL) noexcept { return control_.load() ? S_OK : E_UNEXPECTED; }

HRESULT TFlashSite::RequestNewObjectLayout() noexcept {
  return WithControl([&](TFlashPlayerControl& control) { return control.RequestNewObjectLayout(); });
}

}  // namespace leafmark
