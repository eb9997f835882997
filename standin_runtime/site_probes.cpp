#include "site_probes.h"

#include <oleauto.h>

#include <cstdio>
#include <string>

#include "ambient.h"
#include "call_trace.h"
#include "md5.h"

namespace standin {

namespace {

// {911FA1AF-CDB2-45ED-8271-5662000000BC}: the host control's own interface.
constexpr IID kHostControlId = {0x911FA1AF, 0xCDB2, 0x45ED, {0x82, 0x71, 0x56, 0x62, 0x00, 0x00, 0x00, 0xBC}};
// {742B0E01-14E6-101B-914E-00AA00300CAB}
constexpr IID kSimpleFrameSiteId = {0x742B0E01, 0x14E6, 0x101B, {0x91, 0x4E, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};

template <class F>
void Quietly(F&& write) noexcept {
  try {
    write();
  } catch (...) {
  }
}

std::string RectText(const RECT& rect) {
  return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," + std::to_string(rect.right) + "," +
         std::to_string(rect.bottom);
}

std::string Float(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

template <class T>
bool Query(IUnknown& unknown, const IID& iid, TComRef<T>& out) {
  return SUCCEEDED(unknown.QueryInterface(iid, out.PutVoid())) && out;
}

void WalkClientSite(IOleClientSite& site) {
  TraceSite("IOleClientSite.SaveObject", site.SaveObject());
  TComRef<IMoniker> moniker;
  HRESULT result = site.GetMoniker(OLEGETMONIKER_ONLYIFTHERE, OLEWHICHMK_CONTAINER, moniker.Put());
  Quietly([&] { SiteLine("IOleClientSite.GetMoniker", result).YesNo("moniker", moniker.Get() != nullptr).Write(); });
  TComRef<IOleContainer> container;
  result = site.GetContainer(container.Put());
  Quietly([&] { SiteLine("IOleClientSite.GetContainer", result).YesNo("container", container.Get() != nullptr).Write(); });
  TraceSite("IOleClientSite.ShowObject", site.ShowObject());
  TraceSite("IOleClientSite.OnShowWindow", site.OnShowWindow(TRUE));
  TraceSite("IOleClientSite.RequestNewObjectLayout", site.RequestNewObjectLayout());
}

void WalkWindow(IOleWindow& window, const char* getWindow, const char* help) {
  HWND handle = nullptr;
  const HRESULT result = window.GetWindow(&handle);
  Quietly([&] { SiteLine(getWindow, result).YesNo("window", handle != nullptr).Write(); });
  TraceSite(help, window.ContextSensitiveHelp(FALSE));
}

void WalkFrame(IOleInPlaceFrame& frame, TRuntimeObject& object) {
  WalkWindow(frame, "IOleInPlaceFrame.GetWindow", "IOleInPlaceFrame.ContextSensitiveHelp");
  RECT border{};
  HRESULT result = frame.GetBorder(&border);
  Quietly([&] { SiteLine("IOleInPlaceFrame.GetBorder", result).Text("border", RectText(border)).Write(); });
  BORDERWIDTHS widths{};
  TraceSite("IOleInPlaceFrame.RequestBorderSpace", frame.RequestBorderSpace(&widths));
  TraceSite("IOleInPlaceFrame.SetBorderSpace", frame.SetBorderSpace(nullptr));
  TraceSite("IOleInPlaceFrame.SetActiveObject", frame.SetActiveObject(object.ActiveObject(), L"Shockwave Flash"));
  const HMENU shared = CreateMenu();
  OLEMENUGROUPWIDTHS groups{};
  result = frame.InsertMenus(shared, &groups);
  Quietly([&] {
    SiteLine("IOleInPlaceFrame.InsertMenus", result)
        .Number("items", shared ? GetMenuItemCount(shared) : -1)
        .Number("file", groups.width[0])
        .Number("container", groups.width[2])
        .Number("window", groups.width[4])
        .Write();
  });
  TraceSite("IOleInPlaceFrame.SetMenu", frame.SetMenu(nullptr, nullptr, object.Window()));
  TraceSite("IOleInPlaceFrame.RemoveMenus", frame.RemoveMenus(shared));
  if (shared) DestroyMenu(shared);
  TraceSite("IOleInPlaceFrame.SetStatusText", frame.SetStatusText(const_cast<LPOLESTR>(L"standin")));
  TraceSite("IOleInPlaceFrame.EnableModeless", frame.EnableModeless(TRUE));
  MSG message{};
  message.hwnd = object.Window();
  message.message = WM_KEYDOWN;
  message.wParam = 'A';
  TraceSite("IOleInPlaceFrame.TranslateAccelerator", frame.TranslateAccelerator(&message, 0));
}

// Every member that does not change the activation state: activation itself calls those
// (OnInPlaceActivate, OnUIActivate, OnUIDeactivate, OnInPlaceDeactivate). DeactivateAndUndo
// makes the host UI-deactivate the object, which then tells the site as it does.
void WalkInPlaceSite(IOleInPlaceSite& site, TRuntimeObject& object) {
  WalkWindow(site, "IOleInPlaceSite.GetWindow", "IOleInPlaceSite.ContextSensitiveHelp");
  TraceSite("IOleInPlaceSite.CanInPlaceActivate", site.CanInPlaceActivate());
  TComRef<IOleInPlaceFrame> frame;
  TComRef<IOleInPlaceUIWindow> document;
  RECT position{};
  RECT clip{};
  OLEINPLACEFRAMEINFO info{};
  info.cb = sizeof info;
  const HRESULT result = site.GetWindowContext(frame.Put(), document.Put(), &position, &clip, &info);
  Quietly([&] {
    SiteLine("IOleInPlaceSite.GetWindowContext", result)
        .Text("pos", RectText(position))
        .Text("clip", RectText(clip))
        .YesNo("frame", frame.Get() != nullptr)
        .YesNo("document", document.Get() != nullptr)
        .YesNo("frame-window", info.hwndFrame != nullptr)
        .YesNo("mdi", info.fMDIApp != FALSE)
        .Number("accelerators", info.cAccelEntries)
        .Write();
  });
  SIZE scroll{0, 0};
  TraceSite("IOleInPlaceSite.Scroll", site.Scroll(scroll));
  TraceSite("IOleInPlaceSite.DiscardUndoState", site.DiscardUndoState());
  TraceSite("IOleInPlaceSite.OnPosRectChange", site.OnPosRectChange(&position));
  TraceSite("IOleInPlaceSite.DeactivateAndUndo", site.DeactivateAndUndo());
  if (frame) WalkFrame(*frame.Get(), object);
}

void WalkControlSite(IOleControlSite& site) {
  TraceSite("IOleControlSite.OnControlInfoChanged", site.OnControlInfoChanged());
  TraceSite("IOleControlSite.LockInPlaceActive", site.LockInPlaceActive(TRUE));
  TComRef<IDispatch> extended;
  HRESULT result = site.GetExtendedControl(extended.Put());
  Quietly([&] { SiteLine("IOleControlSite.GetExtendedControl", result).YesNo("control", extended.Get() != nullptr).Write(); });

  POINTL himetric{2540, 1270};
  POINTF container{-1, -1};
  result = site.TransformCoords(&himetric, &container, XFORMCOORDS_POSITION | XFORMCOORDS_HIMETRICTOCONTAINER);
  Quietly([&] {
    SiteLine("IOleControlSite.TransformCoords", result)
        .Text("direction", "to-container")
        .Text("x", Float(container.x))
        .Text("y", Float(container.y))
        .Write();
  });
  POINTL back{-1, -1};
  POINTF pixels{96.0f, 48.0f};
  result = site.TransformCoords(&back, &pixels, XFORMCOORDS_POSITION | XFORMCOORDS_CONTAINERTOHIMETRIC);
  Quietly([&] {
    SiteLine("IOleControlSite.TransformCoords", result)
        .Text("direction", "to-himetric")
        .Number("x", back.x)
        .Number("y", back.y)
        .Write();
  });
  MSG message{};
  message.message = WM_KEYDOWN;
  message.wParam = VK_TAB;
  TraceSite("IOleControlSite.TranslateAccelerator", site.TranslateAccelerator(&message, 0));
  TraceSite("IOleControlSite.OnFocus", site.OnFocus(TRUE));
  TraceSite("IOleControlSite.ShowPropertyFrame", site.ShowPropertyFrame());
}

std::string VariantValue(const VARIANT& value) {
  switch (value.vt) {
    case VT_EMPTY: return "none";
    case VT_I4: return std::to_string(value.lVal);
    case VT_I2: return std::to_string(value.iVal);
    case VT_UI4: return std::to_string(value.ulVal);
    case VT_BOOL: return std::to_string(value.boolVal);
    case VT_BSTR: return Utf8(std::wstring_view(value.bstrVal ? value.bstrVal : L""));
    case VT_DISPATCH: return value.pdispVal ? "object" : "none";
    case VT_UNKNOWN: return value.punkVal ? "object" : "none";
    default: return "?";
  }
}

}  // namespace

HRESULT WalkSite(TRuntimeObject& object) {
  IOleClientSite* site = object.ClientSite();
  if (!site) return E_UNEXPECTED;
  TComRef<IOleClientSite> held;
  held.Reset(site);  // the walk may make the host let go of the object's site
  WalkClientSite(*site);
  TComRef<IOleInPlaceSite> inPlace;
  if (Query(*site, IID_IOleInPlaceSite, inPlace)) WalkInPlaceSite(*inPlace.Get(), object);
  TComRef<IOleControlSite> control;
  if (Query(*site, IID_IOleControlSite, control)) WalkControlSite(*control.Get());
  TComRef<IOleWindow> window;
  if (Query(*site, IID_IOleWindow, window)) {
    WalkWindow(*window.Get(), "IOleWindow.GetWindow", "IOleWindow.ContextSensitiveHelp");
  }
  return S_OK;
}

HRESULT ReadAllAmbients(TRuntimeObject& object) {
  IOleClientSite* site = object.ClientSite();
  if (!site) return E_UNEXPECTED;
  TComRef<IDispatch> ambients;
  if (!Query(*site, IID_IDispatch, ambients)) return E_NOINTERFACE;
  VARIANT value;
  VariantInit(&value);
  for (DISPID id = -701; id >= -715; --id) {
    const HRESULT result = ReadAmbient(*ambients.Get(), id, value);
    Quietly([&] {
      TTraceLine("ambient")
          .Word(std::to_string(id))
          .Hex("hr", static_cast<unsigned long>(result), 8)
          .Number("type", value.vt)
          .Text("value", VariantValue(value))
          .Write();
    });
  }
  VariantClear(&value);
  return S_OK;
}

HRESULT QuerySiteInterfaces(TRuntimeObject& object) {
  IOleClientSite* site = object.ClientSite();
  if (!site) return E_UNEXPECTED;
  const struct {
    const char* Name;
    IID Iid;
  } asked[] = {
      {"events", kFlashEventsId},
      {"IOleWindow", IID_IOleWindow},
      {"IFlashPlayerControlBase", kHostControlId},
      {"ISimpleFrameSite", kSimpleFrameSiteId},
      {"IPropertyNotifySink", IID_IPropertyNotifySink},
      {"IOleInPlaceFrame", IID_IOleInPlaceFrame},
      {"IOleInPlaceSite", IID_IOleInPlaceSite},
      {"IOleControlSite", IID_IOleControlSite},
      {"IOleClientSite", IID_IOleClientSite},
      {"IUnknown", IID_IUnknown},
      {"IDispatch", IID_IDispatch},
      {"IOleInPlaceSiteEx", IID_IOleInPlaceSiteEx},
      {"IOleInPlaceSiteWindowless", IID_IOleInPlaceSiteWindowless},
      {"IServiceProvider", IID_IServiceProvider},
      {"IOleContainer", IID_IOleContainer},
      {"IOleInPlaceUIWindow", IID_IOleInPlaceUIWindow},
  };
  for (const auto& interfaceAsked : asked) {
    IUnknown* answer = nullptr;
    const HRESULT result = site->QueryInterface(interfaceAsked.Iid, reinterpret_cast<void**>(&answer));
    const bool yes = SUCCEEDED(result) && answer;
    if (answer) answer->Release();
    Quietly([&] { TTraceLine("site-interface").Word(interfaceAsked.Name).Word(yes ? "yes" : "no").Write(); });
  }
  return S_OK;
}

HRESULT ReadWholeFile(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    Quietly([&] { TTraceLine("read").Word(Utf8(path)).Number("error", error).Write(); });
    return HRESULT_FROM_WIN32(error);
  }
  TMd5 digest;
  unsigned long long total = 0;
  unsigned char chunk[64];
  for (DWORD reads = 0; reads < (1u << 20); ++reads) {  // 64 MiB at most: a stream that never ends is cut off
    DWORD got = 0;
    if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr) || got == 0) break;
    digest.Add(chunk, got);
    total += got;
  }
  unsigned char at4[4] = {};
  DWORD gotAt4 = 0;
  if (SetFilePointer(file, 4, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER) {
    if (!ReadFile(file, at4, sizeof at4, &gotAt4, nullptr)) gotAt4 = 0;
  }
  DWORD high = 0;
  const DWORD low = GetFileSize(file, &high);
  CloseHandle(file);
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string at4Hex;
  for (DWORD i = 0; i < gotAt4; ++i) {
    at4Hex += kDigits[at4[i] >> 4];
    at4Hex += kDigits[at4[i] & 15];
  }
  const unsigned long long size = (static_cast<unsigned long long>(high) << 32) | low;
  Quietly([&] {
    TTraceLine("read")
        .Word(Utf8(path))
        .Number("bytes", static_cast<long long>(total))
        .Text("md5", digest.HexDigest())
        .Number("size", static_cast<long long>(size))
        .Text("at4", at4Hex.empty() ? std::string("none") : at4Hex)
        .Write();
  });
  return S_OK;
}

}  // namespace standin
