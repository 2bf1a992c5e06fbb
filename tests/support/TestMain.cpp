// The main of every test program. The process runs on a machine of its own: a fresh platform
// root, home and XDG folders, so that no test reads or changes the user's, whichever way the
// program is started. A process that a test starts from this program (a death test, a second
// instance) inherits its parent's machine instead of making another.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "tests/support/PlatformRoot.h"

int main(int argc, char** argv) {
  constexpr const char* kMachineVariable = "BRASSEL_TEST_MACHINE";
  std::optional<PlatformRoot> machine;
  if (std::getenv(kMachineVariable) == nullptr) {
    machine.emplace();
    machine->Set(kMachineVariable, machine->Root());
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
