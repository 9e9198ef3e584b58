#include "cli/console_ui.h"

namespace zarvo::cli {

Answer ConsoleUi::messageBox(const std::string& text, const std::string& title, Icon icon, Buttons buttons) {
  ++boxes_;
  const char* kind = icon == Icon::Error ? "error" : icon == Icon::Warning ? "warning" : "message";
  std::fprintf(err_, "[%s] %s: %s\n", kind, title.c_str(), text.c_str());
  if (buttons == Buttons::Ok) return Answer::Ok;
  const bool yesNo = buttons == Buttons::YesNo;
  std::fprintf(err_, "  -> answered %s\n", yesNo ? "Yes" : "OK");
  return yesNo ? Answer::Yes : Answer::Ok;
}

void ConsoleUi::reportUnitProblem(const std::string& text) {
  ++unitProblems_;
  std::fflush(out_);  // after the pane's failure text it belongs to
  std::fprintf(err_, "zarvo-r5-cli: %s\n", text.c_str());
  std::fflush(err_);
}

void ConsoleUi::appendMessage(const std::string& text) {
  std::fprintf(out_, "%s\n", text.c_str());
  std::fflush(out_);
}

}  // namespace zarvo::cli
