#pragma once

#include "platform/win/types.h"

// Loading a library at run time by the name callers of the original platform use. A name with
// a folder is loaded as given; a bare name is looked for beside the programs, a name ending in
// ".DLL" (any case) standing for the shared library "lib<name in lower case>.so", so that
// "WAB32.DLL" is libwab32.so.
struct HINSTANCE__;
using HMODULE = HINSTANCE__*;

HMODULE LoadLibraryA(const char* name);
// The address of an exported name; nullptr when the module has none.
void* GetProcAddress(HMODULE module, const char* name);
BOOL FreeLibrary(HMODULE module);
