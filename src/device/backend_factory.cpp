// Which USB layer a session talks to: simulated units when ZARVO_R5_SIM is set, real units
// through libusb otherwise.
#include <cstdlib>

#include "device/libusb_backend.h"
#include "device/simulated_backend.h"

namespace zarvo {

std::unique_ptr<UsbBackend> MakeBackendFromEnvironment(std::string* configError) {
  if (configError) configError->clear();
  if (!std::getenv("ZARVO_R5_SIM")) return MakeLibusbBackend();
  SimConfig config;
  std::string error;
  if (!SimConfigFromEnvironment(config, error)) {
    if (configError) *configError = error;
    // A malformed setting gives no units, and says why through describe().
    return std::make_unique<SimulatedBackend>(SimConfig{}, error);
  }
  return std::make_unique<SimulatedBackend>(config);
}

}  // namespace zarvo
