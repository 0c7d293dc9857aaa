// The one rule for two names that land on one file, for the archive's entries
// and the journal's records alike: equal but for the letter case of A to Z,
// as Windows compares names. Checked for a whole list at once by sorting it,
// so that even the largest list takes n log n comparisons. Portable.
#pragma once

#include <stddef.h>
#include <stdint.h>

// A name lying in a block of bytes (an archive's directory, a journal), and
// its place in its list.
struct NameAt {
  size_t offset;
  uint32_t length;
  uint32_t index;
};

// Sorts names, and returns the index of the first one in list order that
// an earlier one shares; count when no two are alike.
uint32_t FirstSharedName(const uint8_t* data, NameAt* names, uint32_t count);
