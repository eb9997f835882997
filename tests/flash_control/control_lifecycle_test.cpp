// The control's life with its runtime: the calls it makes, in order, from construction to
// destruction; sizing; and each way a runtime can fail the control.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flash_control/flash_site.h"
#include "flash_control/ole_errors.h"
#include "tests/flash_control/test_host.h"

namespace leafmark::test {
namespace {

using Calls = std::vector<std::string>;

class ControlLifecycle : public HostTest {};

TEST_F(ControlLifecycle, ConstructionActivationSizingAndDestructionCallTheRuntimeInOrder) {
  TFakeRuntime runtime;
  auto control = MakeControl(runtime);
  // Sited, sized to the runtime's extent (2540 x 1270 HIMETRIC is 96 x 48 pixels), events.
  EXPECT_EQ(runtime.Calls, (Calls{"SetClientSite site", "GetExtent", "SetExtent 2540,1270",
                                  "FindConnectionPoint events", "Advise events"}));
  EXPECT_EQ(control->Width(), 96);
  EXPECT_EQ(control->Height(), 48);
  EXPECT_TRUE(control->EventsConnected());
  EXPECT_FALSE(control->HandleAllocated());

  runtime.Calls.clear();
  control->SetParent(form.get());
  EXPECT_EQ(runtime.Calls,
            (Calls{"GetClientSite", "FindConnectionPoint propnotify", "Advise propnotify",
                   "OnAmbientPropertyChange -1", "GetExtent", "DoVerb -5 0,0,96,48",
                   "GetWindow",  // ShowObject adopts the window inside DoVerb
                   "GetClientSite", "OnAmbientPropertyChange -1"}));
  // The runtime's window is the control's, with the control's procedure in front of its own.
  ASSERT_NE(runtime.Window(), nullptr);
  EXPECT_EQ(control->Handle(), runtime.Window());
  EXPECT_NE(control->RuntimeWndProc(), nullptr);
  EXPECT_NE(::GetWindowLongPtrW(runtime.Window(), GWLP_WNDPROC),
            reinterpret_cast<LONG_PTR>(control->RuntimeWndProc()));
  EXPECT_NE(control->InPlaceObject(), nullptr);

  runtime.Calls.clear();
  runtime.Messages.clear();
  control->SetBounds(10, 20, 192, 96);
  // The extent first, then the window; its WM_SIZE becomes the activation verb.
  EXPECT_EQ(runtime.Calls, (Calls{"SetExtent 5080,2540", "DoVerb -5 10,20,202,116"}));
  EXPECT_TRUE(runtime.MessagesOf(WM_SIZE).empty());
  EXPECT_EQ(control->Width(), 192);

  runtime.Calls.clear();
  control.reset();
  EXPECT_EQ(runtime.Calls, (Calls{"Unadvise events", "Close", "FindConnectionPoint propnotify",
                                  "Unadvise propnotify", "SetClientSite none"}));
  EXPECT_FALSE(runtime.DestroyedWhileSubclassed);
  EXPECT_EQ(runtime.Count(), 0);
}

TEST_F(ControlLifecycle, WindowHandleDestructionHandsTheWindowBackAndTheNextCreationReactivates) {
  TFakeRuntime runtime;
  auto control = MakeControl(runtime);
  control->SetParent(form.get());
  const HWND first = control->Handle();

  runtime.Calls.clear();
  control->SetParent(nullptr);
  EXPECT_EQ(runtime.Calls, (Calls{"Close"}));
  EXPECT_FALSE(runtime.DestroyedWhileSubclassed);
  EXPECT_FALSE(::IsWindow(first));
  EXPECT_FALSE(control->HandleAllocated());

  runtime.Calls.clear();
  control->SetParent(form.get());
  // Still connected: only the activation again.
  EXPECT_EQ(runtime.Calls, (Calls{"DoVerb -5 0,0,96,48", "GetWindow", "GetClientSite",
                                  "OnAmbientPropertyChange -1"}));
  EXPECT_EQ(control->Handle(), runtime.Window());
  control.reset();
  EXPECT_EQ(runtime.Count(), 0);
}

TEST_F(ControlLifecycle, AFormDestroyedBeforeItsControlTakesTheRuntimesWindowAlongSafely) {
  TFakeRuntime runtime;
  auto control = MakeControl(runtime);
  control->SetParent(form.get());
  const HWND window = control->Handle();
  form.reset();
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_FALSE(control->HandleAllocated());
  control.reset();
  EXPECT_EQ(runtime.Count(), 0);
}

// As the main window uses it: aligned to fill the form, following the form's size.
TEST_F(ControlLifecycle, AClientAlignedControlFillsItsFormAndFollowsItsSize) {
  TFakeRuntime runtime;
  auto control = MakeControl(runtime);
  control->SetParent(form.get());
  control->SetAlign(ui::TAlign::Client);
  RECT client = form->ClientRect();
  EXPECT_EQ(control->Width(), client.right);
  EXPECT_EQ(control->Height(), client.bottom);
  runtime.Calls.clear();
  form->SetBounds(form->Left(), form->Top(), 640, 480);
  client = form->ClientRect();
  EXPECT_EQ(control->Width(), client.right);
  EXPECT_EQ(control->Height(), client.bottom);
  ASSERT_FALSE(runtime.Calls.empty());
  EXPECT_EQ(runtime.Calls.back(), "DoVerb -5 0,0," + std::to_string(client.right) + "," + std::to_string(client.bottom));
}

TEST_F(ControlLifecycle, AnInvisibleControlHasTheRuntimesWindowHiddenAtOnce) {
  TFakeRuntime runtime;
  auto control = MakeControl(runtime);
  control->SetVisible(false);
  control->SetParent(form.get());
  EXPECT_FALSE(::IsWindowVisible(control->Handle()));
}

TEST_F(ControlLifecycle, ARejectedExtentKeepsTheSizeWhileThePositionFollows) {
  TFakeRuntime runtime({.RejectExtent = true});
  auto control = MakeControl(runtime);
  control->SetParent(form.get());
  // Even its own extent, offered back at construction, is refused: the first size stays.
  EXPECT_EQ(control->Width(), 100);
  control->SetBounds(7, 8, 300, 200);
  EXPECT_EQ(control->Left(), 7);
  EXPECT_EQ(control->Top(), 8);
  EXPECT_EQ(control->Width(), 100);
  EXPECT_EQ(control->Height(), 100);
}

TEST_F(ControlLifecycle, WithoutARuntimeTheControlIsAPlainWindowOfItsOwn) {
  auto control = MakePlainControl();
  EXPECT_FALSE(control->HasRuntime());
  EXPECT_EQ(control->Width(), 100);
  control->SetParent(form.get());
  ASSERT_TRUE(control->HandleAllocated());
  wchar_t className[64] = {};
  ::GetClassNameW(control->Handle(), className, 64);
  EXPECT_STREQ(className, L"TWinControl");
  EXPECT_EQ(control->RuntimeWndProc(), nullptr);
}

// Each misbehaving runtime ends in the described failure or behaviour, and the control
// leaves no reference on it once destroyed.
struct Misbehaviour {
  const char* Name;
  TFakeFaults Faults;
  enum { Construction, WindowCreation, Nothing } FailsAt;
  const char* Message;  // what the failure says (a prefix), or nullptr
};

class Misbehaviours : public HostTest, public ::testing::WithParamInterface<Misbehaviour> {};

TEST_P(Misbehaviours, EndInTheirFailureWithNothingLeaked) {
  const Misbehaviour& c = GetParam();
  TFakeRuntime runtime(c.Faults);
  try {
    auto control = MakeControl(runtime);
    ASSERT_NE(c.FailsAt, Misbehaviour::Construction) << "construction should have failed";
    control->SetParent(form.get());
    ASSERT_EQ(c.FailsAt, Misbehaviour::Nothing) << "window creation should have failed";
  } catch (const EOleError& error) {
    ASSERT_NE(c.FailsAt, Misbehaviour::Nothing) << error.what();
    EXPECT_EQ(std::string(error.what()).rfind(c.Message, 0), 0u) << error.what();
    if (c.FailsAt == Misbehaviour::Construction) {
      EXPECT_NE(dynamic_cast<const EOleSysError*>(&error), nullptr);
    }
  }
  EXPECT_EQ(runtime.Count(), 0);
  EXPECT_FALSE(runtime.DestroyedWhileSubclassed);
}

INSTANTIATE_TEST_SUITE_P(
    Runtime, Misbehaviours,
    ::testing::Values(
        Misbehaviour{"RefusedSite", {.RefuseSite = true}, Misbehaviour::Construction, "IOleObject.SetClientSite failed"},
        Misbehaviour{"FailedExtent", {.FailGetExtent = true}, Misbehaviour::Construction, "IOleObject.GetExtent failed"},
        Misbehaviour{"NoOleControl", {.NoOleControl = true}, Misbehaviour::WindowCreation, "IOleControl failed"},
        Misbehaviour{"NoInPlaceObject", {.NoInPlace = true}, Misbehaviour::WindowCreation, "OLE control activation failed"},
        Misbehaviour{"ZeroWindow", {.ZeroWindow = true}, Misbehaviour::WindowCreation,
                     "Could not obtain OLE control window handle"},
        Misbehaviour{"NoConnectionPoints", {.NoConnections = true}, Misbehaviour::Nothing, nullptr},
        Misbehaviour{"RejectedExtent", {.RejectExtent = true}, Misbehaviour::Nothing, nullptr}),
    [](const auto& test) { return std::string(test.param.Name); });

TEST_F(ControlLifecycle, WithoutConnectionPointsTheControlWorksButHearsNoEvents) {
  TFakeRuntime runtime({.NoConnections = true});
  auto control = MakeControl(runtime);
  control->SetParent(form.get());
  EXPECT_FALSE(control->EventsConnected());
  EXPECT_EQ(control->Handle(), runtime.Window());
  EXPECT_FALSE(runtime.EventSink());
}

TEST_F(ControlLifecycle, DestroyingOneControlLeavesAnotherUIActiveControlAlone) {
  TFakeRuntime first;
  TFakeRuntime second;
  auto a = MakeControl(first);
  auto b = MakeControl(second);
  a->SetParent(form.get());
  b->SetParent(form.get());

  a->Perform(kUIActivateMessage, 0, 0);
  EXPECT_EQ(form->ActiveOleControl(), a.get());
  // b becoming UI-active deactivates a.
  first.Calls.clear();
  b->Perform(kUIActivateMessage, 0, 0);
  EXPECT_EQ(form->ActiveOleControl(), b.get());
  EXPECT_EQ(first.Calls, (Calls{"UIDeactivate"}));
  // A second activation message to the active control does nothing.
  second.Calls.clear();
  b->Perform(kUIActivateMessage, 0, 0);
  EXPECT_TRUE(second.Calls.empty());

  first.Calls.clear();
  a.reset();
  EXPECT_EQ(form->ActiveOleControl(), b.get());
  // Leaving the form, the UI-active control takes its mark along, so the form never names
  // a control it no longer holds.
  ui::TForm other(FormDesign());
  b->SetParent(&other);
  EXPECT_EQ(form->ActiveOleControl(), nullptr);
  b.reset();
  EXPECT_EQ(other.ActiveOleControl(), nullptr);
}

TEST_F(ControlLifecycle, FocusInTheFormMakesTheUIActiveControlFollowIt) {
  TFakeRuntime first;
  TFakeRuntime second;
  auto a = MakeControl(first);
  auto b = MakeControl(second);
  a->SetParent(form.get());
  b->SetParent(form.get());
  ::SetFocus(form->Handle());
  first.Calls.clear();
  second.Calls.clear();

  ::SetFocus(a->Handle());
  ASSERT_EQ(::GetFocus(), a->Handle());
  EXPECT_EQ(form->ActiveControl(), a.get());
  EXPECT_EQ(form->ActiveOleControl(), a.get());
  ASSERT_FALSE(first.Calls.empty());
  EXPECT_EQ(first.Calls.front().rfind("DoVerb -4 ", 0), 0u) << first.Calls.front();

  first.Calls.clear();
  ::SetFocus(b->Handle());
  EXPECT_EQ(form->ActiveControl(), b.get());
  EXPECT_EQ(form->ActiveOleControl(), b.get());
  EXPECT_EQ(first.Calls, (Calls{"UIDeactivate"}));

  // Back on the form, the focus leaves the UI-active control as it is.
  second.Calls.clear();
  ::SetFocus(form->Handle());
  EXPECT_EQ(form->ActiveOleControl(), b.get());
  EXPECT_TRUE(second.Calls.empty());
}

TEST_F(ControlLifecycle, TheControlsIdentityAnswersItsSlotsAndItsCountFreesNothing) {
  TFakeRuntime runtime;
  auto control = MakeControl(runtime);
  IUnknown* unknown = nullptr;
  IDispatch* dispatch = nullptr;
  IUnknown* events = nullptr;
  ASSERT_EQ(control->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  ASSERT_EQ(control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
  ASSERT_EQ(control->QueryInterface(kFlashEventsIid, reinterpret_cast<void**>(&events)), S_OK);
  EXPECT_EQ(unknown, static_cast<IUnknown*>(dispatch));
  EXPECT_EQ(unknown, events);
  for (const IID* iid : {&IID_IOleWindow, &__uuidof(content::IFlashPlayerControlBase), &IID_ISimpleFrameSite,
                         &IID_IPropertyNotifySink, &IID_IOleInPlaceFrame, &IID_IOleInPlaceSite,
                         &IID_IOleControlSite, &IID_IOleClientSite}) {
    IUnknown* slot = nullptr;
    EXPECT_EQ(control->QueryInterface(*iid, reinterpret_cast<void**>(&slot)), S_OK);
    if (slot) slot->Release();
  }
  IUnknown* none = reinterpret_cast<IUnknown*>(1);
  EXPECT_EQ(control->QueryInterface(IID_IStream, reinterpret_cast<void**>(&none)), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  unknown->Release();
  dispatch->Release();
  events->Release();
}

}  // namespace
}  // namespace leafmark::test
