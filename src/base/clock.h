#pragma once
// Time as the core sees it: the LED blinks and the reset pulse sleep through it, the
// readers ask it how long they have run. Tests use a clock that only counts.

#include <cstdint>

namespace zarvo {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual void sleepMs(uint32_t ms) = 0;
  // Milliseconds from an arbitrary start; only differences mean anything.
  virtual uint64_t nowMs() = 0;
};

// The wall clock.
class SystemClock final : public Clock {
 public:
  void sleepMs(uint32_t ms) override;
  uint64_t nowMs() override;
};

}  // namespace zarvo
