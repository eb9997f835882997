// The runtime's object, created for its class id: an OLE control as the real runtime's is. It
// keeps its client site, activates in place through it in a window of its own, offers
// IShockwaveFlash for its generation, and raises its events through a connection point.
// Every call the host makes on it is traced ("call ..."), as is every call it makes on the
// host's site ("site ...") and every event it raises ("raised ...").
#pragma once

#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <atomic>
#include <string>

#include "com_object.h"
#include "connection_point.h"
#include "faults.h"
#include "flash_interface.h"
#include "flash_properties.h"
#include "stage.h"

namespace standin {

// {D27CDB6D-AE6D-11CF-96B8-444553540000}: the runtime's event dispinterface.
inline constexpr IID kFlashEventsId = {0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

class TRuntimeObject final
    : public TComObject<IOleObject, IOleInPlaceObject, IOleInPlaceActiveObject, IOleControl,
                        IConnectionPointContainer>,
      public TStageEvents {
 public:
  // Reads the faults; throws when out of memory.
  TRuntimeObject();
  ~TRuntimeObject() override;

  // The newest object still alive, with a reference for the caller; nullptr when none.
  static TRuntimeObject* TakeNewest() noexcept;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) noexcept override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) noexcept override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR application, LPCOLESTR object) noexcept override;
  HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) noexcept override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* moniker) noexcept override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) noexcept override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation, DWORD reserved) noexcept override;
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD reserved, IDataObject** data) noexcept override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG message, IOleClientSite* site, LONG index, HWND parent,
                                   LPCRECT bounds) noexcept override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) noexcept override;
  HRESULT STDMETHODCALLTYPE Update() noexcept override;
  HRESULT STDMETHODCALLTYPE IsUpToDate() noexcept override;
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* classId) noexcept override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* userType) noexcept override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) noexcept override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) noexcept override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) noexcept override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) noexcept override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advises) noexcept override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) noexcept override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* palette) noexcept override;

  // IOleWindow (of IOleInPlaceObject and IOleInPlaceActiveObject alike)
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) noexcept override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) noexcept override;
  // IOleInPlaceObject
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() noexcept override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() noexcept override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) noexcept override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() noexcept override;
  // IOleInPlaceActiveObject
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) noexcept override;
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL active) noexcept override;
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL active) noexcept override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) noexcept override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) noexcept override;

  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) noexcept override;
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* message) noexcept override;
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) noexcept override;
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) noexcept override;

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) noexcept override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) noexcept override;

  // TStageEvents
  void StageReadyStateChange(long state) override;
  void StageProgress(long percentDone) override;
  void StageFSCommand(const std::wstring& command, const std::wstring& args) override;
  void StageChanged() override;

  // Events, raised on every advised sink on the caller's thread; each traced as "raised".
  HRESULT RaiseReadyStateChange(long state) noexcept;
  HRESULT RaiseProgress(long percentDone) noexcept;
  HRESULT RaiseFSCommand(const std::wstring& command, const std::wstring& args) noexcept;
  HRESULT RaiseFlashCall(const std::wstring& request) noexcept;

  // For IShockwaveFlash's members: the properties, some of them the stage's.
  long ReadNumber(TProperty property) const;
  void WriteNumber(TProperty property, long value);
  // A key for the movie's buttons (see TStage::KeyPress).
  void KeyPress(std::uint8_t key);
  const std::wstring& ReadText(TProperty property) const;
  void WriteText(TProperty property, std::wstring value);
  void LoadMovie(int layer, const std::wstring& url);
  TPropertyStore& Properties() noexcept { return properties_; }
  TStage& Stage() noexcept { return stage_; }

  // For the test commands: what the object holds of its host, not counted for the caller.
  IOleClientSite* ClientSite() const noexcept { return site_.Get(); }
  HWND Window() const noexcept { return window_; }
  IOleInPlaceActiveObject* ActiveObject() noexcept { return this; }

  // For its window: paint, and forget a window destroyed by someone else.
  void PaintWindow(HWND window) noexcept;
  void PaintInto(HWND window, HDC dc) noexcept;
  void WindowDestroyed(HWND window) noexcept;

 private:
  HRESULT Activate(bool uiActivate, IOleClientSite* activeSite, HWND parent, LPCRECT bounds);
  HRESULT UIActivate();
  void UIDeactivateQuietly();
  void Deactivate();
  void MoveWindowTo(const RECT& rect);
  void ReadAmbients(DISPID id);
  HRESULT Raise(const char* name, DISPID id, VARIANT* arguments, UINT count) noexcept;

  const TFaults faults_;
  TFlashInterface flash_;
  TConnectionPoint events_;
  TConnectionPoint propertyNotify_;
  TComRef<IOleClientSite> site_;
  TComRef<IOleInPlaceSite> inPlaceSite_;
  TComRef<IOleInPlaceFrame> frame_;
  TComRef<IOleInPlaceUIWindow> document_;
  SIZEL extent_;  // HIMETRIC
  HWND window_ = nullptr;
  bool inPlaceActive_ = false;
  bool uiActive_ = false;
  std::atomic<long> frozen_{0};
  TPropertyStore properties_;
  TStage stage_;
};

}  // namespace standin
