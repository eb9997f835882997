// TfrmMain: the player's one main window, its settings, window modes and keys.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/form.h"

namespace leafmark {

class TfrmMain : public ui::TForm {
 public:
  TfrmMain();

  void FormCreate(ui::TForm& sender);
  // Sets LogEnabled and LogFileName from the program's arguments.
  void ParseCommandLine();
  // Applies caption and window mode from the archive's "ExeConfig.xml"; an unusable file
  // leaves the window as designed.
  void LoadExeConfig();

  // Borderless, maximized, covering the primary screen; entering twice enters once.
  void EnterFullScreen();
  // Back to the framed window with the bounds and state from before entering.
  void LeaveFullScreen();
  bool FullScreen() const { return fullScreen_; }

  // The screen saver's application-wide hook: input closes the form. Never sets handled.
  void ScreenSaverMessage(MSG& message, bool& handled);

  void FormKeyDown(ui::TForm& sender, std::uint16_t& key, ui::TShiftState shift);
  void FormKeyPress(ui::TForm& sender, char& key);
  void FormKeyUp(ui::TForm& sender, std::uint16_t& key, ui::TShiftState shift);

 private:
  void StartScreenSaver();

  bool fullScreen_ = false;
  int savedWidth_ = 0;
  int savedHeight_ = 0;
  int savedLeft_ = 0;
  int savedTop_ = 0;
  ui::TWindowState savedWindowState_ = ui::TWindowState::Normal;
  POINT startCursorPos_{};
};

}  // namespace leafmark
