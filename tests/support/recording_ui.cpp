#include "recording_ui.h"

namespace zarvo::test {

Answer RecordingUi::messageBox(const std::string& text, const std::string& title, Icon icon, Buttons buttons) {
  boxes.push_back({text, title, icon, buttons});
  log.push_back("box:" + text);
  if (!answers.empty()) {
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
}

void RecordingUi::appendMessage(const std::string& text) {
  log.push_back("pane:" + text);
  size_t pos = 0;
  while (true) {
    size_t nl = text.find('\n', pos);
    pane.push_back(text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos));
    if (nl == std::string::npos) break;
    pos = nl + 1;
  }
}

void RecordingUi::setDriverText(int panel, const std::string& text) {
  if (panel >= 1 && panel <= 4) driverText[panel] = text;
  log.push_back("driver" + std::to_string(panel) + ":" + text);
}

void RecordingUi::setDriverRed(int panel, bool red) {
  if (panel >= 1 && panel <= 4) driverRed[panel] = red;
}

void RecordingUi::setPanelSum(int panel, const std::string& text) {
  if (panel >= 1 && panel <= 4) panelSum[panel] = text;
  log.push_back("sum" + std::to_string(panel) + ":" + text);
}

void RecordingUi::setPanelType(int panel, int item) {
  if (panel >= 1 && panel <= 4) panelType[panel] = item;
  log.push_back("type" + std::to_string(panel) + ":" + std::to_string(item));
}

std::vector<std::string> RecordingUi::boxTexts() const {
  std::vector<std::string> out;
  for (const BoxCall& b : boxes) out.push_back(b.text);
  return out;
}

}  // namespace zarvo::test
