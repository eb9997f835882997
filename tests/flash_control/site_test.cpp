// The site's answers to the runtime, while the control lives and after it is gone.
#include <gtest/gtest.h>

#include <olectl.h>

#include <functional>
#include <string>
#include <vector>

#include "flash_control/flash_site.h"
#include "tests/flash_control/test_host.h"
#include "win/com_ptr.h"

namespace leafmark::test {
namespace {

using Calls = std::vector<std::string>;

struct SiteInterfaces {
  com::TComPtr<IOleClientSite> Client;
  com::TComPtr<IOleInPlaceSite> InPlace;
  com::TComPtr<IOleInPlaceFrame> Frame;
  com::TComPtr<IOleControlSite> Control;
  com::TComPtr<ISimpleFrameSite> SimpleFrame;
  com::TComPtr<IPropertyNotifySink> PropertySink;

  explicit SiteInterfaces(IOleClientSite* site) : Client(site) {
    InPlace = Client.As<IOleInPlaceSite>();
    Frame = Client.As<IOleInPlaceFrame>();
    Control = Client.As<IOleControlSite>();
    SimpleFrame = Client.As<ISimpleFrameSite>();
    PropertySink = Client.As<IPropertyNotifySink>();
  }
};

struct Answer {
  const char* Member;
  std::function<HRESULT(SiteInterfaces&)> Call;
  HRESULT Expected;
};

std::vector<Answer> Answers() {
  return {
      {"IOleClientSite.SaveObject", [](SiteInterfaces& s) { return s.Client->SaveObject(); }, S_OK},
      {"IOleClientSite.GetMoniker",
       [](SiteInterfaces& s) {
         IMoniker* moniker = reinterpret_cast<IMoniker*>(1);
         const HRESULT r = s.Client->GetMoniker(OLEGETMONIKER_ONLYIFTHERE, OLEWHICHMK_CONTAINER, &moniker);
         return moniker ? E_POINTER : r;
       },
       E_NOTIMPL},
      {"IOleClientSite.GetContainer",
       [](SiteInterfaces& s) {
         IOleContainer* container = reinterpret_cast<IOleContainer*>(1);
         const HRESULT r = s.Client->GetContainer(&container);
         return container ? E_POINTER : r;
       },
       E_NOINTERFACE},
      {"IOleClientSite.OnShowWindow", [](SiteInterfaces& s) { return s.Client->OnShowWindow(TRUE); }, S_OK},
      {"IOleInPlaceSite.ContextSensitiveHelp", [](SiteInterfaces& s) { return s.InPlace->ContextSensitiveHelp(TRUE); }, S_OK},
      {"IOleInPlaceSite.CanInPlaceActivate", [](SiteInterfaces& s) { return s.InPlace->CanInPlaceActivate(); }, S_OK},
      {"IOleInPlaceSite.Scroll", [](SiteInterfaces& s) { return s.InPlace->Scroll(SIZE{1, 1}); }, E_NOTIMPL},
      {"IOleInPlaceSite.DiscardUndoState", [](SiteInterfaces& s) { return s.InPlace->DiscardUndoState(); }, E_NOTIMPL},
      {"IOleInPlaceFrame.GetBorder",
       [](SiteInterfaces& s) {
         RECT border{};
         return s.Frame->GetBorder(&border);
       },
       INPLACE_E_NOTOOLSPACE},
      {"IOleInPlaceFrame.RequestBorderSpace",
       [](SiteInterfaces& s) {
         BORDERWIDTHS widths{};
         return s.Frame->RequestBorderSpace(&widths);
       },
       INPLACE_E_NOTOOLSPACE},
      {"IOleInPlaceFrame.SetBorderSpace", [](SiteInterfaces& s) { return s.Frame->SetBorderSpace(nullptr); }, E_NOTIMPL},
      {"IOleInPlaceFrame.SetActiveObject", [](SiteInterfaces& s) { return s.Frame->SetActiveObject(nullptr, nullptr); }, S_OK},
      {"IOleInPlaceFrame.InsertMenus (no main menu)",
       [](SiteInterfaces& s) {
         OLEMENUGROUPWIDTHS widths{};
         return s.Frame->InsertMenus(::CreateMenu(), &widths);
       },
       S_OK},
      {"IOleInPlaceFrame.SetMenu (no main menu)", [](SiteInterfaces& s) { return s.Frame->SetMenu(nullptr, nullptr, nullptr); }, S_OK},
      {"IOleInPlaceFrame.SetStatusText", [](SiteInterfaces& s) { return s.Frame->SetStatusText(L"text"); }, S_OK},
      {"IOleInPlaceFrame.EnableModeless", [](SiteInterfaces& s) { return s.Frame->EnableModeless(TRUE); }, S_OK},
      {"IOleInPlaceFrame.TranslateAccelerator",
       [](SiteInterfaces& s) {
         MSG message{};
         return s.Frame->TranslateAccelerator(&message, 0);
       },
       S_FALSE},
      {"IOleControlSite.OnControlInfoChanged", [](SiteInterfaces& s) { return s.Control->OnControlInfoChanged(); }, E_NOTIMPL},
      {"IOleControlSite.LockInPlaceActive", [](SiteInterfaces& s) { return s.Control->LockInPlaceActive(TRUE); }, E_NOTIMPL},
      {"IOleControlSite.GetExtendedControl",
       [](SiteInterfaces& s) {
         IDispatch* extended = reinterpret_cast<IDispatch*>(1);
         const HRESULT r = s.Control->GetExtendedControl(&extended);
         return extended ? E_POINTER : r;
       },
       E_NOTIMPL},
      {"IOleControlSite.TranslateAccelerator",
       [](SiteInterfaces& s) {
         MSG message{};
         return s.Control->TranslateAccelerator(&message, 0);
       },
       E_NOTIMPL},
      {"IOleControlSite.OnFocus", [](SiteInterfaces& s) { return s.Control->OnFocus(TRUE); }, E_NOTIMPL},
      {"IOleControlSite.ShowPropertyFrame", [](SiteInterfaces& s) { return s.Control->ShowPropertyFrame(); }, E_NOTIMPL},
      {"ISimpleFrameSite.PreMessageFilter",
       [](SiteInterfaces& s) {
         LRESULT result = 0;
         DWORD cookie = 0;
         return s.SimpleFrame->PreMessageFilter(nullptr, WM_NULL, 0, 0, &result, &cookie);
       },
       S_OK},
      {"ISimpleFrameSite.PostMessageFilter",
       [](SiteInterfaces& s) {
         LRESULT result = 0;
         return s.SimpleFrame->PostMessageFilter(nullptr, WM_NULL, 0, 0, &result, 0);
       },
       S_OK},
      {"IPropertyNotifySink.OnChanged", [](SiteInterfaces& s) { return s.PropertySink->OnChanged(DISPID_UNKNOWN); }, S_OK},
      {"IPropertyNotifySink.OnRequestEdit", [](SiteInterfaces& s) { return s.PropertySink->OnRequestEdit(DISPID_UNKNOWN); }, S_OK},
  };
}

class Site : public HostTest {};

TEST_F(Site, AnswersEachMemberAsAMinimalInPlaceContainer) {
  TFakeRuntime runtime;
  auto control = MakeControl(runtime);
  control->SetParent(form.get());
  SiteInterfaces site(runtime.Site());
  for (const Answer& answer : Answers()) {
    EXPECT_EQ(answer.Call(site), answer.Expected) << answer.Member;
  }
  HWND window = nullptr;
  EXPECT_EQ(site.InPlace->GetWindow(&window), S_OK);
  EXPECT_EQ(window, form->Handle());
  EXPECT_EQ(site.Frame->GetWindow(&window), S_OK);
  EXPECT_EQ(window, form->Handle());
}

TEST_F(Site, WithoutAParentGetWindowFails) {
  TFakeRuntime runtime;
  auto control = MakeControl(runtime);
  SiteInterfaces site(runtime.Site());
  HWND window = reinterpret_cast<HWND>(1);
  EXPECT_EQ(site.InPlace->GetWindow(&window), E_FAIL);
  EXPECT_EQ(window, nullptr);
}

TEST_F(Site, GetWindowContextGivesTheFrameTheBoundsAndTheWholeClipArea) {
  TFakeRuntime runtime;
  auto control = MakeControl(runtime);
  control->SetParent(form.get());
  control->SetBounds(5, 6, 96, 48);
  SiteInterfaces site(runtime.Site());
  IOleInPlaceFrame* frame = nullptr;
  IOleInPlaceUIWindow* document = reinterpret_cast<IOleInPlaceUIWindow*>(1);
  RECT position{};
  RECT clip{};
  OLEINPLACEFRAMEINFO info{};
  info.cb = sizeof info;
  ASSERT_EQ(site.InPlace->GetWindowContext(&frame, &document, &position, &clip, &info), S_OK);
  ASSERT_NE(frame, nullptr);
  frame->Release();
  EXPECT_EQ(document, nullptr);
  EXPECT_EQ(position.left, 5);
  EXPECT_EQ(position.top, 6);
  EXPECT_EQ(position.right, 101);
  EXPECT_EQ(position.bottom, 54);
  EXPECT_EQ(clip.left, 0);
  EXPECT_EQ(clip.top, 0);
  EXPECT_EQ(clip.right, 32767);
  EXPECT_EQ(clip.bottom, 32767);
  EXPECT_FALSE(info.fMDIApp);
  EXPECT_EQ(info.hwndFrame, form->Handle());
  EXPECT_EQ(info.haccel, nullptr);
  EXPECT_EQ(info.cAccelEntries, 0u);
  EXPECT_EQ(info.cb, sizeof info);
}

TEST_F(Site, TransformCoordsConvertsBetweenHimetricAndPixelsBothWays) {
  TFakeRuntime runtime;
  auto control = MakeControl(runtime);
  SiteInterfaces site(runtime.Site());
  ASSERT_EQ(ScreenPixelsPerInch(), 96) << "the cases assume a 96 dpi screen";
  POINTL himetric{2540, 1270};
  POINTF container{};
  ASSERT_EQ(site.Control->TransformCoords(&himetric, &container, XFORMCOORDS_HIMETRICTOCONTAINER | XFORMCOORDS_SIZE), S_OK);
  EXPECT_FLOAT_EQ(container.x, 96.0f);
  EXPECT_FLOAT_EQ(container.y, 48.0f);
  container = POINTF{96.0f, 48.0f};
  himetric = POINTL{};
  ASSERT_EQ(site.Control->TransformCoords(&himetric, &container, XFORMCOORDS_CONTAINERTOHIMETRIC | XFORMCOORDS_POSITION), S_OK);
  EXPECT_EQ(himetric.x, 2540);
  EXPECT_EQ(himetric.y, 1270);
  EXPECT_EQ(site.Control->TransformCoords(nullptr, &container, 0), E_POINTER);
}

TEST_F(Site, RequestNewObjectLayoutSizesTheControlToTheRuntimesExtentKeepingItsPlace) {
  TFakeRuntime runtime;
  auto control = MakeControl(runtime);
  control->SetParent(form.get());
  control->SetBounds(5, 6, 300, 300);
  runtime.Extent = SIZEL{2540, 1270};
  EXPECT_EQ(runtime.Site()->RequestNewObjectLayout(), S_OK);
  EXPECT_EQ(control->Left(), 5);
  EXPECT_EQ(control->Top(), 6);
  EXPECT_EQ(control->Width(), 96);
  EXPECT_EQ(control->Height(), 48);
}

TEST_F(Site, InPlaceCallsThatNeedTheInPlaceObjectCheckItIsThere) {
  TFakeRuntime runtime({.NoInPlace = true});
  auto control = MakeControl(runtime);
  SiteInterfaces site(runtime.Site());
  ASSERT_EQ(control->InPlaceObject(), nullptr);
  const RECT position{1, 2, 3, 4};
  EXPECT_EQ(site.InPlace->DeactivateAndUndo(), S_OK);
  EXPECT_EQ(site.InPlace->OnPosRectChange(&position), S_OK);
}

TEST_F(Site, InPlaceCallsReachTheInPlaceObjectWithTheWholeClipArea) {
  TFakeRuntime runtime;
  auto control = MakeControl(runtime);
  control->SetParent(form.get());
  SiteInterfaces site(runtime.Site());
  runtime.Calls.clear();
  const RECT position{1, 2, 3, 4};
  EXPECT_EQ(site.InPlace->OnPosRectChange(&position), S_OK);
  EXPECT_EQ(site.InPlace->DeactivateAndUndo(), S_OK);
  EXPECT_EQ(runtime.Calls, (Calls{"SetObjectRects 1,2,3,4 0,0,32767,32767", "UIDeactivate"}));
}

TEST_F(Site, MenusFollowTheFormsMainMenuWhenThereIsOne) {
  TFakeRuntime runtime;
  auto control = MakeControl(runtime);
  control->SetParent(form.get());
  const HMENU main = ::CreateMenu();
  ::AppendMenuW(main, MF_STRING, 1, L"File");
  ::AppendMenuW(main, MF_STRING, 2, L"Help");
  form->SetMainMenu(main);
  SiteInterfaces site(runtime.Site());

  const HMENU shared = ::CreateMenu();
  OLEMENUGROUPWIDTHS widths{};
  EXPECT_EQ(site.Frame->InsertMenus(shared, &widths), S_OK);
  EXPECT_EQ(::GetMenuItemCount(shared), 2);
  EXPECT_EQ(widths.width[0], 2);
  // (The answer is OleSetMenuDescriptor's, which has no descriptor to install here.)
  site.Frame->SetMenu(shared, nullptr, runtime.Window());
  EXPECT_EQ(::GetMenu(form->Handle()), shared);
  site.Frame->SetMenu(nullptr, nullptr, nullptr);
  EXPECT_EQ(::GetMenu(form->Handle()), main);
  EXPECT_EQ(site.Frame->RemoveMenus(shared), S_OK);
  EXPECT_EQ(::GetMenuItemCount(shared), 0);
  form->SetMainMenu(nullptr);
  ::DestroyMenu(shared);
  ::DestroyMenu(main);
}

TEST_F(Site, ReferencesKeptAfterTheControlIsGoneReachAnInertSite) {
  TFakeRuntime runtime;
  runtime.KeepSite = true;
  auto control = MakeControl(runtime);
  control->SetParent(form.get());
  control.reset();
  ASSERT_TRUE(runtime.KeptSite);
  SiteInterfaces site(runtime.KeptSite.Get());
  // Its identity still answers; every member finds no control.
  ASSERT_TRUE(site.InPlace);
  ASSERT_TRUE(site.Frame);
  for (const Answer& answer : Answers()) {
    EXPECT_EQ(answer.Call(site), E_UNEXPECTED) << answer.Member;
  }
  EXPECT_EQ(site.Client->ShowObject(), E_UNEXPECTED);
  EXPECT_EQ(site.Client->RequestNewObjectLayout(), E_UNEXPECTED);
  EXPECT_EQ(site.InPlace->OnInPlaceActivate(), E_UNEXPECTED);
  HWND window = reinterpret_cast<HWND>(1);
  EXPECT_EQ(site.InPlace->GetWindow(&window), E_UNEXPECTED);
  EXPECT_EQ(window, nullptr);
  const auto sink = site.Client.As<IDispatch>();
  DISPPARAMS none{};
  EXPECT_EQ(sink->Invoke(-609, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), E_UNEXPECTED);
  runtime.KeptSite = nullptr;
}

}  // namespace
}  // namespace leafmark::test
