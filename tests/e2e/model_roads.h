#pragma once
// Runs a model case through the three roads a firmware file takes to a unit: a window-mode
// run of its panel, a batch line, and `zarvo-r5-cli image`, each on fresh simulated units
// (a 512K x 8 Device 1 beside the case's Device 2), and compares what each left with the
// reference model. No test framework here: the suite and the long benchmark run share it.

#include <string>
#include <vector>

#include "firmware_model.h"

namespace zarvo::model {

// Whether a road that finds no byte of the file within the IC window already fails. Until
// it does, those cases are drawn and run but not judged (switch on once the load refuses them).
inline constexpr bool kNoFileDataFails = true;

struct RoadReport {
  int judged = 0;     // roads whose result was compared with the model
  int noData = 0;     // roads whose case has no file data in the IC window (judged when switched on)
  std::vector<std::string> faults;  // one line per road that disagreed with the model
};

class ModelBench {
 public:
  // cli: the zarvo-r5-cli to run; empty leaves the image road out.
  explicit ModelBench(std::string cli);
  ~ModelBench();
  ModelBench(const ModelBench&) = delete;
  ModelBench& operator=(const ModelBench&) = delete;

  void run(const Case& c, RoadReport& report);

 private:
  void window(const Case& c, const std::string& file, RoadReport& report);
  void batch(const Case& c, const std::string& file, RoadReport& report);
  void image(const Case& c, const std::string& file, RoadReport& report);

  std::string cli_;
  std::string dir_;
};

}  // namespace zarvo::model
