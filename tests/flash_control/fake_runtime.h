// TFakeRuntime: a runtime object of the tests' own. It offers what a real OLE control offers
// a container (IOleObject, in-place interfaces, IOleControl, connection points), records
// every call it gets and every message its window gets, activates in place through the site
// like a real control, and can be told to misbehave in the ways a real runtime might.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <map>
#include <string>
#include <vector>

#include "win/com_object.h"
#include "win/com_ptr.h"

namespace leafmark::test {

struct TFakeFaults {
  bool RefuseSite = false;     // SetClientSite with a site fails
  bool NoOleControl = false;   // no IOleControl
  bool NoInPlace = false;      // no IOleInPlaceObject / IOleInPlaceActiveObject
  bool ZeroWindow = false;     // in-place activation makes no window
  bool NoConnections = false;  // no IConnectionPointContainer
  bool RejectExtent = false;   // SetExtent fails
  bool FailGetExtent = false;  // GetExtent fails
  bool AnsiWindow = false;     // its window is an ANSI window (a class registered with the A call)
};

struct TRecordedMessage {
  UINT Message;
  WPARAM WParam;
  LPARAM LParam;
};

class TFakeRuntime;

class TFakeConnectionPoint final : public com::TOwnedComObject<IConnectionPoint> {
 public:
  TFakeConnectionPoint(TFakeRuntime& owner, const IID& iid, std::string name)
      : owner_(owner), iid_(iid), name_(std::move(name)) {}

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) noexcept override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) noexcept override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) noexcept override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) noexcept override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) noexcept override;

  // The first advised sink, as IDispatch; empty when none.
  com::TComPtr<IDispatch> Sink() const;
  long Count() const noexcept { return References(); }

 private:
  TFakeRuntime& owner_;
  IID iid_;
  std::string name_;
  std::map<DWORD, com::TComPtr<IUnknown>> sinks_;
  DWORD nextCookie_ = 7;
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TFakeRuntime final
    : public com::TOwnedComObject<IOleObject, IOleInPlaceObject, IOleInPlaceActiveObject, IOleControl,
                                  IDispatch, IConnectionPointContainer,
                                  com::TAnswerThrough<IOleWindow, IOleInPlaceObject>> {
 public:
  explicit TFakeRuntime(TFakeFaults faults = {});
  ~TFakeRuntime() override;

  // A factory for TFlashPlayerControl: hands out this object.
  HRESULT Create(REFIID iid, void** object) { return QueryInterface(iid, object); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override;

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) noexcept override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) noexcept override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close(DWORD option) noexcept override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                   LPCRECT bounds) noexcept override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Update() noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE IsUpToDate() noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) noexcept override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) noexcept override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) noexcept override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceObject
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) noexcept override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() noexcept override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() noexcept override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) noexcept override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() noexcept override { return E_NOTIMPL; }

  // IOleInPlaceActiveObject
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) noexcept override;
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) noexcept override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) noexcept override { return S_OK; }

  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) noexcept override;
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* message) noexcept override;
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID dispid) noexcept override;
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL) noexcept override { return S_OK; }

  // IDispatch (held only by the control)
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) noexcept override {
    return E_NOTIMPL;
  }

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) noexcept override;

  // What the control did to this object, and what its window received.
  std::vector<std::string> Calls;
  std::vector<TRecordedMessage> Messages;
  // Messages of one number that reached the window procedure.
  std::vector<TRecordedMessage> MessagesOf(UINT message) const;
  // True when the window was destroyed while someone else's procedure sat in front of it.
  bool DestroyedWhileSubclassed = false;

  // The next keys TranslateAccelerator takes (answering S_OK); others get S_FALSE.
  WPARAM AcceleratorKey = 0;
  MSG LastAccelerator{};
  // What GetControlInfo answers.
  HACCEL Accelerators = nullptr;
  USHORT AcceleratorCount = 0;
  SIZEL Extent{2540, 1270};
  // Keeps a reference to the client site after SetClientSite(none), as a careless runtime may.
  bool KeepSite = false;
  com::TComPtr<IOleClientSite> KeptSite;

  HWND Window() const { return window_; }
  IOleClientSite* Site() const { return site_.Get(); }
  IOleInPlaceSite* InPlaceSite() const { return inPlaceSite_.Get(); }
  // Raises an event through the advised event sink.
  HRESULT Raise(DISPID dispid, std::vector<VARIANT> arguments, VARIANT* result = nullptr, WORD flags = DISPATCH_METHOD);
  com::TComPtr<IDispatch> EventSink() const { return events_.Sink(); }
  // References held on this object and its connection points (0 once nobody holds any).
  long Count() const noexcept { return References() + events_.Count() + propertyNotify_.Count(); }

  void Record(std::string call) { Calls.push_back(std::move(call)); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  TFakeFaults faults_;
  com::TComPtr<IOleClientSite> site_;
  com::TComPtr<IOleInPlaceSite> inPlaceSite_;
  HWND window_ = nullptr;
  TFakeConnectionPoint events_;
  TFakeConnectionPoint propertyNotify_;
};
#pragma GCC diagnostic pop

}  // namespace leafmark::test
