// Staging: every entry is unpacked into its own new file n<slot> in the work
// folder, its CRC checked and the file flushed to disk, before any earlier
// file is given up for them. Workers, two for each processor up to a few,
// each take the next entry; a failure or a cancel in any stops them all.
// The last entries' files stay open in their slots until placed.
#pragma once

#include <stdint.h>

#include "tools/sfx/mapped_file.h"
#include "tools/sfx/unpack_run.h"
#include "tools/sfx/zip_reader.h"

// Fills slots (archive.entryCount of them) from the archive's entries and
// stages each in work. Those written go with the work folder on failure,
// once closed (CloseStagedFiles).
// Each worker reads the archive through its own window on mapped.
bool StageEntries(Run& run, const ZipArchive& archive, const MappedFile& mapped,
                  const wchar_t* work, Slot* slots);

// The tests' fixed number of workers; 0, the default, takes two for each
// processor.
void FixStagingWorkersForTests(unsigned count);
