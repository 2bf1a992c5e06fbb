// The directory part of a path, with its separator, or "Error" when the path has none.
#pragma once

#include <string>

std::string GetPathPart(const std::string& Path);
