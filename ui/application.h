// TApplication: the forms of the program, its message loop and the application-wide hook.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/form.h"

namespace leafmark::ui {

class TApplication {
 public:
  TApplication() = default;
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  void Initialize();

  // Creates a form and its window, then raises its OnCreate. The first form created is the
  // main form: the one Run shows and whose closing ends the application.
  template <class TFormClass>
  TFormClass& CreateForm() {
    auto form = std::make_unique<TFormClass>();
    TFormClass& created = *form;
    AddForm(std::move(form));
    return created;
  }

  // Shows the main form (unless the end was already asked for) and runs the message loop
  // until the application ends.
  void Run();
  // Asks the message loop to end once it has taken the messages already queued.
  void Terminate();
  bool Terminated() const { return terminated_; }

  // Destroys every form, the main form last; done after Run, before the modules finish.
  void DestroyForms();

  TForm* MainForm() const { return mainForm_; }

  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title) { title_ = title; }

  // Sees every message the loop takes from the queue, before it is translated and
  // dispatched; setting handled keeps the message from its window.
  std::function<void(MSG& message, bool& handled)> OnMessage;

  // One turn of the loop for a message already taken from the queue. A key message for a
  // control below a form is first reflected to that control (kReflectionBase plus its
  // number), and a key-down then offered to it as a dialog key (kDialogKeyMessage); a
  // non-zero answer to either takes the key. The form's own keys go straight to it.
  void ProcessMessage(MSG& message);

 private:
  static bool ControlTookKey(const MSG& message);

  void AddForm(std::unique_ptr<TForm> form);

  std::vector<std::unique_ptr<TForm>> forms_;
  TForm* mainForm_ = nullptr;
  std::string title_;
  bool terminateRequested_ = false;
  bool terminated_ = false;
};

// The program's one application object.
TApplication& Application();

}  // namespace leafmark::ui
