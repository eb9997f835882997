// The message loop: every queued message passes the hook, then TranslateMessage and dispatch.
#include "ui/application.h"

#include "ui/component_messages.h"

namespace leafmark::ui {

TApplication& Application() {
  static TApplication application;
  return application;
}

void TApplication::Initialize() {
  terminateRequested_ = false;
  terminated_ = false;
}

void TApplication::AddForm(std::unique_ptr<TForm> form) {
  TForm& added = *form;
  forms_.push_back(std::move(form));
  if (!mainForm_) mainForm_ = &added;
  added.HandleNeeded();
  added.DoCreate();
}

void TApplication::Run() {
  // A program that decided to end during start-up never shows its window.
  if (mainForm_ && !terminateRequested_) mainForm_->Show();
  MSG message{};
  for (;;) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    ProcessMessage(message);
  }
  terminated_ = true;
}

void TApplication::ProcessMessage(MSG& message) {
  bool handled = false;
  if (OnMessage) {
    try {
      OnMessage(message, handled);
    } catch (...) {
      handled = false;  // a failing hook must not take the message from its window
    }
  }
  if (!handled) handled = ControlTookKey(message);
  if (!handled) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

bool TApplication::ControlTookKey(const MSG& message) {
  if (message.message < kFirstReflectedKey || message.message > kLastReflectedKey) return false;
  TWinControl* control = TWinControl::FindControl(message.hwnd);
  if (!control || !control->Parent()) return false;
  if (control->Perform(kReflectionBase + message.message, message.wParam, message.lParam) != 0) return true;
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  return control->Perform(kDialogKeyMessage, message.wParam, message.lParam) != 0;
}

void TApplication::Terminate() {
  terminateRequested_ = true;
  ::PostQuitMessage(0);
}

void TApplication::DestroyForms() {
  OnMessage = nullptr;
  while (!forms_.empty()) {
    // The main form was created first and goes last.
    forms_.pop_back();
  }
  mainForm_ = nullptr;
}

}  // namespace leafmark::ui
