// TForm: a top-level window with caption, window state, inner border, style and key events.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "ui/color.h"
#include "ui/shift_state.h"
#include "ui/win_control.h"

namespace leafmark::ui {

enum class TWindowState { Normal, Minimized, Maximized };

struct TFont {
  std::string Name;
  int Height = 0;  // negative: character height in pixels
  std::uint8_t CharSet = DEFAULT_CHARSET;
  TColor Color = clWindowText;
  bool Bold = false;
  bool Italic = false;

  bool operator==(const TFont&) const = default;
};

// A form as it was designed: what it shows before any code changes it.
struct TFormDesign {
  std::wstring ClassName;
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  std::string Caption;
  TColor Color = clBtnFace;
  TFont Font;
};

class TForm : public TWinControl {
 public:
  // Created hidden; the application shows its main form when it runs.
  explicit TForm(TFormDesign design);
  ~TForm() override;

  // 8-bit text in the system code page.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);

  TWindowState WindowState() const;
  void SetWindowState(TWindowState state);

  // Width of the band between the window frame and the client area.
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int width);

  // The window's style bits as the window manager holds them, read and written unchanged.
  LONG_PTR Style();
  void SetStyle(LONG_PTR style);

  // A change is announced to each child (kParentColorChangedMessage, kParentFontChangedMessage).
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& font);

  // A minimized window keeps its place and returns to these bounds. A hidden form that
  // waits to be shown maximized takes them once it is, keeping its normal bounds for later.
  void SetBounds(int left, int top, int width, int height) override;

  void Show() {
    HandleNeeded();
    SetVisible(true);
  }
  void Hide() { SetVisible(false); }
  // Closing the application's main form ends the application; any other form is hidden.
  void Close();

  // The control below the form whose window has, or last had, the focus; none before any
  // had it and after it left the form.
  TWinControl* ActiveControl() const { return activeControl_; }

  // The hosted OLE control that is UI-active on this form, or none. Kept by the controls.
  TWinControl* ActiveOleControl() const { return activeOleControl_; }
  void SetActiveOleControl(TWinControl* control) { activeOleControl_ = control; }

  // The form's main menu (not owned), shown in its window's menu bar; none by default.
  HMENU MainMenu() const { return mainMenu_; }
  void SetMainMenu(HMENU menu);

  // Raised once, by the application, after the form and its window exist.
  void DoCreate();

  std::function<void(TForm& sender)> OnCreate;
  // Keys sent to the form's own window (no preview of its children's keys). Setting the key
  // to 0 in OnKeyDown or OnKeyUp keeps it from the default handling.
  std::function<void(TForm& sender, std::uint16_t& key, TShiftState shift)> OnKeyDown;
  std::function<void(TForm& sender, char& key)> OnKeyPress;
  std::function<void(TForm& sender, std::uint16_t& key, TShiftState shift)> OnKeyUp;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void ControlFocused(TWinControl* control) override;
  void ControlRemoving(TWinControl* control) noexcept override;
  void ShowHandle(bool visible) override;
  RECT WindowBounds() const override;

 private:
  LRESULT KeyMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT CharMessage(WPARAM wParam);
  void InsetClientArea(WPARAM wParam, LPARAM lParam) const;
  void PaintInnerBorder();
  void EraseBackground(HDC dc);
  void ApplyMaximizedBounds();
  void NotifyChildren(UINT message);

  std::wstring className_;
  std::string caption_;
  TColor color_;
  TFont font_;
  TWindowState windowState_ = TWindowState::Normal;
  int borderWidth_ = 0;
  std::optional<RECT> maximizedBounds_;  // set while hidden and waiting to be maximized
  TWinControl* activeControl_ = nullptr;
  TWinControl* activeOleControl_ = nullptr;
  HMENU mainMenu_ = nullptr;
};

}  // namespace leafmark::ui
