// Messages on their way to the runtime's window: what the control filters, changes or lets
// through; mouse events; painting without a runtime; component messages.
#include <gtest/gtest.h>

#include <windowsx.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "tests/flash_control/test_host.h"

namespace leafmark::test {
namespace {

using Calls = std::vector<std::string>;

class Messages : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    control = MakeControl(runtime);
    control->SetParent(form.get());
    control->OnMouseDown = [this](TFlashPlayerControl&, TMouseButton button, ui::TShiftState shift, int x, int y) {
      seen.push_back("down " + Button(button) + (shift.Double ? " double " : " ") + std::to_string(x) + "," + std::to_string(y));
    };
    control->OnMouseUp = [this](TFlashPlayerControl&, TMouseButton button, ui::TShiftState, int x, int y) {
      seen.push_back("up " + Button(button) + " " + std::to_string(x) + "," + std::to_string(y));
    };
    control->OnClick = [this](TFlashPlayerControl&) { seen.push_back("click"); };
    control->OnDblClick = [this](TFlashPlayerControl&) { seen.push_back("dblclick"); };
    runtime.Messages.clear();
    runtime.Calls.clear();
  }
  static std::string Button(TMouseButton button) {
    return button == TMouseButton::Left ? "left" : button == TMouseButton::Right ? "right" : "middle";
  }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageW(control->Handle(), message, wParam, lParam);
  }
  bool RuntimeGot(UINT message) const { return !runtime.MessagesOf(message).empty(); }
  POINT ScreenPoint(int x, int y) const {
    POINT point{x, y};
    ::ClientToScreen(control->Handle(), &point);
    return point;
  }

  TFakeRuntime runtime;
  std::unique_ptr<TTestFlashControl> control;
  std::vector<std::string> seen;
};

TEST_F(Messages, KeysAndOrdinaryMessagesReachTheRuntime) {
  Send(WM_KEYDOWN, 'A', 0);
  Send(WM_KEYUP, 'A', 0);
  Send(WM_CHAR, 'a', 0);
  EXPECT_TRUE(RuntimeGot(WM_KEYDOWN));
  EXPECT_TRUE(RuntimeGot(WM_KEYUP));
  EXPECT_TRUE(RuntimeGot(WM_CHAR));
}

TEST_F(Messages, WmSizeNeverReachesTheRuntimeAndReactivatesItWithTheBounds) {
  Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(96, 48));
  EXPECT_FALSE(RuntimeGot(WM_SIZE));
  EXPECT_EQ(runtime.Calls, (Calls{"DoVerb -5 0,0,96,48"}));
}

TEST_F(Messages, WithoutStandartMenuTheRuntimeSeesNoRightButtonNorMenuKey) {
  Send(WM_KEYDOWN, VK_APPS, 0);
  EXPECT_FALSE(RuntimeGot(WM_KEYDOWN));
  EXPECT_FALSE(RuntimeGot(WM_CONTEXTMENU));

  // Negative client coordinates (left of or above the control) stay negative.
  Send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(-5, 7));
  Send(WM_RBUTTONUP, 0, MAKELPARAM(-5, 7));
  EXPECT_FALSE(RuntimeGot(WM_RBUTTONDOWN));
  EXPECT_FALSE(RuntimeGot(WM_RBUTTONUP));
  const auto menus = runtime.MessagesOf(WM_CONTEXTMENU);
  ASSERT_EQ(menus.size(), 1u);
  const POINT expected = ScreenPoint(-5, 7);
  EXPECT_EQ(GET_X_LPARAM(menus[0].LParam), expected.x);
  EXPECT_EQ(GET_Y_LPARAM(menus[0].LParam), expected.y);
  EXPECT_EQ(seen, (std::vector<std::string>{"down right -5,7"}));
}

TEST_F(Messages, WithStandartMenuTheRuntimeSeesThePressAndTheMenuButNotTheRelease) {
  control->StandartMenu = true;
  Send(WM_KEYDOWN, VK_APPS, 0);
  EXPECT_TRUE(RuntimeGot(WM_KEYDOWN));
  Send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 12));
  Send(WM_RBUTTONUP, 0, MAKELPARAM(10, 12));
  EXPECT_TRUE(RuntimeGot(WM_RBUTTONDOWN));
  EXPECT_FALSE(RuntimeGot(WM_RBUTTONUP));
  const auto menus = runtime.MessagesOf(WM_CONTEXTMENU);
  ASSERT_EQ(menus.size(), 1u);
  const POINT expected = ScreenPoint(10, 12);
  EXPECT_EQ(GET_X_LPARAM(menus[0].LParam), expected.x);
  EXPECT_EQ(GET_Y_LPARAM(menus[0].LParam), expected.y);
}

TEST_F(Messages, APopupMenuOpensAtTheClientOriginForTheKeyAndAtTheClick) {
  const HMENU popup = ::CreatePopupMenu();
  control->PopupMenu = popup;
  Send(WM_KEYDOWN, VK_APPS, 0);
  Send(WM_RBUTTONUP, 0, MAKELPARAM(20, 30));
  ASSERT_EQ(control->PopupPoints.size(), 2u);
  const POINT origin = ScreenPoint(0, 0);
  const POINT click = ScreenPoint(20, 30);
  EXPECT_EQ(control->PopupPoints[0].x, origin.x);
  EXPECT_EQ(control->PopupPoints[0].y, origin.y);
  EXPECT_EQ(control->PopupPoints[1].x, click.x);
  EXPECT_EQ(control->PopupPoints[1].y, click.y);
  EXPECT_FALSE(RuntimeGot(WM_CONTEXTMENU));
  EXPECT_FALSE(RuntimeGot(WM_KEYDOWN));
  control->PopupMenu = nullptr;
  ::DestroyMenu(popup);
}

TEST_F(Messages, ReflectedKeysGoThroughTheRuntimesAcceleratorsFirst) {
  runtime.AcceleratorKey = VK_TAB;
  EXPECT_EQ(Send(kReflectionBase + WM_KEYDOWN, VK_TAB, 0x000F0001), 1);
  EXPECT_EQ(runtime.LastAccelerator.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(runtime.LastAccelerator.hwnd, control->Handle());
  EXPECT_EQ(runtime.LastAccelerator.pt.x, 0x115DE1F1);
  EXPECT_EQ(runtime.LastAccelerator.pt.y, 0x115DE1F1);
  EXPECT_TRUE(runtime.Messages.empty());

  // Declined: the key arrives as the OLE reflection message.
  Send(kReflectionBase + WM_KEYDOWN, 'Q', 0);
  EXPECT_TRUE(RuntimeGot(kOleReflectionBase + WM_KEYDOWN));
  // Any other reflected notification is lowered the same way.
  Send(kReflectionBase + WM_COMMAND, 1, 0);
  EXPECT_TRUE(RuntimeGot(kOleReflectionBase + WM_COMMAND));
}

TEST_F(Messages, ALeftDoubleClickCapturesTheMouseUntilTheNextRelease) {
  Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
  EXPECT_NE(::GetCapture(), control->Handle());
  Send(WM_LBUTTONUP, 0, MAKELPARAM(3, 4));
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 4));
  EXPECT_EQ(::GetCapture(), control->Handle());
  Send(WM_LBUTTONUP, 0, MAKELPARAM(500, 4));  // released outside: no click
  EXPECT_NE(::GetCapture(), control->Handle());
  EXPECT_EQ(seen, (std::vector<std::string>{"down left 3,4", "click", "up left 3,4", "dblclick",
                                            "down left double 3,4", "up left 500,4"}));
  EXPECT_TRUE(RuntimeGot(WM_LBUTTONDBLCLK));
  EXPECT_EQ(runtime.MessagesOf(WM_LBUTTONUP).size(), 2u);
}

TEST_F(Messages, TheMiddleButtonRaisesItsDownBeforeTheRuntimeSeesIt) {
  size_t messagesWhenRaised = 99;
  control->OnMouseDown = [&](TFlashPlayerControl&, TMouseButton, ui::TShiftState, int, int) {
    messagesWhenRaised = runtime.MessagesOf(WM_MBUTTONDOWN).size();
  };
  Send(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(1, 1));
  EXPECT_EQ(messagesWhenRaised, 0u);
  EXPECT_TRUE(RuntimeGot(WM_MBUTTONDOWN));
}

TEST_F(Messages, ParentFontAndColourChangesAreAnnouncedAsAmbientChanges) {
  Send(kParentFontChangedMessage);
  Send(kParentColorChangedMessage);
  EXPECT_EQ(runtime.Calls, (Calls{"OnAmbientPropertyChange -703", "OnAmbientPropertyChange -704",
                                  "OnAmbientPropertyChange -701"}));
}

TEST_F(Messages, ADialogKeyThatIsTheRuntimesMnemonicGoesToIt) {
  ACCEL accelerator{FVIRTKEY, VK_F2, 1};
  const HACCEL table = ::CreateAcceleratorTableW(&accelerator, 1);
  runtime.Accelerators = table;
  runtime.AcceleratorCount = 1;
  EXPECT_EQ(Send(kDialogKeyMessage, VK_F2, 0), 1);
  EXPECT_EQ(Send(kDialogKeyMessage, VK_F3, 0), 0);
  EXPECT_EQ(runtime.Calls, (Calls{"GetControlInfo", "OnMnemonic 113", "GetControlInfo"}));
  ::DestroyAcceleratorTable(table);
}

TEST_F(Messages, UIDeactivationReachesTheInPlaceObjectOnlyWhenThisControlIsActive) {
  Send(kUIActivateMessage);
  ASSERT_EQ(form->ActiveOleControl(), control.get());
  runtime.Calls.clear();
  Send(kUIDeactivateMessage);
  EXPECT_EQ(runtime.Calls, (Calls{"UIDeactivate"}));
  EXPECT_EQ(form->ActiveOleControl(), nullptr);
  runtime.Calls.clear();
  Send(kUIDeactivateMessage);  // another control's (none's) business now
  EXPECT_TRUE(runtime.Calls.empty());
}

TEST_F(Messages, DestructionRestoresTheRuntimesProcedureBeforeClosing) {
  control.reset();
  EXPECT_FALSE(runtime.DestroyedWhileSubclassed);
  EXPECT_TRUE(RuntimeGot(WM_DESTROY));
}

// A runtime whose window is an ANSI window keeps its character set behind the control.
TEST_F(Messages, AnAnsiRuntimeWindowKeepsItsCharacterSetAndGetsItsProcedureBack) {
  TFakeRuntime ansi({.AnsiWindow = true});
  auto other = MakeControl(ansi);
  other->SetParent(form.get());
  const HWND window = other->Handle();
  ASSERT_EQ(window, ansi.Window());
  EXPECT_FALSE(::IsWindowUnicode(window));
  ::SendMessageA(window, WM_CHAR, 0x80, 0);  // an 8-bit character arrives as sent, not widened
  const auto characters = ansi.MessagesOf(WM_CHAR);
  ASSERT_EQ(characters.size(), 1u);
  EXPECT_EQ(characters[0].WParam, 0x80u);
  other.reset();
  EXPECT_FALSE(ansi.DestroyedWhileSubclassed);
  EXPECT_EQ(ansi.Count(), 0);
}

class PlainControl : public HostTest {};

TEST_F(PlainControl, PaintsItsClientAreaInTheWindowColourAndStillRaisesMouseEvents) {
  auto control = MakePlainControl();
  control->SetParent(form.get());
  std::vector<std::string> seen;
  control->OnClick = [&](TFlashPlayerControl&) { seen.push_back("click"); };
  control->OnMouseDown = [&](TFlashPlayerControl&, TMouseButton, ui::TShiftState, int x, int y) {
    seen.push_back("down " + std::to_string(x) + "," + std::to_string(y));
  };

  const HDC screen = ::GetDC(nullptr);
  const HDC memory = ::CreateCompatibleDC(screen);
  const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 100, 100);
  ::ReleaseDC(nullptr, screen);
  const HGDIOBJ old = ::SelectObject(memory, bitmap);
  RECT all{0, 0, 100, 100};
  ::FillRect(memory, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  ::SendMessageW(control->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(memory), 0);
  EXPECT_EQ(::GetPixel(memory, 50, 50), ::GetSysColor(COLOR_WINDOW));
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);

  ::SendMessageW(control->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 3));
  ::SendMessageW(control->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 3));
  EXPECT_EQ(seen, (std::vector<std::string>{"down 2,3", "click"}));
  // Dropped: neither handled nor passed on.
  EXPECT_EQ(::SendMessageW(control->Handle(), kDialogKeyMessage, VK_F2, 0), 0);
}

}  // namespace
}  // namespace leafmark::test
