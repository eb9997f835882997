// Full screen in and out on the main window itself, for the paths a started player cannot
// be driven through from outside yet (entering twice, entering from maximized).
#include <gtest/gtest.h>

#include "app/ufrm_main.h"
#include "ui/application.h"

namespace leafmark {
namespace {

class MainWindowFullScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::Application().Initialize();
    // The test program carries no archive, so the form opens as designed.
    form = &ui::Application().CreateForm<TfrmMain>();
    form->Show();
  }
  void TearDown() override { ui::Application().DestroyForms(); }

  RECT Rect() const {
    RECT rect{};
    ::GetWindowRect(form->Handle(), &rect);
    return rect;
  }
  bool Framed() const {
    return (form->Style() & WS_OVERLAPPEDWINDOW) == WS_OVERLAPPEDWINDOW;
  }

  TfrmMain* form = nullptr;
};

TEST_F(MainWindowFullScreen, EnteringTwiceEntersOnceAndLeavingRestoresTheFirstBounds) {
  form->SetBounds(100, 60, 700, 420);
  form->EnterFullScreen();
  form->EnterFullScreen();
  const RECT full = Rect();
  EXPECT_EQ(full.right - full.left, ::GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(full.bottom - full.top, ::GetSystemMetrics(SM_CYSCREEN));
  EXPECT_FALSE(Framed());

  form->LeaveFullScreen();
  const RECT back = Rect();
  EXPECT_EQ(back.left, 100);
  EXPECT_EQ(back.top, 60);
  EXPECT_EQ(back.right - back.left, 700);
  EXPECT_EQ(back.bottom - back.top, 420);
  EXPECT_EQ(form->WindowState(), ui::TWindowState::Normal);
  EXPECT_TRUE(Framed());
  EXPECT_TRUE(::IsWindowVisible(form->Handle()));
  EXPECT_FALSE(form->FullScreen());
}

TEST_F(MainWindowFullScreen, MaximizedWindowReturnsMaximizedAndThenRestoresToItsBounds) {
  form->SetWindowState(ui::TWindowState::Maximized);
  form->EnterFullScreen();
  EXPECT_FALSE(Framed());
  form->LeaveFullScreen();
  EXPECT_EQ(form->WindowState(), ui::TWindowState::Maximized);
  EXPECT_TRUE(Framed());
  form->SetWindowState(ui::TWindowState::Normal);
  EXPECT_EQ(Rect().left, 399);
  EXPECT_EQ(Rect().top, 262);
}


// The bounds saved from a minimized window are those it returns to, not its icon's.
TEST_F(MainWindowFullScreen, MinimizedWindowReturnsMinimizedWithTheBoundsItHadBefore) {
  form->SetWindowState(ui::TWindowState::Minimized);
  form->EnterFullScreen();
  const RECT full = Rect();
  EXPECT_EQ(full.left, 0);
  EXPECT_EQ(full.right - full.left, ::GetSystemMetrics(SM_CXSCREEN));
  EXPECT_FALSE(Framed());
  form->LeaveFullScreen();
  EXPECT_EQ(form->WindowState(), ui::TWindowState::Minimized);
  EXPECT_TRUE(Framed());
  EXPECT_EQ(form->Left(), 399);
  EXPECT_EQ(form->Top(), 262);
  EXPECT_EQ(form->Width(), 1020);
  EXPECT_EQ(form->Height(), 575);
}

}  // namespace
}  // namespace leafmark
