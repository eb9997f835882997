// A form to host controls in, and controls made over a fake runtime object.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "flash_control/flash_player_control.h"
#include "tests/flash_control/fake_runtime.h"
#include "ui/form.h"

namespace leafmark::test {

// OLE, the main-thread call queue, the content manager and urlmon, once per test program.
void EnsureHostEnvironment();

// Records where the popup menu would open instead of running a modal menu loop.
class TTestFlashControl : public TFlashPlayerControl {
 public:
  using TFlashPlayerControl::TFlashPlayerControl;
  std::vector<POINT> PopupPoints;

 protected:
  void ShowPopupMenu(POINT screen) override { PopupPoints.push_back(screen); }
};

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override;

  static ui::TFormDesign FormDesign();
  // A control over runtime (which must outlive it).
  static std::unique_ptr<TTestFlashControl> MakeControl(TFakeRuntime& runtime);
  // A control whose factory delivers no runtime object.
  static std::unique_ptr<TTestFlashControl> MakePlainControl();

  std::unique_ptr<ui::TForm> form;
};

}  // namespace leafmark::test
