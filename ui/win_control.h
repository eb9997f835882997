// TWinControl: a window with its C++ object behind it, bounds, parent, alignment, visibility.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace leafmark::ui {

enum class TAlign { None, Client };

// What a control asks for when its window is created.
struct TCreateParams {
  std::wstring ClassName;
  std::wstring Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  HWND WndParent = nullptr;
};

class TWinControl {
 public:
  TWinControl();
  virtual ~TWinControl();
  TWinControl(const TWinControl&) = delete;
  TWinControl& operator=(const TWinControl&) = delete;

  // The window, created on first use (a child's parent window is created first).
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }

  TWinControl* Parent() const { return parent_; }
  // A child's window lives inside its parent's; without a parent it has none.
  void SetParent(TWinControl* parent);

  // Window position: screen coordinates for a top-level window, the parent's client
  // coordinates for a child.
  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
  void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
  void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
  void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
  virtual void SetBounds(int left, int top, int width, int height);
  RECT ClientRect() const;

  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  // Delivers a message to the window synchronously; 0 when the control has no window.
  LRESULT Perform(UINT message, WPARAM wParam, LPARAM lParam);

  // The children, in the order they joined.
  const std::vector<TWinControl*>& Controls() const { return controls_; }
  // Whether control is this one or lies anywhere below it.
  bool ContainsControl(const TWinControl* control) const;
  // The control whose window is window or holds it (a foreign window inside a control
  // counts as the control's), when that control's top-level window is one of the
  // framework's; otherwise none.
  static TWinControl* FindControl(HWND window);

 protected:
  explicit TWinControl(bool visible);

  // The window when it exists, without creating it.
  HWND ExistingHandle() const { return handle_; }

  virtual void CreateParams(TCreateParams& params);
  // Makes the control's window; the default creates one of the control's own class. A
  // control hosting someone else's window adopts it here instead (AdoptHandle).
  virtual void CreateWnd();
  // Ends the control's window; the default destroys it. An adopted window is handed back
  // and forgotten (ForgetHandle) instead. Not called from ~TWinControl's own override.
  virtual void DestroyWnd() noexcept;
  void AdoptHandle(HWND window) noexcept { handle_ = window; }
  void ForgetHandle() noexcept { handle_ = nullptr; }
  // Before the control leaves its parent (for another or for none), while it still has it.
  virtual void ParentChanging() noexcept {}
  // After the framework has moved the control to a new parent (not called for none).
  virtual void ParentChanged() {}
  // The control's own message handling; the default passes everything to DefaultHandler.
  virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
  // What a message not handled otherwise ends in; the default is DefWindowProc.
  virtual LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);
  // Told on the top-level control (the form) when the window of a control below it got
  // the focus, after that control's own handling.
  virtual void ControlFocused(TWinControl* /*control*/) {}
  // Told on the top-level control before control (and what lies below it) leaves it.
  virtual void ControlRemoving(TWinControl* /*control*/) noexcept {}
  // Shows or hides the existing window.
  virtual void ShowHandle(bool visible);
  // Lays out the children aligned to fill the client area.
  void AlignControls();
  // The bounds as left, top, right, bottom, in the coordinates Left() and Top() use.
  virtual RECT WindowBounds() const;

 private:
  static LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  void CreateHandle();
  TWinControl* TopParent();
  TWinControl* FindInTree(HWND window);
  void DestroyHandle() noexcept;

  HWND handle_ = nullptr;
  TWinControl* parent_ = nullptr;
  std::vector<TWinControl*> controls_;
  TAlign align_ = TAlign::None;
  bool visible_ = true;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace leafmark::ui
