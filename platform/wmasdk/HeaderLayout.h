// The layout of a Windows Media file's header, checked before libavformat reads it: the
// demuxer takes the sizes it declares as they are, and a size far past the file makes it ask
// for gigabytes or read on past the end again and again.
#pragma once

#include <cstdint>

// Whether the header lies within the file, each of its objects (and each object inside its
// extension) within it, the lengths inside a stream's properties within their object, and the
// packets of one size. False also when the header cannot be read.
bool HeaderLayoutFits(int file, int64_t fileSize);
