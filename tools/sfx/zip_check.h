// The archive checked whole before anything is written: every entry's name
// is a plain file name, no two land on one file, and no two share bytes.
// Portable, so that it is also built natively with sanitizers and fuzzed.
#pragma once

#include "tools/sfx/zip_reader.h"

// True for a plain file name that can only land in the target folder itself,
// on its own file: no folder part, drive, "..", device name, wildcard,
// control character, trailing dot or blank, nor a stem with "~" and a
// digit (the form of an 8.3 alias, which may name another long-named file).
bool ZipNameAllowed(const char* name);

// Walks the whole directory before anything is written: every record and
// local header, every name, no two names alike (same_names.h), no two
// entries whose bytes [local header, data end) overlap (a small archive must
// not unpack one stream into many files), nothing left over. On failure the
// first offending entry's name (possibly empty) is copied into badName
// (kZipMaxName + 1 bytes) when it is given.
ZipStatus ZipCheckAll(const ZipArchive& archive, char* badName);
