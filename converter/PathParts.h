// How the converter splits a path: the folder part runs up to and including the last "/",
// the extension is the text from the last "." of the name that follows it.
#pragma once

#include <string>

// Everything up to and including the last "/"; empty when there is none.
std::string FolderPart(const std::string& Path);

// The text from the last "." after the folder part, or empty when the name has none.
std::string FileExtension(const std::string& Path);

// A play list line is queued only with one of these extensions, compared with case.
bool IsMpegExtension(const std::string& Extension);
