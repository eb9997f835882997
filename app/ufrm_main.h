// TfrmMain: the player's one main window, its settings, window modes and keys.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/stream.h"
#include "flash_control/flash_player_control.h"
#include "ui/form.h"

namespace leafmark {

class TfrmMain : public ui::TForm {
 public:
  TfrmMain();
  ~TfrmMain() override;

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

  // The movie's commands: "fullscreen" "true" / "false" enter and leave full screen.
  void FlashPlayerControl1FSCommand(TFlashPlayerControl& sender, const std::wstring& command,
                                    const std::wstring& args);

  // The movie's requests, answered from the book's archive; the requested text is the entry
  // name. They run on whichever thread asks, touch no window state, and never throw.
  void FlashPlayerControl1LoadExternalResourceEx(TFlashPlayerControl& sender, const std::wstring& url,
                                                 std::unique_ptr<TStream>& stream, bool& handled);
  void FlashPlayerControl1LoadExternalResource(TFlashPlayerControl& sender, const std::wstring& url,
                                               TStream& stream);
  void FlashPlayerControl1LoadExternalResourceAsync(TFlashPlayerControl& sender, const std::wstring& path,
                                                    std::unique_ptr<TStream>& stream);
  // The process-wide content callback: URLs that are not below a movie of the control.
  void ProvideContent(const std::wstring& url, std::unique_ptr<TStream>& stream, bool& handled);

  // The control playing the book; null until FormCreate made it.
  TFlashPlayerControl* FlashPlayerControl1() const { return flashPlayerControl1_.get(); }

 private:
  void StartScreenSaver();
  // Creates the control, wires it to the form and hands it "book.swf".
  void OpenBook();
  // The URL handler's work: writes the entry for url (or its "./"-less name) to stream, whole
  // or not at all; true when it was written.
  bool AnswerByUrl(const std::wstring& url, TStream& stream);
  // Delivers a key message to the control and waits for it to be handled.
  void ForwardKey(UINT message, std::uint16_t key);

  std::unique_ptr<TFlashPlayerControl> flashPlayerControl1_;

  bool fullScreen_ = false;
  int savedWidth_ = 0;
  int savedHeight_ = 0;
  int savedLeft_ = 0;
  int savedTop_ = 0;
  ui::TWindowState savedWindowState_ = ui::TWindowState::Normal;
  POINT startCursorPos_{};
};

}  // namespace leafmark
