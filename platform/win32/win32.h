// The one way into <windows.h> for the Windows-only files: the macros that keep it from
// clashing with the C++ standard library come first.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
