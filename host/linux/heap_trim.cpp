#include "heap_trim.h"

#include <malloc.h>

bool HeapTrim::frameDone() {
    if (period_ <= 0 || ++frames_ % period_ != 0) return false;
    // Every arena, every whole free page, not only the top of the heap.
    malloc_trim(0);
    return true;
}
