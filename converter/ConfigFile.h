// Where the converter keeps its settings: "config.ini" in the folder of its own program file.
#pragma once

#include <string>

// The folder of the running program, with its trailing "/".
std::string ProgramFolder();
std::string ConfigFileName();

// The section that holds every key.
inline constexpr const char* kOptionsSection = "Options";
