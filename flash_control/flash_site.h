// TFlashSite: the COM face of a TFlashPlayerControl towards its runtime and content delivery
// (event sink, site interfaces, IFlashPlayerControlBase). It counts its own references: the
// runtime may keep some after the control is gone, and those then reach an object that
// answers E_UNEXPECTED instead of freed memory.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <atomic>
#include <string>
#include <thread>

#include "content/flash_player_control_base.h"

namespace leafmark {

class TFlashPlayerControl;

// The runtime's event interface {D27CDB6D-AE6D-11CF-96B8-444553540000}.
extern const IID kFlashEventsIid;

// The event DISPIDs the runtime raises.
inline constexpr DISPID kDispidReadyStateChange = -609;
inline constexpr DISPID kDispidProgress = 1958;
inline constexpr DISPID kDispidFSCommand = 150;
inline constexpr DISPID kDispidFlashCall = 197;

// COM interfaces have no virtual destructor; the site is deleted only by its own Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
namespace detail {
// IOleInPlaceSite and IOleInPlaceFrame both begin with IOleWindow's GetWindow, with different
// answers: each gets its own. (ContextSensitiveHelp is the same for both.)
struct TInPlaceSiteWindow : public IOleInPlaceSite {
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override { return SiteGetWindow(window); }
  virtual HRESULT SiteGetWindow(HWND* window) = 0;
};
struct TInPlaceFrameWindow : public IOleInPlaceFrame {
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override { return FrameGetWindow(window); }
  virtual HRESULT FrameGetWindow(HWND* window) = 0;
};
}  // namespace detail

class TFlashSite final : public IDispatch,
                         public content::IFlashPlayerControlBase,
                         public ISimpleFrameSite,
                         public IPropertyNotifySink,
                         public detail::TInPlaceFrameWindow,
                         public detail::TInPlaceSiteWindow,
                         public IOleControlSite,
                         public IOleClientSite {
 public:
  explicit TFlashSite(TFlashPlayerControl& control) noexcept : control_(&control) {}
  virtual ~TFlashSite() = default;
  TFlashSite(const TFlashSite&) = delete;
  TFlashSite& operator=(const TFlashSite&) = delete;

  // The control is going: from now on every member but IUnknown's answers E_UNEXPECTED.
  void Detach() noexcept { control_.store(nullptr); }

  IDispatch* EventSink() noexcept { return this; }
  IOleClientSite* ClientSite() noexcept { return this; }
  IPropertyNotifySink* PropertySink() noexcept { return this; }
  IOleInPlaceFrame* Frame() noexcept { return this; }
  content::IFlashPlayerControlBase* ControlBase() noexcept { return this; }

  // IUnknown: the interfaces above in their fixed order of slots.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override;
  ULONG STDMETHODCALLTYPE AddRef() noexcept override;
  ULONG STDMETHODCALLTYPE Release() noexcept override;

  // IDispatch: runtime events and ambient properties.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argumentError) noexcept override;

  // IFlashPlayerControlBase
  HRESULT STDMETHODCALLTYPE PutMovie(const wchar_t* url) noexcept override;
  HRESULT STDMETHODCALLTYPE LoadMovie(int layer, const wchar_t* url) noexcept override;
  HRESULT STDMETHODCALLTYPE GetBase(std::wstring* base) noexcept override;
  HRESULT STDMETHODCALLTYPE FireLoadExternalResource(const wchar_t* url,
                                                     TStream* stream) noexcept override;
  HRESULT STDMETHODCALLTYPE FireLoadExternalResourceEx(const wchar_t* url,
                                                       std::unique_ptr<TStream>* stream,
                                                       bool* handled) noexcept override;
  HRESULT STDMETHODCALLTYPE FireLoadExternalResourceAsync(
      const wchar_t* path, std::unique_ptr<TStream>* stream) noexcept override;
  HRESULT STDMETHODCALLTYPE FireUnloadExternalResourceAsync(TStream* stream) noexcept override;

  // ISimpleFrameSite
  HRESULT STDMETHODCALLTYPE PreMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT*,
                                             DWORD*) noexcept override;
  HRESULT STDMETHODCALLTYPE PostMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT*,
                                              DWORD) noexcept override;

  // IPropertyNotifySink
  HRESULT STDMETHODCALLTYPE OnChanged(DISPID dispid) noexcept override;
  HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID dispid) noexcept override;

  // IOleWindow.ContextSensitiveHelp, for the in-place site and the frame alike
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) noexcept override;

  // IOleInPlaceFrame (after its window members)
  HRESULT FrameGetWindow(HWND* window) noexcept override;
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) noexcept override;
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) noexcept override;
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) noexcept override;
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) noexcept override;
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) noexcept override;
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU shared, HOLEMENU descriptor,
                                    HWND objectWindow) noexcept override;
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU shared) noexcept override;
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) noexcept override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) noexcept override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) noexcept override;

  // IOleInPlaceSite (after its window members)
  HRESULT SiteGetWindow(HWND* window) noexcept override;
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() noexcept override;
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() noexcept override;
  HRESULT STDMETHODCALLTYPE OnUIActivate() noexcept override;
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                             LPRECT position, LPRECT clip,
                                             LPOLEINPLACEFRAMEINFO frameInfo) noexcept override;
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) noexcept override;
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) noexcept override;
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() noexcept override;
  HRESULT STDMETHODCALLTYPE DiscardUndoState() noexcept override;
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() noexcept override;
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) noexcept override;

  // IOleControlSite
  HRESULT STDMETHODCALLTYPE OnControlInfoChanged() noexcept override;
  HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL) noexcept override;
  HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** control) noexcept override;
  HRESULT STDMETHODCALLTYPE TransformCoords(POINTL* himetric, POINTF* container,
                                            DWORD flags) noexcept override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, DWORD) noexcept override;
  HRESULT STDMETHODCALLTYPE OnFocus(BOOL) noexcept override;
  HRESULT STDMETHODCALLTYPE ShowPropertyFrame() noexcept override;

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() noexcept override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept override;
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) noexcept override;
  HRESULT STDMETHODCALLTYPE ShowObject() noexcept override;
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) noexcept override;
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() noexcept override;

 private:
  // Runs body with the control at a COM boundary: E_UNEXPECTED without one, an exception
  // becomes E_FAIL.
  template <class Body>
  HRESULT WithControl(Body&& body) noexcept;
  bool OnControlThread() const noexcept { return std::this_thread::get_id() == thread_; }

  // One of the runtime's four events, its arguments copied out of the call.
  struct TEvent {
    DISPID Dispid = 0;
    long Number = 0;
    std::wstring First;   // command or request
    std::wstring Second;  // FSCommand's args
  };
  // Reads the event dispid raises from params: S_FALSE when dispid is no event.
  static HRESULT ReadEvent(DISPID dispid, const DISPPARAMS* params, TEvent& event, UINT* argumentError);
  // Raises event's handler on the control, which must be on its own thread.
  void Raise(const TEvent& event) noexcept;
  HRESULT Ambient(TFlashPlayerControl& control, DISPID dispid, VARIANT& result);

  std::atomic<TFlashPlayerControl*> control_;
  const std::thread::id thread_ = std::this_thread::get_id();  // the control's GUI thread
  std::atomic<long> references_{0};
};
#pragma GCC diagnostic pop

}  // namespace leafmark
