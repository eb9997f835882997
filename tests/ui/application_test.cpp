// The message loop: the hook sees queued messages first, Terminate ends the loop.
#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/ui/test_form.h"
#include "ui/application.h"

namespace leafmark::ui::test {
namespace {

class ApplicationLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().Initialize();
    form = &Application().CreateForm<TTestForm>();
  }
  void TearDown() override { Application().DestroyForms(); }

  // Records the hook's view of key and close messages next to the form's own events.
  void RecordInHook(const std::function<void(MSG&, bool&)>& also = nullptr) {
    Application().OnMessage = [this, also](MSG& message, bool& handled) {
      if (message.message == WM_KEYDOWN) form->Events.push_back("hook " + std::to_string(message.wParam));
      if (message.message == WM_CLOSE) form->Events.push_back("hook close");
      if (also) also(message, handled);
    };
  }

  TTestForm* form = nullptr;
};

TEST_F(ApplicationLoop, HookSeesEachQueuedMessageBeforeItsWindowAndCanKeepItAway) {
  RecordInHook([](MSG& message, bool& handled) { handled = message.message == WM_KEYDOWN && message.wParam == 'B'; });
  ::PostMessageW(form->Handle(), WM_KEYDOWN, 'A', 0);
  ::PostMessageW(form->Handle(), WM_KEYDOWN, 'B', 0);
  ::PostMessageW(form->Handle(), WM_CLOSE, 0, 0);  // closing the main form ends the loop
  Application().Run();
  // The character that translating "A" queued comes last; "B" was never translated.
  const std::vector<std::string> expected{"hook 65", "down 65", "hook 66", "hook close", "press a"};
  EXPECT_EQ(form->Events, expected);
  EXPECT_TRUE(Application().Terminated());
}

TEST_F(ApplicationLoop, FailingHookLeavesTheMessageToItsWindow) {
  RecordInHook([](MSG& message, bool&) {
    if (message.message == WM_KEYDOWN) throw std::runtime_error("hook failed");
  });
  ::PostMessageW(form->Handle(), WM_KEYDOWN, 'A', 0);
  ::PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
  Application().Run();
  const std::vector<std::string> expected{"hook 65", "down 65", "hook close", "press a"};
  EXPECT_EQ(form->Events, expected);
}

TEST_F(ApplicationLoop, TerminateBeforeRunEndsWithoutShowingTheMainForm) {
  Application().Terminate();
  Application().Run();
  EXPECT_TRUE(Application().Terminated());
  EXPECT_FALSE(::IsWindowVisible(form->Handle()));
}

TEST_F(ApplicationLoop, RunShowsTheMainFormInItsWindowState) {
  form->SetWindowState(TWindowState::Maximized);
  EXPECT_FALSE(::IsZoomed(form->Handle()));  // a hidden form takes its state when shown
  bool shownMaximized = false;
  RecordInHook([this, &shownMaximized](MSG& message, bool&) {
    if (message.message != WM_NULL) return;
    shownMaximized = ::IsWindowVisible(form->Handle()) && ::IsZoomed(form->Handle());
    form->Close();  // ends the loop either way, so a fault fails rather than hangs
  });
  ::PostMessageW(form->Handle(), WM_NULL, 0, 0);
  Application().Run();
  EXPECT_TRUE(shownMaximized);
  EXPECT_TRUE(Application().Terminated());
}

}  // namespace
}  // namespace leafmark::ui::test
