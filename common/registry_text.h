// Registry texts that always end in NUL inside their buffer, whatever the
// value holds, and REG_SZ writes sized as the text plus its terminator.
#pragma once

#include <windows.h>

// Reads the value's data into buffer (size bytes). The value's type is not
// examined. ERROR_SUCCESS only when the data and a terminator fit; on any
// failure buffer holds the empty text and the registry's error (or
// ERROR_MORE_DATA for data that fills the buffer without a terminator).
LONG QueryTextValue(HKEY key, const char* name, char* buffer, DWORD size);

// Writes text as REG_SZ with its terminator.
LONG SetTextValue(HKEY key, const char* name, const char* text);
