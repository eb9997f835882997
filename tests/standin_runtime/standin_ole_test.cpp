// The stand-in runtime's object as an OLE control, driven by a small container of the test's
// own: IShockwaveFlash's slots in each generation, in-place activation through the site,
// events through the connection point, the faults a test can ask for, and the test commands.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/stream.h"
#include "runtime_loader/dll_loader.h"
#include "tests/standin_runtime/standin_trace.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wide_text.h"
#include "win/com_object.h"
#include "win/com_ptr.h"

namespace leafmark {
namespace {

using test::TStandinEvent;
using test::TStandinTrace;

// {D27CDB6E-AE6D-11cf-96B8-444553540000}
constexpr CLSID kRuntimeClassId = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {D27CDB6C-AE6D-11CF-96B8-444553540000}
constexpr IID kShockwaveFlashId = {0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {D27CDB6D-AE6D-11CF-96B8-444553540000}
constexpr IID kEventsId = {0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

using TDllGetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using TRun = HRESULT(WINAPI*)(const wchar_t*);

std::string BinFile(const std::string& name) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir = path;
  return dir.substr(0, dir.find_last_of('\\') + 1) + name;
}

template <typename T>
T Export(const TDLLLoader& loader, const char* name) {
  const FARPROC address = loader.FindExport(name);
  if (!address) throw std::runtime_error(std::string("no export ") + name);
  return reinterpret_cast<T>(reinterpret_cast<void (*)()>(address));
}

// Calls slot of a COM interface with exactly the parameters given (the callee pops them on
// win32, so the types must be the slot's own).
template <class... Args>
HRESULT CallSlot(IUnknown* object, int slot, Args... args) {
  using TFunction = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, Args...);
  void** table = *reinterpret_cast<void***>(object);
  return reinterpret_cast<TFunction>(reinterpret_cast<void (*)()>(table[slot]))(object, args...);
}

std::wstring TakeText(BSTR text) {
  std::wstring taken = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
  SysFreeString(text);
  return taken;
}

// A container as small as a host can be: one site object answering the site interfaces, the
// event interface and the ambient properties, noting every call it gets in order.
class TTestSite final
    : public com::TComObject<IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame, IOleControlSite, IDispatch,
                             IPropertyNotifySink, com::TAnswerThrough<IOleWindow, IOleInPlaceSite>,
                             com::TAnswerIid<kEventsId, IDispatch>> {
 public:
  explicit TTestSite(HWND parent) : parent_(parent) {}

  std::vector<std::string> Calls;
  std::vector<std::string> Events;  // "<dispid> <arguments as given, index 0 first>"
  std::vector<DWORD> EventThreads;
  RECT Bounds{10, 20, 110, 70};
  IOleObject* Object = nullptr;  // not counted: the test holds it
  com::TComPtr<IOleInPlaceObject> InPlace;

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() noexcept override { return Note("SaveObject", S_OK); }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept override {
    if (moniker) *moniker = nullptr;
    return Note("GetMoniker", E_NOTIMPL);
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) noexcept override {
    if (container) *container = nullptr;
    return Note("GetContainer", E_NOINTERFACE);
  }
  HRESULT STDMETHODCALLTYPE ShowObject() noexcept override { return Note("ShowObject", S_OK); }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) noexcept override { return Note("OnShowWindow", S_OK); }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() noexcept override { return Note("RequestNewObjectLayout", E_NOTIMPL); }

  // IOleWindow of the in-place site and of the frame alike
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) noexcept override {
    *window = parent_;
    return Note("GetWindow", S_OK);
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) noexcept override { return Note("ContextSensitiveHelp", S_OK); }

  // IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() noexcept override { return Note("CanInPlaceActivate", S_OK); }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() noexcept override {
    if (Object) Object->QueryInterface(IID_IOleInPlaceObject, InPlace.PutVoid());
    return Note("OnInPlaceActivate", S_OK);
  }
  HRESULT STDMETHODCALLTYPE OnUIActivate() noexcept override { return Note("OnUIActivate", S_OK); }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                             LPRECT clip, LPOLEINPLACEFRAMEINFO info) noexcept override {
    *frame = this;
    AddRef();
    *document = nullptr;
    *position = Bounds;
    *clip = {0, 0, 32767, 32767};
    info->fMDIApp = FALSE;
    info->hwndFrame = parent_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return Note("GetWindowContext", S_OK);
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) noexcept override { return Note("Scroll", E_NOTIMPL); }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) noexcept override { return Note("OnUIDeactivate", S_OK); }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() noexcept override {
    InPlace = nullptr;
    return Note("OnInPlaceDeactivate", S_OK);
  }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() noexcept override { return Note("DiscardUndoState", E_NOTIMPL); }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() noexcept override {
    if (InPlace) InPlace->UIDeactivate();
    return Note("DeactivateAndUndo", S_OK);
  }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) noexcept override {
    const RECT clip{0, 0, 32767, 32767};
    if (InPlace) InPlace->SetObjectRects(position, &clip);
    return Note("OnPosRectChange", S_OK);
  }

  // IOleInPlaceFrame
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) noexcept override { return Note("GetBorder", INPLACE_E_NOTOOLSPACE); }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) noexcept override {
    return Note("RequestBorderSpace", INPLACE_E_NOTOOLSPACE);
  }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) noexcept override { return Note("SetBorderSpace", E_NOTIMPL); }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) noexcept override {
    return Note(object ? "SetActiveObject" : "SetActiveObject(none)", S_OK);
  }
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) noexcept override { return Note("InsertMenus", S_OK); }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) noexcept override { return Note("SetMenu", S_OK); }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) noexcept override { return Note("RemoveMenus", S_OK); }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) noexcept override { return Note("SetStatusText", S_OK); }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) noexcept override { return Note("EnableModeless", S_OK); }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) noexcept override {
    return Note("TranslateAccelerator", S_FALSE);
  }

  // IOleControlSite
  HRESULT STDMETHODCALLTYPE OnControlInfoChanged() noexcept override { return Note("OnControlInfoChanged", E_NOTIMPL); }
  HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL) noexcept override { return Note("LockInPlaceActive", E_NOTIMPL); }
  HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** control) noexcept override {
    *control = nullptr;
    return Note("GetExtendedControl", E_NOTIMPL);
  }
  // At 96 pixels per inch.
  HRESULT STDMETHODCALLTYPE TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) noexcept override {
    if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
      container->x = static_cast<float>(MulDiv(himetric->x, 96, 2540));
      container->y = static_cast<float>(MulDiv(himetric->y, 96, 2540));
    } else {
      himetric->x = static_cast<LONG>(container->x * 2540 / 96 + 0.5f);
      himetric->y = static_cast<LONG>(container->y * 2540 / 96 + 0.5f);
    }
    return Note("TransformCoords", S_OK);
  }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, DWORD) noexcept override {
    return Note("ControlSite.TranslateAccelerator", E_NOTIMPL);
  }
  HRESULT STDMETHODCALLTYPE OnFocus(BOOL) noexcept override { return Note("OnFocus", E_NOTIMPL); }
  HRESULT STDMETHODCALLTYPE ShowPropertyFrame() noexcept override { return Note("ShowPropertyFrame", E_NOTIMPL); }

  // IDispatch: the runtime's events, and two ambient properties
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override {
    *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                                   EXCEPINFO*, UINT*) noexcept override {
    if (flags & DISPATCH_PROPERTYGET) {
      if (!result) return E_POINTER;
      if (id == DISPID_AMBIENT_USERMODE) {
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_TRUE;
        return S_OK;
      }
      if (id == DISPID_AMBIENT_BACKCOLOR) {
        result->vt = VT_I4;
        result->lVal = 0x123456;
        return S_OK;
      }
      return DISP_E_MEMBERNOTFOUND;
    }
    std::string event = std::to_string(id);
    for (UINT i = 0; i < parameters->cArgs; ++i) {
      const VARIANT& argument = parameters->rgvarg[i];
      event += ' ';
      if (argument.vt == VT_I4) event += std::to_string(argument.lVal);
      if (argument.vt == VT_BSTR) event += std::string(argument.bstrVal, argument.bstrVal + SysStringLen(argument.bstrVal));
    }
    Events.push_back(event);
    EventThreads.push_back(GetCurrentThreadId());
    return S_OK;
  }

  // IPropertyNotifySink
  HRESULT STDMETHODCALLTYPE OnChanged(DISPID) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) noexcept override { return S_OK; }

 private:
  HRESULT Note(const char* call, HRESULT result) {
    Calls.push_back(call);
    return result;
  }

  HWND parent_;
};

// One runtime object of a variant, its trace in the test's own folder, a parent window and a
// site. Faults are set before the object is made.
class StandinOleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tracePath_ = test::Wide(tmp_.File("trace.log"));
    SetEnvironmentVariableW(L"LEAFMARK_STANDIN_TRACE", tracePath_.c_str());
    // A container window as a form's would be (under Wine's null display driver, which the
    // test prefix uses).
    parent_ = CreateWindowExW(0, L"STATIC", L"container", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 400, 300,
                              nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent_, nullptr);
    site_ = com::MakeCom<TTestSite>(parent_);
  }
  void TearDown() override {
    Release();
    site_ = nullptr;
    loader_.reset();
    DestroyWindow(parent_);
    SetEnvironmentVariableW(L"LEAFMARK_STANDIN_TRACE", nullptr);
    SetEnvironmentVariableW(L"LEAFMARK_STANDIN_FAULTS", nullptr);
  }

  // Closes and lets go of the object as a host does, which breaks the site's hold on it.
  void Release() {
    if (object_) {
      object_->Close(OLECLOSE_NOSAVE);
      object_->SetClientSite(nullptr);
    }
    object_ = nullptr;
  }

  void Create(const std::string& file = "flash.ocx", const wchar_t* faults = nullptr) {
    SetEnvironmentVariableW(L"LEAFMARK_STANDIN_FAULTS", faults);
    Release();
    loader_.reset();
    TMemoryStream image(test::ReadFileBytes(BinFile(file)));
    loader_ = std::make_unique<TDLLLoader>();
    loader_->LoadModule(image);
    com::TComPtr<IClassFactory> factory;
    ASSERT_EQ(Export<TDllGetClassObject>(*loader_, "DllGetClassObject")(kRuntimeClassId, IID_IClassFactory,
                                                                         factory.PutVoid()),
              S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IOleObject, object_.PutVoid()), S_OK);
    site_->Object = object_.Get();
  }

  HRESULT Run(const std::wstring& command) { return Export<TRun>(*loader_, "LeafmarkStandinRun")(command.c_str()); }

  void Activate(LONG verb = OLEIVERB_INPLACEACTIVATE) {
    ASSERT_EQ(object_->SetClientSite(site_.Get()), S_OK);
    ASSERT_EQ(object_->DoVerb(verb, nullptr, site_.Get(), 0, parent_, &site_->Bounds), S_OK);
  }

  HWND RuntimeWindow() {
    com::TComPtr<IOleInPlaceObject> inPlace;
    if (FAILED(object_->QueryInterface(IID_IOleInPlaceObject, inPlace.PutVoid()))) return nullptr;
    HWND window = nullptr;
    inPlace->GetWindow(&window);
    return window;
  }

  // The runtime window's rectangle in its parent's client coordinates.
  RECT PlaceOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

  TStandinTrace Trace() const { return TStandinTrace::Read(std::filesystem::path(tracePath_)); }

  // The trace holds the events of every load in this test, each load counting from 1: events
  // are told apart by their place in the file.
  std::size_t EventCount() const { return Trace().Events().size(); }
  std::vector<TStandinEvent> EventsSince(std::size_t first) const {
    const TStandinTrace trace = Trace();
    const auto& events = trace.Events();
    return std::vector<TStandinEvent>(events.begin() + static_cast<std::ptrdiff_t>(std::min(first, events.size())),
                                      events.end());
  }
  // The members named by the "site" events from place first on.
  std::vector<std::string> SiteCallsSince(std::size_t first) const {
    std::vector<std::string> calls;
    for (const TStandinEvent& event : EventsSince(first)) {
      if (event.Name == "site") calls.push_back(event.Words.at(0));
    }
    return calls;
  }

  test::TTempDir tmp_;
  std::wstring tracePath_;
  HWND parent_ = nullptr;
  com::TComPtr<TTestSite> site_;
  std::unique_ptr<TDLLLoader> loader_;
  com::TComPtr<IOleObject> object_;
};

// Each generation's table, through the variants: the members at and after slot 73 differ, the
// older ones keep their places, and the trace names the slot each call came through.
TEST_F(StandinOleTest, EachGenerationPutsItsMembersAtItsOwnSlots) {
  struct TTextSlot {
    int Read;  // the write is the next slot
    const char* Name;
  };
  struct TCase {
    const char* File;
    long FlashVersion;
    bool AsNumberAt73;  // else get_SWRemote is there
    std::vector<TTextSlot> TextSlots;
  } cases[] = {
      {"flash-v5.0.42.0.ocx", 0x50000, false, {{73, "SWRemote"}, {75, "Stacking"}}},
      {"flash-v6.0.79.0.ocx", 0x60000, false, {{73, "SWRemote"}}},
      {"flash-v7.0.19.0.ocx", 0x70000, true, {{74, "SWRemote"}, {76, "FlashVars"}, {78, "AllowScriptAccess"}, {80, "MovieData"}}},
      {"flash-v8.0.24.0.ocx", 0x80000, true, {{74, "SWRemote"}, {80, "MovieData"}, {82, "InlineData"}, {89, "ProfileAddress"}}},
      {"flash-v9.0.27.0.ocx", 0x90000, true, {{74, "SWRemote"}, {89, "ProfileAddress"}}},
      {"flash-v9.0.28.0.ocx", 0x90000, true, {{74, "SWRemote"}, {96, "AllowNetworking"}, {98, "AllowFullScreen"}}},
      {"flash.ocx", 0xA0000, true, {{74, "SWRemote"}, {98, "AllowFullScreen"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    Create(c.File);
    com::TComPtr<IUnknown> flash;
    ASSERT_EQ(object_->QueryInterface(kShockwaveFlashId, flash.PutVoid()), S_OK);
    const std::size_t first = EventCount();

    long version = 0;
    EXPECT_EQ(CallSlot(flash.Get(), 39, &version), S_OK);
    EXPECT_EQ(version, c.FlashVersion);

    // Members every generation has where it had them.
    EXPECT_EQ(CallSlot(flash.Get(), 12, 2), S_OK);  // put_Quality(int)
    int quality = -1;
    EXPECT_EQ(CallSlot(flash.Get(), 11, &quality), S_OK);
    EXPECT_EQ(quality, 2);
    BSTR root = SysAllocString(L"/");
    EXPECT_EQ(CallSlot(flash.Get(), 71, root, 3, 2.5), S_OK);  // TSetPropertyNum
    double number = 0;
    EXPECT_EQ(CallSlot(flash.Get(), 72, root, 3, &number), S_OK);  // TGetPropertyNum
    EXPECT_EQ(number, 2.5);

    if (c.AsNumberAt73) {
      number = 0;
      EXPECT_EQ(CallSlot(flash.Get(), 73, root, 3, &number), S_OK);  // TGetPropertyAsNumber
      EXPECT_EQ(number, 2.5);
    }
    for (const auto& slot : c.TextSlots) {
      const std::wstring written = L"v" + std::to_wstring(slot.Read);
      BSTR value = SysAllocString(written.c_str());
      EXPECT_EQ(CallSlot(flash.Get(), slot.Read + 1, value), S_OK) << slot.Name;
      SysFreeString(value);
      BSTR read = nullptr;
      EXPECT_EQ(CallSlot(flash.Get(), slot.Read, &read), S_OK) << slot.Name;
      EXPECT_EQ(TakeText(read), written) << slot.Name;
    }
    SysFreeString(root);

    std::vector<std::string> expected = {
        "call IShockwaveFlash.FlashVersion slot=39",
        "call IShockwaveFlash.put_Quality slot=12 arg1=2",
        "call IShockwaveFlash.get_Quality slot=11",
        "call IShockwaveFlash.TSetPropertyNum slot=71 arg1=/ arg2=3 arg3=2.5",
        "call IShockwaveFlash.TGetPropertyNum slot=72 arg1=/ arg2=3",
    };
    if (c.AsNumberAt73) expected.push_back("call IShockwaveFlash.TGetPropertyAsNumber slot=73 arg1=/ arg2=3");
    for (const auto& slot : c.TextSlots) {
      expected.push_back("call IShockwaveFlash.put_" + std::string(slot.Name) + " slot=" +
                         std::to_string(slot.Read + 1) + " arg1=v" + std::to_string(slot.Read));
      expected.push_back("call IShockwaveFlash.get_" + std::string(slot.Name) + " slot=" + std::to_string(slot.Read));
    }
    std::vector<std::string> traced;
    for (const TStandinEvent& event : EventsSince(first)) traced.push_back(event.Line.substr(event.Line.find(" call ") + 1));
    EXPECT_EQ(traced, expected);
  }
}

// The properties that are more than stored values, on the newest generation.
TEST_F(StandinOleTest, PropertiesReadBackWhatWasWrittenAndTheStageAnswersTheRest) {
  Create();
  com::TComPtr<IUnknown> flash;
  ASSERT_EQ(object_->QueryInterface(IID_IDispatch, flash.PutVoid()), S_OK) << "IDispatch is IShockwaveFlash's";
  VARIANT_BOOL playing = 0;
  EXPECT_EQ(CallSlot(flash.Get(), 36, &playing), S_OK);  // IsPlaying
  EXPECT_EQ(playing, VARIANT_TRUE) << "a new runtime plays";
  EXPECT_EQ(CallSlot(flash.Get(), 29), S_OK);  // Stop
  EXPECT_EQ(CallSlot(flash.Get(), 9, &playing), S_OK);  // get_Playing
  EXPECT_EQ(playing, VARIANT_FALSE);
  EXPECT_EQ(CallSlot(flash.Get(), 34, 7L), S_OK);  // GotoFrame
  long frame = 0;
  EXPECT_EQ(CallSlot(flash.Get(), 35, &frame), S_OK);  // CurrentFrame
  EXPECT_EQ(frame, 7);

  long color = 0;
  EXPECT_EQ(CallSlot(flash.Get(), 17, &color), S_OK);
  EXPECT_EQ(color, -1) << "no movie set a background";
  EXPECT_EQ(CallSlot(flash.Get(), 18, 0x336699L), S_OK);
  EXPECT_EQ(CallSlot(flash.Get(), 17, &color), S_OK);
  EXPECT_EQ(color, 0x336699);

  BSTR name = SysAllocString(L"page");
  BSTR value = SysAllocString(L"12");
  EXPECT_EQ(CallSlot(flash.Get(), 65, name, value), S_OK);  // SetVariable
  BSTR read = nullptr;
  EXPECT_EQ(CallSlot(flash.Get(), 66, name, &read), S_OK);  // GetVariable
  EXPECT_EQ(TakeText(read), L"12");
  SysFreeString(name);
  SysFreeString(value);

  BSTR movie = SysAllocString(L"Z:\\FromMemory\\1\\0\\book.swf");
  EXPECT_EQ(CallSlot(flash.Get(), 22, movie), S_OK);  // put_Movie
  SysFreeString(movie);
  EXPECT_EQ(CallSlot(flash.Get(), 21, &read), S_OK);
  EXPECT_EQ(TakeText(read), L"Z:\\FromMemory\\1\\0\\book.swf");
  EXPECT_EQ(Trace().One("call", "IShockwaveFlash.put_Movie")["arg1"], "Z:\\FromMemory\\1\\0\\book.swf");
}

// Activation goes through the site in the order a control keeps; a later in-place verb with a
// new rectangle only moves the window; Close deactivates and destroys it but keeps the site.
TEST_F(StandinOleTest, ItActivatesInPlaceThroughTheSiteAndALaterVerbOnlyMovesIt) {
  Create();
  const std::size_t first = EventCount();
  Activate();
  EXPECT_EQ(site_->Calls, (std::vector<std::string>{"CanInPlaceActivate", "OnInPlaceActivate", "GetWindowContext",
                                                    "ShowObject", "OnUIActivate", "SetActiveObject"}));
  EXPECT_EQ(SiteCallsSince(first),
            (std::vector<std::string>{"IOleClientSite.QueryInterface", "IOleInPlaceSite.CanInPlaceActivate",
                                      "IOleInPlaceSite.OnInPlaceActivate", "IOleInPlaceSite.GetWindowContext",
                                      "IOleClientSite.ShowObject", "IOleInPlaceSite.OnUIActivate",
                                      "IOleInPlaceFrame.SetActiveObject"}));
  const TStandinTrace activated = Trace();
  EXPECT_EQ(activated.One("call", "IOleObject.DoVerb")["arg1"], "-5");
  EXPECT_EQ(activated.One("site", "IOleInPlaceSite.GetWindowContext")["clip"], "0,0,32767,32767");
  EXPECT_EQ(activated.One("window", "created")["rect"], "10,20,110,70");

  const HWND window = RuntimeWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetParent(window), parent_);
  RECT place = PlaceOf(window);
  EXPECT_EQ(place.left, 10);
  EXPECT_EQ(place.top, 20);
  EXPECT_EQ(place.right, 110);
  EXPECT_EQ(place.bottom, 70);

  site_->Calls.clear();
  const RECT larger{5, 6, 305, 206};
  ASSERT_EQ(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, parent_, &larger), S_OK);
  ASSERT_EQ(object_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site_.Get(), 0, parent_, &larger), S_OK);
  EXPECT_TRUE(site_->Calls.empty()) << "already active and UI-active: " << site_->Calls.front();
  EXPECT_EQ(RuntimeWindow(), window) << "the same window";
  place = PlaceOf(window);
  EXPECT_EQ(place.right - place.left, 300);
  EXPECT_EQ(place.bottom - place.top, 200);
  EXPECT_EQ(Trace().All("window", "moved").size(), 2u);
  EXPECT_TRUE(Trace().All("message").empty()) << "moving it sends it no WM_SIZE of its own";

  ASSERT_EQ(object_->Close(OLECLOSE_NOSAVE), S_OK);
  EXPECT_EQ(site_->Calls, (std::vector<std::string>{"SetActiveObject(none)", "OnUIDeactivate", "OnInPlaceDeactivate"}));
  EXPECT_FALSE(IsWindow(window));
  com::TComPtr<IOleClientSite> kept;
  EXPECT_EQ(object_->GetClientSite(kept.Put()), S_OK);
  EXPECT_EQ(kept.Get(), static_cast<IOleClientSite*>(site_.Get())) << "the host lets go of the site, not Close";

  site_->Calls.clear();
  Activate();
  EXPECT_EQ(site_->Calls.size(), 6u) << "activated again from the start";
  EXPECT_NE(RuntimeWindow(), nullptr);
  ASSERT_EQ(object_->SetClientSite(nullptr), S_OK);
  EXPECT_EQ(site_->InPlace.Get(), nullptr) << "deactivated as its site went";
}

// The messages a host passes on reach the runtime's window procedure, and are traced as they
// arrive, WM_SIZE included (a host should never pass that one).
TEST_F(StandinOleTest, ItsWindowTracesTheInputMessagesItReceives) {
  Create();
  Activate();
  const HWND window = RuntimeWindow();
  ASSERT_NE(window, nullptr);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(16, 20));
  SendMessageW(window, WM_KEYDOWN, VK_SPACE, 0x00390001);
  SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(-1, -1));
  SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
  SendMessageW(window, WM_TIMER, 1, 0);
  char windowWord[16];
  std::snprintf(windowWord, sizeof windowWord, "0x%08lX",
                static_cast<unsigned long>(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window))));
  std::vector<std::vector<std::string>> messages;
  const TStandinTrace trace = Trace();
  for (const TStandinEvent* event : trace.All("message")) messages.push_back(event->Words);
  EXPECT_EQ(messages, (std::vector<std::vector<std::string>>{
                          {"513", "0x00000001", "0x00140010"},
                          {"256", "0x00000020", "0x00390001"},
                          {"123", windowWord, "0xFFFFFFFF"},
                          {"5", "0x00000000", "0x00C8012C"},
                      }));
}

// Events reach every advised sink with the runtime's DISPIDs and arguments (FSCommand's last
// first), on the thread that raised them; an unadvised sink hears no more.
TEST_F(StandinOleTest, EventsReachEachAdvisedSinkFromTheMainThreadOrAWorker) {
  Create();
  com::TComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(object_->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()), S_OK);
  com::TComPtr<IConnectionPoint> events;
  ASSERT_EQ(container->FindConnectionPoint(kEventsId, events.Put()), S_OK);
  com::TComPtr<IConnectionPoint> notify;
  EXPECT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, notify.Put()), S_OK);
  com::TComPtr<IConnectionPoint> none;
  EXPECT_EQ(container->FindConnectionPoint(IID_IAdviseSink, none.Put()), CONNECT_E_NOCONNECTION);

  auto other = com::MakeCom<TTestSite>(parent_);
  DWORD cookie = 0;
  DWORD otherCookie = 0;
  ASSERT_EQ(events->Advise(static_cast<IDispatch*>(site_.Get()), &cookie), S_OK);
  ASSERT_EQ(events->Advise(static_cast<IDispatch*>(other.Get()), &otherCookie), S_OK);
  EXPECT_NE(cookie, 0u);
  EXPECT_NE(cookie, otherCookie);
  DWORD notifyCookie = 0;
  EXPECT_EQ(notify->Advise(static_cast<IPropertyNotifySink*>(site_.Get()), &notifyCookie), S_OK);

  struct TCase {
    const wchar_t* Command;
    const char* Received;
    const char* Traced;
  } cases[] = {
      {L"raise ready-state 3", "-609 3", "raised ReadyStateChange dispid=-609 sinks=2 hr=0x00000000"},
      {L"raise progress 50", "1958 50", "raised Progress dispid=1958 sinks=2 hr=0x00000000"},
      {L"raise fscommand fullscreen true", "150 true fullscreen", "raised FSCommand dispid=150 sinks=2 hr=0x00000000"},
      {L"raise fscommand quit", "150  quit", "raised FSCommand dispid=150 sinks=2 hr=0x00000000"},
      {L"raise flashcall <invoke name=\"go\"/>", "197 <invoke name=\"go\"/>",
       "raised FlashCall dispid=197 sinks=2 hr=0x00000000"},
  };
  for (const auto& c : cases) {
    const std::size_t first = EventCount();
    ASSERT_EQ(Run(c.Command), S_OK);
    ASSERT_FALSE(site_->Events.empty());
    EXPECT_EQ(site_->Events.back(), c.Received);
    EXPECT_EQ(other->Events.back(), c.Received);
    EXPECT_EQ(site_->EventThreads.back(), GetCurrentThreadId());
    const auto traced = EventsSince(first);
    ASSERT_EQ(traced.size(), 1u);
    EXPECT_EQ(traced[0].Line, std::to_string(first + 1) + " main " + c.Traced) << "one load: numbered by place";
  }

  ASSERT_EQ(Run(L"worker raise progress 75"), S_OK);
  EXPECT_EQ(site_->Events.back(), "1958 75");
  EXPECT_NE(site_->EventThreads.back(), GetCurrentThreadId());
  EXPECT_EQ(Trace().Events().back().Thread, "worker");

  EXPECT_EQ(events->Unadvise(otherCookie), S_OK);
  EXPECT_EQ(events->Unadvise(otherCookie), CONNECT_E_NOCONNECTION);
  const std::size_t heard = other->Events.size();
  ASSERT_EQ(Run(L"raise progress 100"), S_OK);
  EXPECT_EQ(other->Events.size(), heard);
  EXPECT_EQ(Trace().Events().back()["sinks"], "1");
  EXPECT_EQ(events->Unadvise(cookie), S_OK);
  EXPECT_EQ(notify->Unadvise(notifyCookie), S_OK);

  EXPECT_EQ(Run(L"raise progress"), E_INVALIDARG);
  EXPECT_EQ(Run(L"raise nothing 1"), E_INVALIDARG);
  EXPECT_EQ(Run(L"dance"), E_INVALIDARG);
  events = nullptr;
  notify = nullptr;
  container = nullptr;
  Release();
  EXPECT_EQ(Run(L"raise progress 1"), E_FAIL) << "no object left";
}

// Each fault changes what it names and nothing else; unknown words are ignored.
TEST_F(StandinOleTest, EachFaultBreaksOnlyWhatItNames) {
  struct TCase {
    const wchar_t* Faults;
    HRESULT SetSite;
    bool OleControl;
    bool InPlace;  // IOleInPlaceObject answered and OnInPlaceActivate called
    bool Window;
    bool Connections;
    HRESULT SetExtent;
  } cases[] = {
      {L"", S_OK, true, true, true, true, S_OK},
      {L"refuse-site", E_FAIL, true, true, true, true, S_OK},
      {L"no-olecontrol", S_OK, false, true, true, true, S_OK},
      {L"no-inplace", S_OK, true, false, false, true, S_OK},
      {L"zero-window", S_OK, true, true, false, true, S_OK},
      {L"no-connections", S_OK, true, true, true, false, S_OK},
      {L"reject-extent", S_OK, true, true, true, true, E_FAIL},
      {L"sing,no-olecontrol, reject-extent", S_OK, false, true, true, true, E_FAIL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Faults, c.Faults + wcslen(c.Faults)));
    Create("flash.ocx", c.Faults);
    site_->Calls.clear();
    EXPECT_EQ(object_->SetClientSite(site_.Get()), c.SetSite);
    com::TComPtr<IUnknown> answer;
    EXPECT_EQ(SUCCEEDED(object_->QueryInterface(IID_IOleControl, answer.PutVoid())), c.OleControl);
    EXPECT_EQ(SUCCEEDED(object_->QueryInterface(IID_IConnectionPointContainer, answer.PutVoid())), c.Connections);
    EXPECT_EQ(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, parent_, &site_->Bounds), S_OK);
    const bool activated = std::find(site_->Calls.begin(), site_->Calls.end(), "OnInPlaceActivate") != site_->Calls.end();
    EXPECT_EQ(activated, c.InPlace);
    EXPECT_EQ(SUCCEEDED(object_->QueryInterface(IID_IOleInPlaceObject, answer.PutVoid())), c.InPlace);
    EXPECT_EQ(RuntimeWindow() != nullptr, c.Window);
    SIZEL size{2540, 1270};
    EXPECT_EQ(object_->SetExtent(DVASPECT_CONTENT, &size), c.SetExtent);
    SIZEL now{};
    EXPECT_EQ(object_->GetExtent(DVASPECT_CONTENT, &now), S_OK);
    EXPECT_EQ(now.cx, c.SetExtent == S_OK ? 2540 : 14552);
    EXPECT_EQ(object_->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_EQ(object_->SetClientSite(nullptr), S_OK);
  }
  const std::string extent = Trace().All("call", "IOleObject.SetExtent").back()->Line;
  EXPECT_TRUE(extent.ends_with(" main call IOleObject.SetExtent arg1=2540 arg2=1270")) << extent;
}

// The control side a host asks of it: its control information and the ambients it reads.
TEST_F(StandinOleTest, ItAnswersAsAControlAndReadsTheAmbientsWhenToldTheyChanged) {
  Create();
  ASSERT_EQ(object_->SetClientSite(site_.Get()), S_OK);
  com::TComPtr<IOleControl> control;
  ASSERT_EQ(object_->QueryInterface(IID_IOleControl, control.PutVoid()), S_OK);
  CONTROLINFO info{};
  info.cb = sizeof info;
  info.cAccel = 9;
  EXPECT_EQ(control->GetControlInfo(&info), S_OK);
  EXPECT_EQ(info.cAccel, 0);
  EXPECT_EQ(info.hAccel, nullptr);
  info.cb = 8;
  EXPECT_EQ(control->GetControlInfo(&info), E_INVALIDARG);

  const std::size_t first = EventCount();
  EXPECT_EQ(control->OnAmbientPropertyChange(DISPID_UNKNOWN), S_OK);
  std::vector<std::string> read;
  for (const TStandinEvent& event : EventsSince(first)) {
    if (event.Name == "site" && event.Words[0] == "IDispatch.Invoke") {
      read.push_back(event["dispid"] + " " + event["hr"]);
    }
  }
  EXPECT_EQ(read, (std::vector<std::string>{"-709 0x00000000", "-710 0x80020003", "-701 0x00000000",
                                            "-704 0x80020003", "-705 0x80020003", "-714 0x80020003"}));
}

// The commands that look at the host: what the test site answers comes back in the trace.
TEST_F(StandinOleTest, TheSiteCommandsTraceWhatTheSiteAnswers) {
  Create();
  Activate();
  ASSERT_EQ(Run(L"walk-site"), S_OK);
  ASSERT_EQ(Run(L"ambients"), S_OK);
  ASSERT_EQ(Run(L"query-interfaces"), S_OK);
  const TStandinTrace trace = Trace();
  const auto context = trace.All("site", "IOleInPlaceSite.GetWindowContext");
  ASSERT_EQ(context.size(), 2u) << "activation and the walk";
  EXPECT_EQ((*context[1])["frame-window"], "yes");
  EXPECT_EQ((*context[1])["pos"], "10,20,110,70");
  EXPECT_EQ(trace.One("site", "IOleInPlaceFrame.GetBorder")["hr"], "0x800401A1");
  EXPECT_EQ(trace.One("site", "IOleInPlaceSite.DeactivateAndUndo")["hr"], "0x00000000");
  EXPECT_EQ(trace.All("site", "IOleInPlaceSite.OnUIDeactivate").size(), 1u) << "DeactivateAndUndo UI-deactivated it";
  const auto transforms = trace.All("site", "IOleControlSite.TransformCoords");
  ASSERT_EQ(transforms.size(), 2u);
  EXPECT_EQ((*transforms[0])["x"] + "," + (*transforms[0])["y"], "96,48");
  EXPECT_EQ((*transforms[1])["x"] + "," + (*transforms[1])["y"], "2540,1270");
  EXPECT_EQ(trace.One("site", "IOleWindow.GetWindow")["window"], "yes");

  const auto& user = trace.One("ambient", "-709");
  EXPECT_EQ(user["hr"] + " " + user["type"] + " " + user["value"], "0x00000000 11 -1");
  const auto& back = trace.One("ambient", "-701");
  EXPECT_EQ(back["type"] + " " + back["value"], "3 1193046");
  EXPECT_EQ(trace.One("ambient", "-707")["hr"], "0x80020003");
  EXPECT_EQ(trace.All("ambient").size(), 15u);

  const auto answered = [&](const char* name) {
    const TStandinEvent& event = trace.One("site-interface", name);
    return event.Words.size() == 2 ? event.Words[1] : "?";
  };
  EXPECT_EQ(answered("IOleInPlaceSite"), "yes");
  EXPECT_EQ(answered("events"), "yes");
  EXPECT_EQ(answered("IOleWindow"), "yes");
  EXPECT_EQ(answered("IOleInPlaceSiteEx"), "no");
  EXPECT_EQ(answered("IFlashPlayerControlBase"), "no") << "the test's site is no host control";
}

// The file is read through the runtime's own imports: in 64-byte pieces, then 4 bytes at 4.
TEST_F(StandinOleTest, ReadFileReadsThroughTheImportedFileFunctions) {
  Create();
  const std::string path = tmp_.File("served movie.swf");
  test::WriteFileText(path, "FWS\nThis served movie holds exactly one hundred bytes, read as 64, 36 and then none at its end......");
  ASSERT_EQ(Run(L"read-file " + test::Wide(path)), S_OK);
  const std::string absent = tmp_.File("absent.swf");
  EXPECT_EQ(Run(L"read-file " + test::Wide(absent)), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Run(L"read-file"), E_INVALIDARG);

  const TStandinTrace trace = Trace();
  const auto reads = trace.All("read");
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_EQ(reads[0]->Words, std::vector<std::string>{path});
  EXPECT_EQ((*reads[0])["bytes"], "100");
  EXPECT_EQ((*reads[0])["md5"], "3dac6e55a772b20dbf28c8266ebe51a8");
  EXPECT_EQ((*reads[0])["size"], "100");
  EXPECT_EQ((*reads[0])["at4"], "54686973");
  EXPECT_EQ((*reads[1])["error"], "2");
}

}  // namespace
}  // namespace leafmark
