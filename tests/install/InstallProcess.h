// The installers' tests run each form test in a process of its own: the application object,
// its title and its "program ended" state are the process's, as in the real programs. A test
// re-runs itself in a child started from a copy of the test program, at a path of the test's
// choosing (the uninstaller finds its files beside its own program file).
#pragma once

#include <string>

namespace install_test {

// True in the child that RunInChild started.
bool InChild();

// In the parent: runs the current test in a child process from a link or copy of this test
// program at ProgramPath (the program itself when it is empty), expects it to pass, and
// returns true; the caller then returns at once. In the child: returns false.
bool RunInChild(const std::string& ProgramPath = "");

// A new folder inside the build tree (so the test program can be linked there), removed by
// the caller.
std::string MakeScratchFolder();

std::string ReadFileBytes(const std::string& FileName);
void WriteFileBytes(const std::string& FileName, const std::string& Bytes);

}  // namespace install_test
