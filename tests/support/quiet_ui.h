#pragma once
// A Ui that shows nothing and answers every box with its default button (OK / Yes), for the
// benchmark and fuzz programs, where recording would only cost time. Header only, so those
// programs need no test library.

#include <string>

#include "base/ui.h"

namespace zarvo::test {

class QuietUi : public Ui {
 public:
  Answer messageBox(const std::string&, const std::string&, Icon, Buttons buttons) override {
    return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
  }
  void appendMessage(const std::string&) override {}
  Page activePage() const override { return Page::Window; }
};

}  // namespace zarvo::test
