// The names that a user typed into a file dialog's name box, as the platform's dialog reads
// them: several names each between double quotes ("a.mp3" "d.mp2"), whatever the filter in
// use shows.
#pragma once

#include <string>
#include <vector>

// The quoted names of Text in their order, a relative one joined to Folder; empty when Text
// holds no quoted name (a single name is the dialog's own to read).
std::vector<std::string> TypedFileNames(const std::string& Text, const std::string& Folder);
