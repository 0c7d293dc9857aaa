// A heap sort for the checks that compare every entry of a list with every
// other: n log n comparisons whatever the input, with no recursion and no
// room beyond the array. One copy serves every kind of item. Portable.
#pragma once

#include <stddef.h>

// Whether item a sorts before item b.
typedef bool (*SortsBefore)(const void* a, const void* b, const void* context);

// Sorts count items of size bytes each so that no item sorts before the one
// in front of it.
void HeapSort(void* items, size_t count, size_t size, SortsBefore before, const void* context);
