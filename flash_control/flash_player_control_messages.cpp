// The control's window procedure: what it filters before the runtime's window sees a message
// (context menu, accelerators), the default handler that forwards to the runtime, painting,
// mouse events and the framework's component messages.
#include <windowsx.h>
#include <olectl.h>

#include "flash_control/flash_player_control.h"
#include "flash_control/flash_site.h"

namespace leafmark {

namespace {

// The point coordinates a translated accelerator message carries.
constexpr LONG kAcceleratorPoint = 0x115DE1F1;

ui::TShiftState MouseShiftState(WPARAM keys, bool doubleClick) {
  ui::TShiftState shift;
  shift.Shift = (keys & MK_SHIFT) != 0;
  shift.Ctrl = (keys & MK_CONTROL) != 0;
  shift.Alt = ::GetKeyState(VK_MENU) < 0;
  shift.Left = (keys & MK_LBUTTON) != 0;
  shift.Right = (keys & MK_RBUTTON) != 0;
  shift.Middle = (keys & MK_MBUTTON) != 0;
  shift.Double = doubleClick;
  return shift;
}

}  // namespace

LRESULT TFlashPlayerControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (oleObject_ && FilterRuntimeMessage(message, wParam, lParam, result)) return result;
  if (HandleMessage(message, wParam, lParam, result)) return result;
  return TWinControl::WndProc(message, wParam, lParam);
}

bool TFlashPlayerControl::FilterRuntimeMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                               LRESULT& result) {
  if (message == WM_KEYDOWN && wParam == VK_APPS) {
    if (PopupMenu) {
      result = Perform(WM_CONTEXTMENU, wParam, static_cast<LPARAM>(0xFFFFFFFF));
      return true;
    }
    if (!StandartMenu) return true;  // the runtime's own menu stays away
  }
  if (message == WM_RBUTTONUP) {
    // The runtime never sees the release: it would open its own menu.
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ClientToScreen(ExistingHandle(), &point);
    result = Perform(WM_CONTEXTMENU, wParam, MAKELPARAM(point.x, point.y));
    return true;
  }
  if (message >= kReflectionBase + WM_KEYFIRST && message <= kReflectionBase + kLastKeyMessage &&
      inPlaceActiveObject_) {
    MSG key{};
    key.hwnd = ExistingHandle();
    key.message = message - kReflectionBase;
    key.wParam = wParam;
    key.lParam = lParam;
    key.time = static_cast<DWORD>(::GetMessageTime());
    key.pt = POINT{kAcceleratorPoint, kAcceleratorPoint};
    const com::TComPtr<IOleInPlaceActiveObject> object = inPlaceActiveObject_;
    if (object->TranslateAccelerator(&key) == S_OK) {
      result = 1;
      return true;
    }
  }
  if (message == kParentFontChangedMessage && ParentFont && oleControl_) {
    oleControl_->OnAmbientPropertyChange(DISPID_AMBIENT_FONT);
    if (oleControl_) oleControl_->OnAmbientPropertyChange(DISPID_AMBIENT_FORECOLOR);
  } else if (message == kParentColorChangedMessage && ParentColor && oleControl_) {
    oleControl_->OnAmbientPropertyChange(DISPID_AMBIENT_BACKCOLOR);
  }
  return false;
}

bool TFlashPlayerControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_ERASEBKGND:
      result = DefaultHandler(message, wParam, lParam);
      return true;
    case WM_PAINT:
      result = oleObject_ ? DefaultHandler(message, wParam, lParam) : PaintMessage(wParam);
      return true;
    case WM_QUERYNEWPALETTE:
      if (oleObject_ && ExistingHandle() && runtimeWndProc_) {
        result = CallRuntimeWndProc(WM_QUERYNEWPALETTE, 0, 0) != 0 ? TRUE : FALSE;
        return true;
      }
      return false;
    case WM_CONTEXTMENU:
      result = ContextMenuMessage(wParam, lParam);
      return true;
    case kDialogKeyMessage:
      result = DialogKeyMessage(wParam, lParam);
      return true;
    case kParentFontChangedMessage:
    case kParentColorChangedMessage:
      result = 0;
      return true;
    case kUIActivateMessage:
      if (oleObject_) {
        ui::TForm* form = ParentForm();
        if (!form || form->ActiveOleControl() != this) InPlaceActivate(OLEIVERB_UIACTIVATE);
      }
      result = 0;
      return true;
    case kUIDeactivateMessage:
      if (oleObject_) UIDeactivateMessage();
      result = 0;
      return true;
    case kDocWindowActivateMessage:
      // Only MDI child forms pass document-window activation on; the framework has none.
      result = 0;
      return true;
    default:
      break;
  }
  if (message >= WM_MOUSEMOVE && message <= WM_MBUTTONDBLCLK) {
    result = MouseMessage(message, wParam, lParam);
    return true;
  }
  return false;
}

LRESULT TFlashPlayerControl::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!oleObject_ || !ExistingHandle() || !runtimeWndProc_) {
    return TWinControl::DefaultHandler(message, wParam, lParam);
  }
  try {
    if (message == WM_SIZE) {
      // The runtime learns its new rectangle through the activation verb, never WM_SIZE.
      InPlaceActivate(OLEIVERB_INPLACEACTIVATE);
      return 0;
    }
    if (message >= kReflectionBase && message <= kReflectionLast) {
      message -= kReflectionBase - kOleReflectionBase;
    }
    return CallRuntimeWndProc(message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

LRESULT TFlashPlayerControl::PaintMessage(WPARAM wParam) {
  const HWND window = ExistingHandle();
  RECT client{};
  ::GetClientRect(window, &client);
  if (const auto dc = reinterpret_cast<HDC>(wParam)) {
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOW));
    return 0;
  }
  PAINTSTRUCT paint{};
  if (const HDC dc = ::BeginPaint(window, &paint)) {
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOW));
    ::EndPaint(window, &paint);
  }
  return 0;
}

LRESULT TFlashPlayerControl::ContextMenuMessage(WPARAM wParam, LPARAM lParam) {
  if (!PopupMenu) return DefaultHandler(WM_CONTEXTMENU, wParam, lParam);
  POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (point.x == -1 && point.y == -1) {
    // A keyboard request: the menu opens at the control's client origin.
    point = POINT{0, 0};
    ::ClientToScreen(ExistingHandle(), &point);
  }
  ShowPopupMenu(point);
  return 0;
}

void TFlashPlayerControl::ShowPopupMenu(POINT screen) {
  ::TrackPopupMenuEx(PopupMenu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, ExistingHandle(),
                     nullptr);
}

LRESULT TFlashPlayerControl::DialogKeyMessage(WPARAM wParam, LPARAM lParam) {
  if (!oleObject_) return 0;  // dropped: neither handled nor passed on
  const HWND window = ExistingHandle();
  if (TabStop && window && ::IsWindowEnabled(window) && ::IsWindowVisible(window) && oleControl_) {
    CONTROLINFO info{};
    info.cb = sizeof info;
    const com::TComPtr<IOleControl> control = oleControl_;
    if (control->GetControlInfo(&info) == S_OK && info.cAccel > 0 && info.hAccel) {
      MSG key{};
      key.hwnd = window;
      key.message = WM_KEYDOWN;
      key.wParam = wParam;
      key.lParam = lParam;
      if (::IsAccelerator(info.hAccel, info.cAccel, &key, nullptr)) {
        control->OnMnemonic(&key);
        return 1;
      }
    }
  }
  return 0;
}

void TFlashPlayerControl::UIDeactivateMessage() {
  ui::TForm* form = ParentForm();
  if (form && form->ActiveOleControl() != this) return;
  if (const com::TComPtr<IOleInPlaceObject> object = inPlaceObject_) object->UIDeactivate();
  const HWND window = ExistingHandle();
  if (site_ && window && ::GetFocus() == window) site_->OnUIDeactivate(FALSE);
}

void TFlashPlayerControl::SendCancelMode() {
  // The control that has the focus gives up any mode it is in (a capture, a drag).
  const HWND focus = ::GetFocus();
  const HWND window = ExistingHandle();
  if (!focus || focus == window) return;
  ui::TForm* form = ParentForm();
  if (form && form->HandleAllocated() && ::IsChild(form->Handle(), focus)) {
    ::SendMessageW(focus, WM_CANCELMODE, 0, 0);
  }
}

LRESULT TFlashPlayerControl::MouseMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam);
  const int y = GET_Y_LPARAM(lParam);
  const bool doubleClick = message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK ||
                           message == WM_MBUTTONDBLCLK;
  const ui::TShiftState shift = MouseShiftState(wParam, doubleClick);
  const auto down = [&](TMouseButton button) {
    if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
  };
  const auto up = [&](TMouseButton button) {
    if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
  };
  LRESULT result = 0;
  switch (message) {
    case WM_LBUTTONDOWN:
      SendCancelMode();
      result = DefaultHandler(message, wParam, lParam);
      down(TMouseButton::Left);
      break;
    case WM_LBUTTONDBLCLK:
      SendCancelMode();
      result = DefaultHandler(message, wParam, lParam);
      if (ExistingHandle()) ::SetCapture(ExistingHandle());
      if (OnDblClick) OnDblClick(*this);
      down(TMouseButton::Left);
      break;
    case WM_LBUTTONUP: {
      result = DefaultHandler(message, wParam, lParam);
      if (ExistingHandle() && ::GetCapture() == ExistingHandle()) ::ReleaseCapture();
      const RECT client = ClientRect();
      const POINT point{x, y};
      if (::PtInRect(&client, point) && OnClick) OnClick(*this);
      up(TMouseButton::Left);
      break;
    }
    case WM_RBUTTONDOWN:
      if (StandartMenu) result = DefaultHandler(message, wParam, lParam);
      down(TMouseButton::Right);
      break;
    case WM_RBUTTONDBLCLK:
      result = DefaultHandler(message, wParam, lParam);
      down(TMouseButton::Right);
      break;
    case WM_RBUTTONUP:
      result = DefaultHandler(message, wParam, lParam);
      up(TMouseButton::Right);
      break;
    case WM_MBUTTONDOWN:
      down(TMouseButton::Middle);
      result = DefaultHandler(message, wParam, lParam);
      break;
    case WM_MBUTTONDBLCLK:
      result = DefaultHandler(message, wParam, lParam);
      down(TMouseButton::Middle);
      break;
    case WM_MBUTTONUP:
      result = DefaultHandler(message, wParam, lParam);
      up(TMouseButton::Middle);
      break;
    case WM_MOUSEMOVE:
      result = DefaultHandler(message, wParam, lParam);
      if (OnMouseMove) OnMouseMove(*this, shift, x, y);
      break;
    default:
      result = DefaultHandler(message, wParam, lParam);
      break;
  }
  return result;
}

}  // namespace leafmark
