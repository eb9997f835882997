// Which framework action sends which component message to which control: focus, activation,
// font and colour, and keys on their way through the message loop.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/ui/test_form.h"
#include "ui/application.h"
#include "ui/component_messages.h"
#include "ui/win_control.h"

namespace leafmark::ui::test {
namespace {

using Records = std::vector<std::string>;

// A child control that records the framework's messages and answers the key offers as told.
class TRecordingControl : public TWinControl {
 public:
  Records Seen;
  LRESULT ReflectedKeyAnswer = 0;
  LRESULT DialogKeyAnswer = 0;

 protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    const std::string key = std::to_string(wParam);
    switch (message) {
      case kUIActivateMessage: Seen.push_back("UIActivate"); return 0;
      case kUIDeactivateMessage: Seen.push_back("UIDeactivate"); return 0;
      case kDocWindowActivateMessage: Seen.push_back("DocWindowActivate " + key); return 0;
      case kParentColorChangedMessage: Seen.push_back("ParentColorChanged"); return 0;
      case kParentFontChangedMessage: Seen.push_back("ParentFontChanged"); return 0;
      case kDialogKeyMessage: Seen.push_back("DialogKey " + key); return DialogKeyAnswer;
      case kReflectionBase + WM_KEYDOWN: Seen.push_back("reflected WM_KEYDOWN " + key); return ReflectedKeyAnswer;
      case kReflectionBase + WM_KEYUP: Seen.push_back("reflected WM_KEYUP " + key); return ReflectedKeyAnswer;
      case kReflectionBase + WM_SYSKEYDOWN: Seen.push_back("reflected WM_SYSKEYDOWN " + key); return ReflectedKeyAnswer;
      case WM_KEYDOWN: Seen.push_back("WM_KEYDOWN " + key); break;
      case WM_KEYUP: Seen.push_back("WM_KEYUP " + key); break;
      case WM_SYSKEYDOWN: Seen.push_back("WM_SYSKEYDOWN " + key); break;
      default: break;
    }
    return TWinControl::WndProc(message, wParam, lParam);
  }
};

class ComponentMessagesBase : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().Initialize();
    form = &Application().CreateForm<TTestForm>();
    form->Show();
    a = std::make_unique<TRecordingControl>();
    b = std::make_unique<TRecordingControl>();
    a->SetBounds(0, 0, 100, 100);
    b->SetBounds(100, 0, 100, 100);
    a->SetParent(form);
    b->SetParent(form);
    ::SetForegroundWindow(form->Handle());
    ::SetFocus(form->Handle());
    Clear();
  }
  void TearDown() override {
    a.reset();
    b.reset();
    Application().DestroyForms();
  }
  void Clear() {
    a->Seen.clear();
    b->Seen.clear();
    form->Events.clear();
  }
  // A key message as the loop takes it from the queue.
  void Key(HWND window, UINT message, WPARAM key) {
    MSG queued{};
    queued.hwnd = window;
    queued.message = message;
    queued.wParam = key;
    queued.lParam = 1;
    Application().ProcessMessage(queued);
  }

  TTestForm* form = nullptr;
  std::unique_ptr<TRecordingControl> a;
  std::unique_ptr<TRecordingControl> b;
};

struct TDelivery {
  const char* Name;
  std::function<void(ComponentMessagesBase&)> Before;  // records made here are dropped
  std::function<void(ComponentMessagesBase&)> Action;
  Records ToA;
  Records ToB;
};

class ComponentMessages : public ComponentMessagesBase, public ::testing::WithParamInterface<TDelivery> {
  // The fixture's members are protected; the table's actions reach them through this.
 public:
  TTestForm& Form() { return *form; }
  TRecordingControl& A() { return *a; }
  TRecordingControl& B() { return *b; }
  void SendKey(HWND window, UINT message, WPARAM key) { Key(window, message, key); }
};

ComponentMessages& Of(ComponentMessagesBase& base) { return static_cast<ComponentMessages&>(base); }

void Focus(TWinControl& control) { ::SetFocus(control.Handle()); }

const TDelivery kDeliveries[] = {
    {"FocusReachingAControlUIActivatesIt", nullptr, [](auto& t) { Focus(Of(t).A()); }, {"UIActivate"}, {}},
    {"FocusMovingOnUIDeactivatesTheActiveOleControl",
     [](auto& t) {
       Focus(Of(t).A());
       Of(t).Form().SetActiveOleControl(&Of(t).A());
     },
     [](auto& t) { Focus(Of(t).B()); }, {"UIDeactivate"}, {"UIActivate"}},
    {"FocusReachingTheActiveOleControlItselfDeactivatesNothing",
     [](auto& t) { Of(t).Form().SetActiveOleControl(&Of(t).B()); }, [](auto& t) { Focus(Of(t).B()); }, {},
     {"UIActivate"}},
    {"FocusBackOnTheFormUIActivatesTheControlThatLastHadIt", [](auto& t) { Focus(Of(t).B()); },
     [](auto& t) { Focus(Of(t).Form()); }, {}, {"UIActivate"}},
    {"FocusOnTheFormBeforeAnyControlHadItTellsNoOne", nullptr, [](auto& t) { Focus(Of(t).Form()); }, {}, {}},
    {"FormDeactivationAndActivationReachTheActiveOleControl",
     [](auto& t) { Of(t).Form().SetActiveOleControl(&Of(t).A()); },
     [](auto& t) {
       Of(t).Form().Perform(WM_ACTIVATE, WA_INACTIVE, 0);
       Of(t).Form().Perform(WM_ACTIVATE, WA_CLICKACTIVE, 0);
     },
     {"DocWindowActivate 0", "DocWindowActivate 1"}, {}},
    {"FormActivationWithoutAnActiveOleControlTellsNoOne", nullptr,
     [](auto& t) { Of(t).Form().Perform(WM_ACTIVATE, WA_ACTIVE, 0); }, {}, {}},
    {"AColourChangeReachesEveryChildOnce",
     nullptr,
     [](auto& t) {
       Of(t).Form().SetColor(RGB(1, 2, 3));
       Of(t).Form().SetColor(RGB(1, 2, 3));  // no change
     },
     {"ParentColorChanged"}, {"ParentColorChanged"}},
    {"AFontChangeReachesEveryChildOnce",
     nullptr,
     [](auto& t) {
       TFont font = Of(t).Form().Font();
       font.Height = -20;
       Of(t).Form().SetFont(font);
       Of(t).Form().SetFont(font);  // no change
     },
     {"ParentFontChanged"}, {"ParentFontChanged"}},
    {"AKeyDownIsReflectedThenOfferedAsDialogKeyThenDispatched", nullptr,
     [](auto& t) { Of(t).SendKey(Of(t).A().Handle(), WM_KEYDOWN, 'A'); },
     {"reflected WM_KEYDOWN 65", "DialogKey 65", "WM_KEYDOWN 65"}, {}},
    {"ASystemKeyDownIsOfferedAsDialogKeyToo", nullptr,
     [](auto& t) { Of(t).SendKey(Of(t).A().Handle(), WM_SYSKEYDOWN, VK_F10); },
     {"reflected WM_SYSKEYDOWN 121", "DialogKey 121", "WM_SYSKEYDOWN 121"}, {}},
    {"AKeyUpIsReflectedButNoDialogKey", nullptr, [](auto& t) { Of(t).SendKey(Of(t).A().Handle(), WM_KEYUP, 'A'); },
     {"reflected WM_KEYUP 65", "WM_KEYUP 65"}, {}},
    {"AReflectedKeyTakenGoesNoFurther", [](auto& t) { Of(t).A().ReflectedKeyAnswer = 1; },
     [](auto& t) { Of(t).SendKey(Of(t).A().Handle(), WM_KEYDOWN, 'A'); }, {"reflected WM_KEYDOWN 65"}, {}},
    {"ADialogKeyTakenIsNotDispatched", [](auto& t) { Of(t).A().DialogKeyAnswer = 1; },
     [](auto& t) { Of(t).SendKey(Of(t).A().Handle(), WM_KEYDOWN, VK_TAB); },
     {"reflected WM_KEYDOWN 9", "DialogKey 9"}, {}},
    {"TheFormsOwnKeysOfferNothingToItsChildren", nullptr,
     [](auto& t) { Of(t).SendKey(Of(t).Form().Handle(), WM_KEYDOWN, 'A'); }, {}, {}},
};

TEST_P(ComponentMessages, GoToTheControlsTheyConcern) {
  const TDelivery& delivery = GetParam();
  if (delivery.Before) delivery.Before(*this);
  Clear();
  delivery.Action(*this);
  EXPECT_EQ(a->Seen, delivery.ToA);
  EXPECT_EQ(b->Seen, delivery.ToB);
}

INSTANTIATE_TEST_SUITE_P(Framework, ComponentMessages, ::testing::ValuesIn(kDeliveries),
                         [](const ::testing::TestParamInfo<TDelivery>& param) { return std::string(param.param.Name); });

using FocusTracking = ComponentMessagesBase;

TEST_F(FocusTracking, TheActiveControlIsTheOneThatHasOrLastHadTheFocus) {
  EXPECT_EQ(form->ActiveControl(), nullptr);
  ::SetFocus(a->Handle());
  EXPECT_EQ(::GetFocus(), a->Handle());
  EXPECT_EQ(form->ActiveControl(), a.get());
  ::SetFocus(b->Handle());
  EXPECT_EQ(form->ActiveControl(), b.get());
  ::SetFocus(form->Handle());
  EXPECT_EQ(form->ActiveControl(), b.get());
}

TEST_F(FocusTracking, SwitchingToAnotherWindowAndBackTellsTheActiveOleControlAndRefocusesTheForm) {
  ::SetFocus(a->Handle());
  form->SetActiveOleControl(a.get());
  TTestForm other;
  Clear();

  other.Show();  // and activated
  ::SetForegroundWindow(other.Handle());
  ASSERT_EQ(::GetActiveWindow(), other.Handle());
  EXPECT_EQ(a->Seen, (Records{"DocWindowActivate 0"}));

  a->Seen.clear();
  ::SetForegroundWindow(form->Handle());
  ASSERT_EQ(::GetActiveWindow(), form->Handle());
  // Activation puts the focus on the form's window, which tells the control that last had it.
  EXPECT_EQ(a->Seen, (Records{"DocWindowActivate 1", "UIActivate"}));
  EXPECT_TRUE(b->Seen.empty());
}

TEST_F(FocusTracking, AKeyInAForeignWindowInsideAControlIsThatControlsKey) {
  // As a hosted runtime's own inner window would be.
  const HWND inner = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, a->Handle(),
                                       nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(inner);
  Key(inner, WM_KEYDOWN, 'Q');
  EXPECT_EQ(a->Seen, (Records{"reflected WM_KEYDOWN 81", "DialogKey 81"}));
  EXPECT_TRUE(form->Events.empty());
  ::DestroyWindow(inner);
}

TEST_F(FocusTracking, AKeyForAWindowOutsideTheFrameworkIsJustDispatched) {
  const HWND foreign = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                         ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(foreign);
  Key(foreign, WM_KEYDOWN, 'Q');
  EXPECT_TRUE(a->Seen.empty());
  ::DestroyWindow(foreign);
}

TEST_F(FocusTracking, AControlLeavingTheFormTakesItsMarksAlong) {
  ::SetFocus(a->Handle());
  form->SetActiveOleControl(a.get());
  a.reset();
  EXPECT_EQ(form->ActiveControl(), nullptr);
  EXPECT_EQ(form->ActiveOleControl(), nullptr);

  // A container leaving takes the focused control below it along too.
  TWinControl container;
  container.SetParent(form);
  TRecordingControl inside;
  inside.SetParent(&container);
  ::SetFocus(inside.Handle());
  EXPECT_EQ(form->ActiveControl(), &inside);
  form->SetActiveOleControl(&inside);
  container.SetParent(nullptr);
  EXPECT_EQ(form->ActiveControl(), nullptr);
  EXPECT_EQ(form->ActiveOleControl(), nullptr);
}

}  // namespace
}  // namespace leafmark::ui::test
