// The control's life with its runtime: siting, in-place activation that adopts the runtime's
// window, sizing in HIMETRIC, reparenting, UI activation on the form, and teardown in an
// order that hands the runtime its window procedure back before it closes.
#include "flash_control/flash_player_control.h"

#include <olectl.h>

#include "content/content_manager.h"
#include "flash_control/flash_site.h"
#include "flash_control/ole_errors.h"
#include "runtime_loader/code_providers.h"
#include "ui/application.h"

namespace leafmark {

namespace {

// The window property that ties an adopted runtime window to its control.
constexpr wchar_t kControlProperty[] = L"LeafmarkFlashPlayerControl";
// The runtime's own procedure, for messages that reach ours when no control is behind it.
constexpr wchar_t kRuntimeProcProperty[] = L"LeafmarkFlashRuntimeProc";

// A result that failed, or an interface that was not delivered, as EOleSysError.
[[noreturn]] void ThrowOleSysError(HRESULT result, const char* what) {
  OleCheck(FAILED(result) ? result : E_NOINTERFACE, what);
  throw EOleSysError(E_NOINTERFACE, what);  // not reached: OleCheck raises
}

HRESULT CreateFromCurrentProvider(REFIID iid, void** object) {
  TFlashOCXCodeProviderBasedOnStream* provider = FlashOCXCodeProvider();
  if (!provider) return E_FAIL;
  return provider->CreateFlashInstance(iid, object);
}

}  // namespace

int ScreenPixelsPerInch() {
  const HDC screen = ::GetDC(nullptr);
  const int pixelsPerInch = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  return pixelsPerInch > 0 ? pixelsPerInch : 96;
}

int PixelsToHimetric(int pixels, int pixelsPerInch) { return ::MulDiv(pixels, 2540, pixelsPerInch); }
int HimetricToPixels(int himetric, int pixelsPerInch) { return ::MulDiv(himetric, pixelsPerInch, 2540); }

// ---- construction and destruction ------------------------------------------------------

TFlashPlayerControl::TFlashPlayerControl() : TFlashPlayerControl(CreateFromCurrentProvider) {}

TFlashPlayerControl::TFlashPlayerControl(TRuntimeFactory factory)
    : site_(new TFlashSite(*this)), link_(content::TControlLink::Create(site_->ControlBase())) {
  TWinControl::SetBounds(0, 0, 100, 100);
  try {
    if (factory) factory(IID_IOleObject, oleObject_.PutVoid());
    if (!oleObject_) return;  // a plain control
    const HRESULT sited = oleObject_->SetClientSite(site_->ClientSite());
    if (FAILED(sited)) ThrowOleSysError(sited, "IOleObject.SetClientSite");
    TabStop = true;
    const HRESULT layout = RequestNewObjectLayout();
    if (FAILED(layout)) ThrowOleSysError(layout, "IOleObject.GetExtent");
    ConnectEvents();
  } catch (...) {
    Teardown();
    throw;
  }
}

TFlashPlayerControl::~TFlashPlayerControl() { Teardown(); }

void TFlashPlayerControl::ConnectEvents() noexcept {
  const auto container = oleObject_.As<IConnectionPointContainer>();
  if (!container) return;
  com::TComPtr<IConnectionPoint> point;
  if (FAILED(container->FindConnectionPoint(kFlashEventsIid, point.Put())) || !point) return;
  DWORD cookie = 0;
  if (FAILED(point->Advise(site_->EventSink(), &cookie))) return;
  eventsConnectionPoint_ = std::move(point);
  eventsCookie_ = cookie;
  eventsConnected_ = true;
}

void TFlashPlayerControl::Teardown() noexcept {
  if (content::TContentManager* manager = content::FindContentManager()) {
    manager->UnregisterControl(link_);
  }
  link_->Detach();
  if (eventsConnected_ && eventsConnectionPoint_) eventsConnectionPoint_->Unadvise(eventsCookie_);
  eventsConnected_ = false;
  try {
    SetUIActive(false);
  } catch (...) {
  }
  if (oleObject_) {
    // The runtime gets its window procedure back before it closes (and destroys) the window.
    RestoreRuntimeWndProc();
    oleObject_->Close(OLECLOSE_NOSAVE);
  }
  DisconnectRuntime();
  if (oleObject_) oleObject_->SetClientSite(nullptr);
  inPlaceActiveObject_ = nullptr;
  inPlaceObject_ = nullptr;
  oleObject_ = nullptr;
  eventsConnectionPoint_ = nullptr;
  // References the runtime still holds reach an inert site from now on.
  site_->Detach();
  site_ = nullptr;
}

HRESULT TFlashPlayerControl::QueryInterface(REFIID iid, void** object) noexcept {
  if (!site_) return E_UNEXPECTED;
  return site_->QueryInterface(iid, object);
}

ULONG TFlashPlayerControl::AddRef() noexcept { return site_ ? site_->AddRef() : 0; }
ULONG TFlashPlayerControl::Release() noexcept { return site_ ? site_->Release() : 0; }

// ---- connection to the runtime ---------------------------------------------------------

void TFlashPlayerControl::ConnectRuntime() {
  if (oleControl_ || !oleObject_) return;
  try {
    com::TComPtr<IOleClientSite> current;
    if (FAILED(oleObject_->GetClientSite(current.Put())) || !current) {
      const HRESULT sited = oleObject_->SetClientSite(site_->ClientSite());
      if (FAILED(sited)) ThrowOleSysError(sited, "IOleObject.SetClientSite");
    }
    HRESULT result = oleObject_->QueryInterface(IID_IOleControl, oleControl_.PutVoid());
    if (FAILED(result) || !oleControl_) ThrowOleSysError(result, "IOleControl");
    result = oleObject_->QueryInterface(IID_IDispatch, controlDispatch_.PutVoid());
    if (FAILED(result) || !controlDispatch_) ThrowOleSysError(result, "IDispatch");
    propertyBrowsing_ = oleObject_.As<IPerPropertyBrowsing>();
    ConnectPropertySink();
    oleControl_->OnAmbientPropertyChange(DISPID_UNKNOWN);
    const HRESULT layout = RequestNewObjectLayout();
    if (FAILED(layout)) ThrowOleSysError(layout, "IOleObject.GetExtent");
  } catch (...) {
    DisconnectRuntime();
    throw;
  }
}

void TFlashPlayerControl::ConnectPropertySink() noexcept {
  const auto container = oleObject_.As<IConnectionPointContainer>();
  if (!container) return;
  com::TComPtr<IConnectionPoint> point;
  if (FAILED(container->FindConnectionPoint(IID_IPropertyNotifySink, point.Put())) || !point) return;
  DWORD cookie = 0;
  if (SUCCEEDED(point->Advise(site_->PropertySink(), &cookie))) propertyNotifyCookie_ = cookie;
}

void TFlashPlayerControl::DisconnectRuntime() noexcept {
  if (!oleObject_) return;
  if (propertyNotifyCookie_ != 0) {
    if (const auto container = oleObject_.As<IConnectionPointContainer>()) {
      com::TComPtr<IConnectionPoint> point;
      if (SUCCEEDED(container->FindConnectionPoint(IID_IPropertyNotifySink, point.Put())) && point &&
          SUCCEEDED(point->Unadvise(propertyNotifyCookie_))) {
        propertyNotifyCookie_ = 0;
      }
    }
  }
  propertyBrowsing_ = nullptr;
  controlDispatch_ = nullptr;
  oleControl_ = nullptr;
}

HRESULT TFlashPlayerControl::RequestNewObjectLayout() {
  if (!oleObject_) return E_UNEXPECTED;
  SIZEL extent{};
  const HRESULT result = oleObject_->GetExtent(DVASPECT_CONTENT, &extent);
  if (FAILED(result)) return result;
  const int pixelsPerInch = ScreenPixelsPerInch();
  SetBounds(Left(), Top(), HimetricToPixels(extent.cx, pixelsPerInch),
            HimetricToPixels(extent.cy, pixelsPerInch));
  return result;
}

// ---- the window ------------------------------------------------------------------------

HRESULT TFlashPlayerControl::InPlaceActivate(LONG verb) {
  RECT bounds = WindowBounds();
  return oleObject_->DoVerb(verb, nullptr, site_->ClientSite(), 0, ParentWindow(), &bounds);
}

void TFlashPlayerControl::CreateWnd() {
  if (!oleObject_) {
    TWinControl::CreateWnd();
    return;
  }
  ConnectRuntime();
  InPlaceActivate(OLEIVERB_INPLACEACTIVATE);
  if (!inPlaceObject_) throw EOleError("OLE control activation failed");
  AttachRuntimeWindow();
  const HWND window = ExistingHandle();
  if (!Visible() && ::IsWindowVisible(window)) ::ShowWindow(window, SW_HIDE);
}

void TFlashPlayerControl::AttachRuntimeWindow() {
  if (!inPlaceObject_ || ExistingHandle()) return;
  HWND window = nullptr;
  if (FAILED(inPlaceObject_->GetWindow(&window))) window = nullptr;
  if (!window || !::IsWindow(window)) throw EOleError("Could not obtain OLE control window handle");
  AdoptHandle(window);
  runtimeWindowUnicode_ = ::IsWindowUnicode(window) != FALSE;
  ::SetPropW(window, kControlProperty, this);
  // The window keeps its character set: an ANSI window's procedure is swapped as ANSI.
  const auto ours = reinterpret_cast<LONG_PTR>(&TFlashPlayerControl::RuntimeWindowProc);
  runtimeWndProc_ = reinterpret_cast<WNDPROC>(
      runtimeWindowUnicode_ ? ::SetWindowLongPtrW(window, GWLP_WNDPROC, ours)
                            : ::SetWindowLongPtrA(window, GWLP_WNDPROC, ours));
  ::SetPropW(window, kRuntimeProcProperty, reinterpret_cast<HANDLE>(runtimeWndProc_));
  ::SendMessageW(window, WM_NULL, 0, 0);
}

void TFlashPlayerControl::RestoreRuntimeWndProc() noexcept {
  const HWND window = ExistingHandle();
  if (!window || !runtimeWndProc_) return;
  const auto theirs = reinterpret_cast<LONG_PTR>(runtimeWndProc_);
  const auto ours = reinterpret_cast<LONG_PTR>(&TFlashPlayerControl::RuntimeWindowProc);
  // Put back only over our own procedure: one set in front of ours later is not cut out.
  const bool restored = runtimeWindowUnicode_
                            ? ::GetWindowLongPtrW(window, GWLP_WNDPROC) == ours &&
                                  ::SetWindowLongPtrW(window, GWLP_WNDPROC, theirs) != 0
                            : ::GetWindowLongPtrA(window, GWLP_WNDPROC) == ours &&
                                  ::SetWindowLongPtrA(window, GWLP_WNDPROC, theirs) != 0;
  if (restored) ::RemovePropW(window, kRuntimeProcProperty);
  ::RemovePropW(window, kControlProperty);
  runtimeWndProc_ = nullptr;
  ForgetHandle();
}

void TFlashPlayerControl::DestroyWnd() noexcept {
  if (!oleObject_) {
    TWinControl::DestroyWnd();
    return;
  }
  RestoreRuntimeWndProc();
  oleObject_->Close(OLECLOSE_NOSAVE);
  ForgetHandle();
}

LRESULT CALLBACK TFlashPlayerControl::RuntimeWindowProc(HWND window, UINT message, WPARAM wParam,
                                                        LPARAM lParam) noexcept {
  auto* control = static_cast<TFlashPlayerControl*>(::GetPropW(window, kControlProperty));
  if (!control || !control->runtimeWndProc_) {
    // Left in a chain after the control let go: the runtime still gets its messages.
    const auto runtime = reinterpret_cast<WNDPROC>(::GetPropW(window, kRuntimeProcProperty));
    if (message == WM_NCDESTROY) ::RemovePropW(window, kRuntimeProcProperty);
    if (!runtime) return ::DefWindowProcW(window, message, wParam, lParam);
    return ::IsWindowUnicode(window) ? ::CallWindowProcW(runtime, window, message, wParam, lParam)
                                     : ::CallWindowProcA(runtime, window, message, wParam, lParam);
  }
  LRESULT result = 0;
  try {
    result = control->WndProc(message, wParam, lParam);
  } catch (...) {
    result = 0;
  }
  if (message == WM_NCDESTROY) {
    // Someone destroyed the runtime's window under us (its parent went first).
    ::RemovePropW(window, kControlProperty);
    ::RemovePropW(window, kRuntimeProcProperty);
    control->runtimeWndProc_ = nullptr;
    control->ForgetHandle();
  }
  return result;
}

LRESULT TFlashPlayerControl::CallRuntimeWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND window = ExistingHandle();
  return runtimeWindowUnicode_ ? ::CallWindowProcW(runtimeWndProc_, window, message, wParam, lParam)
                               : ::CallWindowProcA(runtimeWndProc_, window, message, wParam, lParam);
}

void TFlashPlayerControl::ParentChanged() {
  if (!oleObject_ || !Parent()) return;
  com::TComPtr<IOleClientSite> current;
  HRESULT result = E_FAIL;
  try {
    result = oleObject_->GetClientSite(current.Put());
  } catch (...) {
    result = E_FAIL;
  }
  if (FAILED(result) || !current) {
    const HRESULT sited = oleObject_->SetClientSite(site_->ClientSite());
    if (FAILED(sited)) ThrowOleSysError(sited, "IOleObject.SetClientSite");
  }
  if (oleControl_) oleControl_->OnAmbientPropertyChange(DISPID_UNKNOWN);
}

void TFlashPlayerControl::SetBounds(int left, int top, int width, int height) {
  if (oleObject_) {
    const int currentWidth = Width();
    const int currentHeight = Height();
    if ((width != currentWidth && currentWidth > 0) || (height != currentHeight && currentHeight > 0)) {
      const int pixelsPerInch = ScreenPixelsPerInch();
      SIZEL extent{PixelsToHimetric(width, pixelsPerInch), PixelsToHimetric(height, pixelsPerInch)};
      if (oleObject_->SetExtent(DVASPECT_CONTENT, &extent) != S_OK) {
        width = currentWidth;
        height = currentHeight;
      }
    }
  }
  TWinControl::SetBounds(left, top, width, height);
}

ui::TForm* TFlashPlayerControl::ParentForm() const {
  for (TWinControl* control = Parent(); control; control = control->Parent()) {
    if (auto* form = dynamic_cast<ui::TForm*>(control)) return form;
  }
  return nullptr;
}

void TFlashPlayerControl::SetUIActive(bool active) {
  ui::TForm* form = ParentForm();
  if (!form) return;
  if (active) {
    TWinControl* other = form->ActiveOleControl();
    if (other && other != this) other->Perform(kUIDeactivateMessage, 0, 0);
    form->SetActiveOleControl(this);
  } else if (form->ActiveOleControl() == this) {
    form->SetActiveOleControl(nullptr);
  }
}

// The runtime asks for these windows during activation and teardown too: a window that does
// not exist (any more) is answered as none rather than made anew.
HWND TFlashPlayerControl::ParentWindow() {
  return Parent() && Parent()->HandleAllocated() ? Parent()->Handle() : nullptr;
}

HWND TFlashPlayerControl::FrameWindow() {
  TWinControl* top = Parent();
  if (!top) return nullptr;
  while (top->Parent()) top = top->Parent();
  return top->HandleAllocated() ? top->Handle() : nullptr;
}

HMENU TFlashPlayerControl::FindMainMenu() const {
  if (ui::TForm* form = ParentForm()) {
    if (form->MainMenu()) return form->MainMenu();
  }
  if (ui::TForm* mainForm = ui::Application().MainForm()) return mainForm->MainMenu();
  return nullptr;
}

ui::TColor TFlashPlayerControl::AmbientBackColor() const {
  if (ParentColor) {
    if (auto* form = dynamic_cast<ui::TForm*>(Parent())) return form->Color();
  }
  return Color;
}

const ui::TFont& TFlashPlayerControl::AmbientFont() const {
  if (ParentFont) {
    if (auto* form = dynamic_cast<ui::TForm*>(Parent())) return form->Font();
  }
  return Font;
}

// ---- movies and property notifications -------------------------------------------------

void TFlashPlayerControl::LoadMovieFromStream(int layer, TStream& source) {
  content::ContentManager().CopyMovieFromStream(link_, true, source, layer);
}

void TFlashPlayerControl::PutMovieFromStream(TStream& source) {
  content::ContentManager().CopyMovieFromStream(link_, false, source, -1);
}

std::unique_ptr<TStream> TFlashPlayerControl::LoadMovieUsingStream(int layer) {
  return content::ContentManager().CreateMovieStream(link_, true, layer);
}

std::unique_ptr<TStream> TFlashPlayerControl::PutMovieUsingStream() {
  return content::ContentManager().CreateMovieStream(link_, false, -1);
}

HRESULT TFlashPlayerControl::OnChanged(DISPID) { return S_OK; }
HRESULT TFlashPlayerControl::OnRequestEdit(DISPID) { return S_OK; }

}  // namespace leafmark
