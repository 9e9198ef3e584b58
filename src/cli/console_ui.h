#pragma once
// The terminal's screen: message-pane lines go to stdout as they are appended; message
// boxes go to stderr with their title, and a question is answered with its default button
// (OK / Yes), the answer printed too.

#include <cstdio>

#include "base/ui.h"

namespace zarvo::cli {

class ConsoleUi : public Ui {
 public:
  ConsoleUi(std::FILE* out = stdout, std::FILE* err = stderr) : out_(out), err_(err) {}

  Answer messageBox(const std::string& text, const std::string& title, Icon icon, Buttons buttons) override;
  void appendMessage(const std::string& text) override;
  // "zarvo-r5-cli: unit busy: used by another program" on stderr; the command then exits 1.
  void reportUnitProblem(const std::string& text) override;
  Page activePage() const override { return page_; }
  void setPage(Page p) { page_ = p; }

  int boxes() const { return boxes_; }
  // Units that could not be opened for a cause of their own (busy, permission denied).
  int unitProblems() const { return unitProblems_; }

 private:
  std::FILE* out_;
  std::FILE* err_;
  Page page_ = Page::Batch;
  int boxes_ = 0;
  int unitProblems_ = 0;
};

}  // namespace zarvo::cli
