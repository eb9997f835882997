// A plain form for framework tests, recording what reaches its key handlers.
#pragma once

#include <string>
#include <vector>

#include "ui/form.h"

namespace leafmark::ui::test {

class TTestForm : public TForm {
 public:
  TTestForm() : TForm(Design()) {
    OnKeyDown = [this](TForm&, std::uint16_t& key, TShiftState) { Events.push_back("down " + std::to_string(key)); };
    OnKeyPress = [this](TForm&, char& key) { Events.push_back(std::string("press ") + key); };
  }

  static TFormDesign Design() {
    TFormDesign design;
    design.ClassName = L"TTestForm";
    design.Left = 50;
    design.Top = 40;
    design.Width = 600;
    design.Height = 400;
    design.Caption = "Test";
    return design;
  }

  std::vector<std::string> Events;
};

}  // namespace leafmark::ui::test
