// Full screen: the caption and frame go, the window is maximized and covers the primary screen.
#include <windows.h>

#include "app/ufrm_main.h"

namespace leafmark {

void TfrmMain::EnterFullScreen() {
  if (fullScreen_) return;
  savedWidth_ = Width();
  savedHeight_ = Height();
  savedLeft_ = Left();
  savedTop_ = Top();
  savedWindowState_ = WindowState();
  if (WindowState() == ui::TWindowState::Maximized) SetWindowState(ui::TWindowState::Normal);
  fullScreen_ = true;

  SetStyle(Style() & ~static_cast<LONG_PTR>(WS_CAPTION));
  SetStyle(WS_MAXIMIZEBOX);
  SetBorderWidth(0);
  SetWindowState(ui::TWindowState::Maximized);
  SetWidth(::GetSystemMetrics(SM_CXSCREEN));
  SetHeight(::GetSystemMetrics(SM_CYSCREEN));
  SetLeft(0);
  SetTop(0);
}

void TfrmMain::LeaveFullScreen() {
  if (!fullScreen_) return;
  fullScreen_ = false;
  SetWindowState(ui::TWindowState::Normal);
  SetStyle(WS_OVERLAPPEDWINDOW);
  SetWindowState(ui::TWindowState::Maximized);
  SetWidth(savedWidth_);
  SetHeight(savedHeight_);
  SetLeft(savedLeft_);
  SetTop(savedTop_);
  SetWindowState(savedWindowState_);
}

}  // namespace leafmark
