// The name part of an output file: the entry's path from the folder's last "/" on, less its
// last four characters, so that the output directory, the base and ".wav" join directly
// ("/music/song.mp3" gives "/song"). Short or odd names give odd bases on purpose: the
// converter has always named its outputs this way ("song.mpeg" gives "/song.").
#pragma once

#include <string>

std::string OutputBaseOf(const std::string& Entry);
