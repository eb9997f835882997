// Settings from the archive, applied only once the whole file was read.
#include "app/exe_config.h"
#include "app/log4dp.h"
#include "app/command_line.h"
#include "app/program_arguments.h"
#include "app/ufrm_main.h"
#include "archive/exe_ext.h"
#include "ui/application.h"

namespace leafmark {

namespace {
enum TWindowOpenMode : std::int32_t { kSizedWindow = 1, kMaximized = 2, kFullScreen = 3 };
}  // namespace

void TfrmMain::LoadExeConfig() {
  try {
    TLog4DP::Log("ConfigFileName:" + TExeConfigInfo::ConfigFileName());
    const std::unique_ptr<TMemoryStream> stream = ReadEntryToMemory(TExeConfigInfo::ConfigFileName());
    if (!stream) return;
    TExeConfigInfo config;
    config.LoadFromStream(*stream);

    SetCaption(config.ExeCaption);
    switch (config.WindowOpenMode) {
      case kSizedWindow:
        SetWidth(config.WindowOpenWidth);
        SetHeight(config.WindowOpenHeight);
        break;
      case kMaximized:
        SetWindowState(ui::TWindowState::Maximized);
        break;
      case kFullScreen:
        EnterFullScreen();
        break;
      default:
        break;
    }
    if (config.IsScreenSaver) StartScreenSaver();
  } catch (...) {
    // An unusable settings file leaves the window as designed.
  }
}

void TfrmMain::StartScreenSaver() {
  EnterFullScreen();
  ui::Application().OnMessage = [this](MSG& message, bool& handled) { ScreenSaverMessage(message, handled); };
  // The system starts a screen saver with "/p <window>" to draw its preview; this one has
  // none and ends at once.
  const std::vector<std::string> arguments = ProgramArguments();
  if (!arguments.empty() && IsPreviewArgument(arguments.front())) ui::Application().Terminate();
}

}  // namespace leafmark
