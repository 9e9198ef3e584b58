#pragma once
// A Ui that shows nothing and answers every box with its default button (OK / Yes): for
// work whose messages nobody reads (a file check before a load, benchmarks, fuzz targets).
// Header only.

#include <string>

#include "base/ui.h"

namespace zarvo {

class QuietUi : public Ui {
 public:
  Answer messageBox(const std::string&, const std::string&, Icon, Buttons buttons) override {
    return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
  }
  void appendMessage(const std::string&) override {}
  Page activePage() const override { return Page::Window; }
};

}  // namespace zarvo
