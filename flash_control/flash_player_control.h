// TFlashPlayerControl: the window control that hosts one Flash runtime object. It sites the
// runtime, activates it in place so that the runtime's own window becomes the control's
// window, sizes and reparents it, hands it movies from memory and turns its events into the
// control's events.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "base/stream.h"
#include "content/control_link.h"
#include "flash_control/control_messages.h"
#include "flash_control/runtime_members.h"
#include "ui/color.h"
#include "ui/form.h"
#include "ui/shift_state.h"
#include "ui/win_control.h"
#include "win/com_ptr.h"

namespace leafmark {

class TFlashSite;

enum class TMouseButton { Left, Right, Middle };

class TFlashPlayerControl : public ui::TWinControl, public TFlashRuntimeMembers {
 public:
  // Makes the runtime object (IOleObject asked for); its result is not examined: whatever it
  // delivers, possibly nothing, becomes the control's runtime object.
  using TRuntimeFactory = std::function<HRESULT(REFIID iid, void** object)>;

  // The runtime object comes from the current code provider; without one the control is a
  // plain window that paints itself.
  TFlashPlayerControl();
  explicit TFlashPlayerControl(TRuntimeFactory factory);
  ~TFlashPlayerControl() override;

  // The control's COM identity: the runtime event sink, IOleWindow, IFlashPlayerControlBase,
  // ISimpleFrameSite, IPropertyNotifySink, IOleInPlaceFrame, IOleInPlaceSite,
  // IOleControlSite and IOleClientSite. The count does not govern the control's lifetime;
  // references the runtime keeps after the control is gone reach an inert site.
  HRESULT QueryInterface(REFIID iid, void** object) noexcept;
  ULONG AddRef() noexcept;
  ULONG Release() noexcept;

  // The runtime's events (raised on the GUI thread) and the content events (raised on the
  // thread of content delivery that asks). An exception a handler throws stops at the
  // control's COM boundary.
  std::function<void(TFlashPlayerControl& sender, long newState)> OnReadyStateChange;
  std::function<void(TFlashPlayerControl& sender, long percentDone)> OnProgress;
  std::function<void(TFlashPlayerControl& sender, const std::wstring& command,
                     const std::wstring& args)>
      OnFSCommand;
  std::function<void(TFlashPlayerControl& sender, const std::wstring& request)> OnFlashCall;
  std::function<void(TFlashPlayerControl& sender, const std::wstring& url, TStream& stream)>
      OnLoadExternalResource;
  // Sets handled when it answered; may move stream out to go on writing after the call.
  std::function<void(TFlashPlayerControl& sender, const std::wstring& url,
                     std::unique_ptr<TStream>& stream, bool& handled)>
      OnLoadExternalResourceEx;
  // Puts a new stream serving the file at path into stream, or leaves it empty.
  std::function<void(TFlashPlayerControl& sender, const std::wstring& path,
                     std::unique_ptr<TStream>& stream)>
      OnLoadExternalResourceAsync;
  std::function<void(TFlashPlayerControl& sender, TStream& stream)> OnUnloadExternalResourceAsync;

  // Mouse events, raised by the control itself; x and y are client coordinates.
  std::function<void(TFlashPlayerControl& sender, TMouseButton button, ui::TShiftState shift,
                     int x, int y)>
      OnMouseDown;
  std::function<void(TFlashPlayerControl& sender, TMouseButton button, ui::TShiftState shift,
                     int x, int y)>
      OnMouseUp;
  std::function<void(TFlashPlayerControl& sender, ui::TShiftState shift, int x, int y)> OnMouseMove;
  std::function<void(TFlashPlayerControl& sender)> OnClick;
  std::function<void(TFlashPlayerControl& sender)> OnDblClick;

  // When false the runtime never sees right-button presses or the menu key, so its own
  // context menu cannot appear.
  bool StandartMenu = false;
  // Shown on right click and on the menu key; not owned. None by default.
  HMENU PopupMenu = nullptr;
  bool TabStop = false;
  // Whether the control takes its font and colour from its parent form.
  bool ParentFont = true;
  bool ParentColor = true;
  ui::TFont Font{"Tahoma", -11};
  ui::TColor Color = ui::kSystemColorFlag | COLOR_WINDOW;
  // The name the runtime reads as the display-name ambient.
  std::wstring Name;

  // Movies handed over as bytes, played under a generated movie URL.
  virtual void LoadMovieFromStream(int layer, TStream& source);
  virtual void PutMovieFromStream(TStream& source);
  // The caller writes the movie into the stream and destroys it, which ends the data.
  virtual std::unique_ptr<TStream> LoadMovieUsingStream(int layer);
  virtual std::unique_ptr<TStream> PutMovieUsingStream();

  // Property notifications from the runtime; nothing is done with them.
  virtual HRESULT OnChanged(DISPID dispid);
  virtual HRESULT OnRequestEdit(DISPID dispid);

  // With a runtime, a size change is offered to it first (in HIMETRIC); a size it rejects
  // keeps the current one while the position still changes.
  void SetBounds(int left, int top, int width, int height) override;

  // Sizes the control to the runtime's own extent, keeping its position.
  HRESULT RequestNewObjectLayout();
  // Marks the control as its form's UI-active OLE control, or clears the mark.
  void SetUIActive(bool active);

  // The control's state towards the runtime, for the application and its tests.
  bool HasRuntime() const noexcept { return static_cast<bool>(oleObject_); }
  bool EventsConnected() const noexcept { return eventsConnected_; }
  IOleInPlaceObject* InPlaceObject() const noexcept { return inPlaceObject_.Get(); }
  IOleInPlaceActiveObject* InPlaceActiveObject() const noexcept { return inPlaceActiveObject_.Get(); }
  IOleControl* OleControl() const noexcept { return oleControl_.Get(); }
  // The runtime window's own procedure while the control sits in front of it, else nil.
  WNDPROC RuntimeWndProc() const noexcept { return runtimeWndProc_; }
  // The form the control lives in, or nil.
  ui::TForm* ParentForm() const;
  // What content delivery holds instead of the control.
  const content::TControlRef& Link() const noexcept { return link_; }

 protected:
  IOleObject* RuntimeObject() const noexcept override { return oleObject_.Get(); }

  void CreateWnd() override;
  void DestroyWnd() noexcept override;
  // A control leaving its form is no longer that form's UI-active control.
  void ParentChanging() noexcept override { SetUIActive(false); }
  void ParentChanged() override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) override;

  // Shows PopupMenu at a screen point (a modal menu loop).
  virtual void ShowPopupMenu(POINT screen);

 private:
  friend class TFlashSite;

  static LRESULT CALLBACK RuntimeWindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) noexcept;

  void ConnectEvents() noexcept;
  void ConnectRuntime();
  void DisconnectRuntime() noexcept;
  void ConnectPropertySink() noexcept;
  void AttachRuntimeWindow();
  void RestoreRuntimeWndProc() noexcept;
  LRESULT CallRuntimeWndProc(UINT message, WPARAM wParam, LPARAM lParam);
  HRESULT InPlaceActivate(LONG verb);
  void Teardown() noexcept;

  // Window procedure parts.
  bool FilterRuntimeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  LRESULT MouseMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT ContextMenuMessage(WPARAM wParam, LPARAM lParam);
  LRESULT PaintMessage(WPARAM wParam);
  LRESULT DialogKeyMessage(WPARAM wParam, LPARAM lParam);
  void UIDeactivateMessage();
  void SendCancelMode();

  // Site-side answers.
  HWND ParentWindow();
  HWND FrameWindow();
  HMENU FindMainMenu() const;
  ui::TColor AmbientBackColor() const;
  const ui::TFont& AmbientFont() const;

  com::TComPtr<TFlashSite> site_;
  content::TControlRef link_;
  std::thread::id thread_ = std::this_thread::get_id();

  com::TComPtr<IOleObject> oleObject_;
  com::TComPtr<IOleControl> oleControl_;
  com::TComPtr<IDispatch> controlDispatch_;
  com::TComPtr<IPerPropertyBrowsing> propertyBrowsing_;
  com::TComPtr<IOleInPlaceObject> inPlaceObject_;
  com::TComPtr<IOleInPlaceActiveObject> inPlaceActiveObject_;
  DWORD propertyNotifyCookie_ = 0;
  com::TComPtr<IConnectionPoint> eventsConnectionPoint_;
  bool eventsConnected_ = false;
  DWORD eventsCookie_ = 0;

  WNDPROC runtimeWndProc_ = nullptr;
  bool runtimeWindowUnicode_ = true;
};

// Pixels per logical inch of the screen, and the conversions between pixels and HIMETRIC
// (0.01 mm) that the runtime's extents use.
int ScreenPixelsPerInch();
int PixelsToHimetric(int pixels, int pixelsPerInch);
int HimetricToPixels(int himetric, int pixelsPerInch);

}  // namespace leafmark
