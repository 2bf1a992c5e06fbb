// The entries that a play list adds to the queue: its lines whose extension is exactly ".mpg",
// ".mp2" or ".mp3", each as written, in their order. The text ends at its first NUL byte; a
// line ends at CR, at LF or at CR LF (one line end).
#pragma once

#include <string>
#include <vector>

// Reads the play list as it streams, keeping only the entries, so that time and memory grow
// with the file and no line is lost however long. Only a regular file is read, and it is
// opened without blocking: a FIFO, a device or a directory raises EFOpenError "Cannot open
// file %s" at once, as does a file that cannot be opened or read.
std::vector<std::string> PlaylistEntries(const std::string& FileName);
