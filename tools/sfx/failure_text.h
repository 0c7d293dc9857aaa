// What an unpack did, told to the user in the extractor's error box.
#pragma once

#include <stddef.h>

#include "tools/sfx/unpack.h"

// "Nothing was changed in FOLDER: " and the reason, then the file concerned;
// or, when that is not so, what was changed and which files are not as they
// were. Empty when it does not fit size.
void DescribeFailure(const UnpackOutcome& outcome, wchar_t* text, size_t size);
