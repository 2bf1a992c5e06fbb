// Resources: byte images linked into the executable at build time (by the build's resource
// function, from ResourceEntry.s.in), found by type and name, both compared without regard to ASCII case. Only
// the executable's own resources exist: the module handle must be null.
#pragma once

#include "platform/win32/Types.h"

struct HRSRC__;
using HRSRC = HRSRC__*;
using HGLOBAL = HANDLE;

// Null when there is no resource of that type and name (or the name or type is a number).
HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource);
DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource);
// The resource's bytes, which stay in place for the life of the process.
LPVOID WINAPI LockResource(HGLOBAL data);
