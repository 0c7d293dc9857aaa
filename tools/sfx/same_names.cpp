#include "tools/sfx/same_names.h"

#include "common/text.h"
#include "tools/sfx/heap_sort.h"

namespace {

int CompareNames(const uint8_t* data, const NameAt& a, const NameAt& b) {
  for (uint32_t i = 0; i < a.length && i < b.length; ++i) {
    int x = static_cast<unsigned char>(LowerAscii(static_cast<char>(data[a.offset + i])));
    int y = static_cast<unsigned char>(LowerAscii(static_cast<char>(data[b.offset + i])));
    if (x != y) return x - y;
  }
  return a.length < b.length ? -1 : a.length > b.length ? 1 : 0;
}

// Alike names in list order among themselves.
bool NameSortsBefore(const void* a, const void* b, const void* data) {
  const NameAt& x = *static_cast<const NameAt*>(a);
  const NameAt& y = *static_cast<const NameAt*>(b);
  int order = CompareNames(static_cast<const uint8_t*>(data), x, y);
  return order < 0 || (order == 0 && x.index < y.index);
}

}  // namespace

uint32_t FirstSharedName(const uint8_t* data, NameAt* names, uint32_t count) {
  // Alike names sort next to each other.
  HeapSort(names, count, sizeof *names, NameSortsBefore, data);
  uint32_t first = count;
  for (uint32_t i = 1; i < count; ++i) {
    if (CompareNames(data, names[i - 1], names[i]) == 0 && names[i].index < first) {
      first = names[i].index;
    }
  }
  return first;
}
