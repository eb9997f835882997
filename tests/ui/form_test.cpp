// Forms and windowed controls: restore bounds, inner border, alignment, keys, lifetimes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/ui/test_form.h"
#include "ui/application.h"
#include "ui/win_control.h"

namespace leafmark::ui::test {
namespace {

RECT WindowRect(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  return rect;
}

RECT ClientRectOf(HWND window) {
  RECT rect{};
  ::GetClientRect(window, &rect);
  return rect;
}

class Forms : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().Initialize();
    form = &Application().CreateForm<TTestForm>();
    form->Show();
  }
  void TearDown() override { Application().DestroyForms(); }

  TTestForm* form = nullptr;
};

TEST(HiddenForm, BoundsSetWhileWaitingToBeMaximizedApplyWhenShownAndNormalBoundsStay) {
  Application().Initialize();
  TTestForm& form = Application().CreateForm<TTestForm>();
  form.SetWindowState(TWindowState::Maximized);
  form.SetBounds(0, 0, 300, 200);
  EXPECT_EQ(form.Width(), 300);
  EXPECT_EQ(WindowRect(form.Handle()).left, 50);  // the window itself waits

  form.Show();
  EXPECT_TRUE(::IsZoomed(form.Handle()));
  const RECT shown = WindowRect(form.Handle());
  EXPECT_EQ(shown.left, 0);
  EXPECT_EQ(shown.right - shown.left, 300);
  EXPECT_EQ(shown.bottom - shown.top, 200);

  form.SetWindowState(TWindowState::Normal);
  const RECT normal = WindowRect(form.Handle());
  EXPECT_EQ(normal.left, 50);
  EXPECT_EQ(normal.top, 40);
  EXPECT_EQ(normal.right - normal.left, 600);
  EXPECT_EQ(normal.bottom - normal.top, 400);
  Application().DestroyForms();
}

TEST_F(Forms, MinimizedFormReportsAndTakesTheBoundsItReturnsTo) {
  form->SetWindowState(TWindowState::Minimized);
  EXPECT_EQ(form->Left(), 50);
  EXPECT_EQ(form->Width(), 600);
  form->SetBounds(120, 90, 500, 300);
  EXPECT_TRUE(::IsIconic(form->Handle()));
  form->SetWindowState(TWindowState::Normal);
  const RECT rect = WindowRect(form->Handle());
  EXPECT_EQ(rect.left, 120);
  EXPECT_EQ(rect.top, 90);
  EXPECT_EQ(rect.right - rect.left, 500);
  EXPECT_EQ(rect.bottom - rect.top, 300);
}

TEST_F(Forms, HidingKeepsTheStateTheUserLeftTheFormIn) {
  ::ShowWindow(form->Handle(), SW_MAXIMIZE);  // as the maximize button does
  form->Hide();
  EXPECT_EQ(form->WindowState(), TWindowState::Maximized);
  form->Show();
  EXPECT_TRUE(::IsZoomed(form->Handle()));
}

TEST_F(Forms, InnerBorderNarrowsTheClientAreaAndAlignedChildrenFollow) {
  TWinControl child;
  child.SetParent(form);
  child.SetAlign(TAlign::Client);
  const RECT before = ClientRectOf(form->Handle());

  form->SetBorderWidth(12);
  const RECT inner = ClientRectOf(form->Handle());
  EXPECT_EQ(inner.right, before.right - 24);
  EXPECT_EQ(inner.bottom, before.bottom - 24);
  EXPECT_EQ(child.Left(), 0);
  EXPECT_EQ(child.Top(), 0);
  EXPECT_EQ(child.Width(), inner.right);
  EXPECT_EQ(child.Height(), inner.bottom);

  form->SetBounds(form->Left(), form->Top(), form->Width() + 100, form->Height() + 50);
  EXPECT_EQ(child.Width(), inner.right + 100);
  EXPECT_EQ(child.Height(), inner.bottom + 50);
}

TEST_F(Forms, HiddenChildIsNotAlignedAndVisibilityReachesItsWindow) {
  TWinControl child;
  child.SetVisible(false);
  child.SetParent(form);
  child.SetAlign(TAlign::Client);
  EXPECT_FALSE(::IsWindowVisible(child.Handle()));
  EXPECT_EQ(child.Width(), 0);
  child.SetVisible(true);
  EXPECT_TRUE(::IsWindowVisible(child.Handle()));
  EXPECT_EQ(child.Width(), ClientRectOf(form->Handle()).right);
}

TEST_F(Forms, KeyHandlersSeeOnlyKeysSentToTheFormItself) {
  TWinControl child;
  child.SetParent(form);
  ::SendMessageW(child.Handle(), WM_KEYDOWN, 'C', 0);
  ::SendMessageW(form->Handle(), WM_KEYDOWN, 'F', 0);
  ::SendMessageW(form->Handle(), WM_CHAR, L'f', 0);
  const std::vector<std::string> expected{"down 70", "press f"};
  EXPECT_EQ(form->Events, expected);
}

// The euro sign is U+20AC but 0x80 in code page 1252, so a plain cast of either value to the
// other gives a different answer; the expected values are literals for that code page.
constexpr UINT kWesternCodePage = 1252;

TEST_F(Forms, CharacterArrivesInTheSystemCodePage) {
  if (::GetACP() != kWesternCodePage) GTEST_SKIP() << "the expected bytes are code page 1252's";
  ::SendMessageW(form->Handle(), WM_CHAR, 0x20AC, 0);
  const std::vector<std::string> expected{"press \x80"};
  EXPECT_EQ(form->Events, expected);
}

TEST_F(Forms, ChildOutlivingItsParentLosesItsWindowSafely) {
  auto parent = std::make_unique<TWinControl>();
  parent->SetParent(form);
  TWinControl child;
  child.SetParent(parent.get());
  ASSERT_TRUE(child.HandleAllocated());
  parent.reset();
  EXPECT_FALSE(child.HandleAllocated());
  EXPECT_EQ(child.Parent(), nullptr);
}

TEST_F(Forms, WindowClassCarriesTheProgramsIcon) {
  const HICON programIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  ASSERT_NE(programIcon, nullptr) << "this test program carries icon 1";
  EXPECT_EQ(reinterpret_cast<HICON>(::GetClassLongPtrW(form->Handle(), GCLP_HICON)), programIcon);
}

TEST_F(Forms, CaptionIsSystemCodePageText) {
  if (::GetACP() != kWesternCodePage) GTEST_SKIP() << "the caption's bytes are code page 1252's";
  form->SetCaption("Caf\x80");
  wchar_t caption[16] = {};
  ::GetWindowTextW(form->Handle(), caption, 16);
  EXPECT_STREQ(caption, L"Caf\u20AC");
}

}  // namespace
}  // namespace leafmark::ui::test
