// Private profiles: INI files of sections ("[name]") and "key=value" lines, with section and
// key names compared without regard to ASCII case. Every write goes to the file at once and
// replaces it atomically; it creates the file, the section or the key where missing, and
// keeps every other line as it was. A file name without a folder lies in the Windows
// directory. A file that may not be written (see win32::MayWriteFile) makes writes fail with
// ERROR_ACCESS_DENIED. New files get CR LF line ends, as on the real platform; either kind
// is read.
#pragma once

#include "platform/win32/Types.h"

// Copies the value of the key into the buffer, or the default (null: empty) less its trailing
// blanks when the file, the section or the key is missing; a value longer than size - 1 is
// cut. Blanks around the value and one pair of enclosing quotes are removed. Returns the
// number of characters copied, NUL not counted. Listing sections or keys (a null section or
// key) is not provided: it gives the empty text.
DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                                      DWORD size, LPCSTR fileName);

// Sets the key to the value; a null value deletes the key, a null key the whole section.
// FALSE when the file cannot be written, and for a line end in any of the texts or a "=" in
// the key or "]" in the section, which would break the file's lines apart.
BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);
