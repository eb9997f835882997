// The main window as designed, its start-up and its key handlers.
#include "app/ufrm_main.h"

#include "app/command_line.h"
#include "app/log4dp.h"
#include "app/program_arguments.h"
#include "ui/application.h"

namespace leafmark {

namespace {

// Designed at 96 pixels per inch (text height 13); the form is not rescaled for other DPIs.
ui::TFormDesign MainFormDesign() {
  ui::TFormDesign design;
  design.ClassName = L"TfrmMain";
  design.Left = 399;
  design.Top = 262;
  design.Width = 1020;
  design.Height = 575;
  design.Caption = "Leafmark";
  design.Color = ui::clBtnFace;
  design.Font = ui::TFont{"MS Sans Serif", -11, DEFAULT_CHARSET, ui::clWindowText, false, false};
  return design;
}

}  // namespace

TfrmMain::TfrmMain() : ui::TForm(MainFormDesign()) {
  OnCreate = [this](ui::TForm& sender) { FormCreate(sender); };
  OnKeyDown = [this](ui::TForm& sender, std::uint16_t& key, ui::TShiftState shift) { FormKeyDown(sender, key, shift); };
  OnKeyPress = [this](ui::TForm& sender, char& key) { FormKeyPress(sender, key); };
  OnKeyUp = [this](ui::TForm& sender, std::uint16_t& key, ui::TShiftState shift) { FormKeyUp(sender, key, shift); };
}

void TfrmMain::FormCreate(ui::TForm&) {
  ParseCommandLine();
  ::GetCursorPos(&startCursorPos_);
  LoadExeConfig();
  ui::Application().SetTitle(Caption());
  TLog4DP::Log("Loading book.swf...");
  OpenBook();
}

void TfrmMain::ParseCommandLine() {
  LogEnabled = false;
  LogFileName.clear();
  const TLogSwitches switches = ParseLogSwitches(ProgramArguments());
  LogEnabled = switches.Enabled;
  LogFileName = ResolveLogFileName(switches.FileName);
}

void TfrmMain::FormKeyDown(ui::TForm&, std::uint16_t& key, ui::TShiftState) {
  TLog4DP::Log("FormKeyDown[" + std::to_string(key) + "]");
  ForwardKey(WM_KEYDOWN, key);
}

void TfrmMain::FormKeyPress(ui::TForm&, char& key) {
  constexpr char kEscape = 27;
  TLog4DP::Log("FormKeyPress[" + std::string(1, key) + "]");
  if (key == kEscape) LeaveFullScreen();
}

void TfrmMain::FormKeyUp(ui::TForm&, std::uint16_t& key, ui::TShiftState) {
  TLog4DP::Log("FormKeyUp[" + std::to_string(key) + "]");
  ForwardKey(WM_KEYUP, key);
}

}  // namespace leafmark
