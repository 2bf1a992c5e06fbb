// Each converter test runs in a program folder and a platform root of its own: "config.ini"
// lies beside the program, so a test re-runs itself from a copy of the test program in a fresh
// temporary folder, with BRASSEL_ROOT pointing into it. Tests that run side by side then never
// share a settings file or a Windows directory.
#pragma once

#include <string>
#include <vector>

namespace converter_test {

// Whether this process is the child that runs one test in its own program folder.
bool InOwnProgramFolder();

// In the parent: runs the current test in a child process from a fresh program folder, checks
// that it passed and returns true (the caller returns at once). In the child: returns false.
bool RunInOwnProgramFolder();

// The first statement of every test that makes the converter's forms.
#define CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER()             \
  do {                                                     \
    if (::converter_test::RunInOwnProgramFolder()) return; \
  } while (false)

// Runs this test program (the copy in the program folder) with the given gtest filter and
// extra arguments under the same platform root; returns its exit status (-1 when it could
// not run or ran no test). Used to start a second instance of the converter beside the first.
int RunProgramCopy(const std::string& filter, const std::vector<std::string>& environment);

}  // namespace converter_test
