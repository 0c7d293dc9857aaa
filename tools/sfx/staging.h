// Staging: every entry is unpacked into its own new file n<slot> in the work
// folder, its CRC checked and the file flushed to disk, before any earlier
// file is given up for them. Workers, one for each processor up to a few,
// each take the next entry; a failure or a cancel in any stops them all.
#pragma once

#include <stdint.h>

#include "tools/sfx/mapped_file.h"
#include "tools/sfx/unpack_run.h"
#include "tools/sfx/zip_reader.h"

// Fills slots (archive.entryCount of them) from the archive's entries and
// stages each in work. On failure no staged file is left open; those written
// go with the work folder.
// Each worker reads the archive through its own window on mapped.
bool StageEntries(Run& run, const ZipArchive& archive, const MappedFile& mapped,
                  const wchar_t* work, Slot* slots);

// The tests' fixed number of workers; 0, the default, takes one for each
// processor.
void FixStagingWorkersForTests(unsigned count);
