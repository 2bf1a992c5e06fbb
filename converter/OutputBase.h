// The name of an output file: inside the output directory, the queue entry's file name without
// its extension (the text from its last "."), with ".wav". Whatever the entry looks like
// (a relative play-list line, a name without an extension, a longer extension, a dotted
// folder), the file lands in the directory; same names still replace each other.
#pragma once

#include <string>

// The entry's file name, after its folder part, less its extension: "/music/song.mp3" gives
// "song".
std::string OutputBaseOf(const std::string& Entry);

// The output directory, "/" (unless it already ends in one) and the base, with ".wav".
std::string OutputFileOf(const std::string& Directory, const std::string& Base);
