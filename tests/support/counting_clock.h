#pragma once
// A clock that never sleeps: it adds the requested time to its own count.

#include <cstdint>
#include <vector>

#include "base/clock.h"

namespace zarvo::test {

class CountingClock : public Clock {
 public:
  void sleepMs(uint32_t ms) override {
    sleeps.push_back(ms);
    now += ms;
  }
  uint64_t nowMs() override { return now; }

  uint64_t now = 0;
  std::vector<uint32_t> sleeps;
};

}  // namespace zarvo::test
