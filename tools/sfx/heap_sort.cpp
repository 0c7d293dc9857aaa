#include "tools/sfx/heap_sort.h"

#include <stdint.h>

namespace {

struct Items {
  uint8_t* bytes;
  size_t size;
  SortsBefore before;
  const void* context;
};

bool Before(const Items& items, size_t a, size_t b) {
  return items.before(items.bytes + a * items.size, items.bytes + b * items.size, items.context);
}

void Swap(const Items& items, size_t a, size_t b) {
  uint8_t* x = items.bytes + a * items.size;
  uint8_t* y = items.bytes + b * items.size;
  for (size_t i = 0; i < items.size; ++i) {
    uint8_t byte = x[i];
    x[i] = y[i];
    y[i] = byte;
  }
}

void SiftDown(const Items& items, size_t root, size_t count) {
  for (size_t child; (child = 2 * root + 1) < count; root = child) {
    if (child + 1 < count && Before(items, child, child + 1)) ++child;
    if (!Before(items, root, child)) return;
    Swap(items, root, child);
  }
}

}  // namespace

void HeapSort(void* bytes, size_t count, size_t size, SortsBefore before, const void* context) {
  Items items = {static_cast<uint8_t*>(bytes), size, before, context};
  for (size_t i = count / 2; i-- > 0;) SiftDown(items, i, count);
  for (size_t end = count; end-- > 1;) {
    Swap(items, 0, end);
    SiftDown(items, 0, end);
  }
}
