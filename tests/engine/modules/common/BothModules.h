// What the tests that run alike against teskdec.dll and teskwma.dll share: how a module is
// loaded and how a case of the table is named.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>

// Kept mapped after dlclose: the SDK's libraries keep allocations of their own start-up in
// their static data, which the leak checker must still see.
inline constexpr int ModuleLoadFlags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;

// A case of a table of modules, named by its module (a `name` member).
template <class Case>
std::string ModuleCaseName(const testing::TestParamInfo<Case>& info) {
  return info.param.name;
}
