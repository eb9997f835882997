// The host tests' environment and fixture.
#include "tests/flash_control/test_host.h"

#include <ole2.h>

#include "content/content_manager.h"
#include "content/urlmon_functions.h"
#include "ui/main_thread_calls.h"

namespace leafmark::test {

void EnsureHostEnvironment() {
  static const bool ready = [] {
    ::OleInitialize(nullptr);
    ui::InitMainThreadCalls();
    content::InitContentManager();
    content::InitUrlmon();
    return true;
  }();
  (void)ready;
}

void HostTest::SetUp() {
  EnsureHostEnvironment();
  form = std::make_unique<ui::TForm>(FormDesign());
  form->Show();
}

ui::TFormDesign HostTest::FormDesign() {
  ui::TFormDesign design;
  design.ClassName = L"LeafmarkFlashHostForm";
  design.Left = 30;
  design.Top = 40;
  design.Width = 500;
  design.Height = 400;
  design.Caption = "Host";
  return design;
}

std::unique_ptr<TTestFlashControl> HostTest::MakeControl(TFakeRuntime& runtime) {
  return std::make_unique<TTestFlashControl>(
      [&runtime](REFIID iid, void** object) { return runtime.Create(iid, object); });
}

std::unique_ptr<TTestFlashControl> HostTest::MakePlainControl() {
  return std::make_unique<TTestFlashControl>([](REFIID, void** object) {
    *object = nullptr;
    return E_FAIL;
  });
}

}  // namespace leafmark::test
