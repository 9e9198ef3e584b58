// Runs from the window page on simulated units: files chosen through the load dialog's
// widgets, Run clicked, the units' memory, sums, step pictures and lamps afterwards.
#include <gtest/gtest.h>

#include "gui_rig.h"

namespace zarvo::test {
namespace {}  // namespace
}  // namespace zarvo::test
