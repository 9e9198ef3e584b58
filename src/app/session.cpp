#include "app/session.h"

namespace zarvo {

Session::Session(Ui& ui, Clock& clock, std::string settingsPath)
    : Session(ui, clock, MakeBackendFromEnvironment(), std::move(settingsPath)) {}

Session::Session(Ui& ui, Clock& clock, std::unique_ptr<UsbBackend> backend, std::string settingsPath)
    : ui_(ui), clock_(clock), profile_(std::move(settingsPath)),
      backend_(backend ? std::move(backend) : MakeBackendFromEnvironment()),
      link_(*backend_) {}

}  // namespace zarvo
