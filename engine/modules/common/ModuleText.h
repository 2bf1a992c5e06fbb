// The protocol of QVGetName, QVGetExts and QVGetAbout.
#pragma once

#include <cstdint>

// Copies the text with its terminating zero when the buffer is given and the length allows
// the text's length plus one; the length always becomes the text's length (without the zero).
bool CopyModuleText(const char* text, char* buffer, int32_t* length);
