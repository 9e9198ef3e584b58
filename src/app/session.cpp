#include "app/session.h"

namespace zarvo {

Session::Session(Ui& ui, Clock& clock, std::string settingsPath)
    : ui_(ui), clock_(clock), profile_(std::move(settingsPath)) {}

}  // namespace zarvo
