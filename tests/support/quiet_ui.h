#pragma once
// The silent screen of the core (base/quiet_ui.h), under the name the benchmark and fuzz
// programs use.

#include "base/quiet_ui.h"

namespace zarvo::test {
using zarvo::QuietUi;
}  // namespace zarvo::test
