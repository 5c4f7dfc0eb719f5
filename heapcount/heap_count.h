// Heap allocations counted. A program linked with the heap_count library gets
// a replacement of every form of operator new and delete (heap_count.cpp) that
// counts each allocation and then takes the memory from malloc; the heap
// traffic of a stretch of code is a counter's difference across it.
//
// A program may replace operator new only once: link heap_count into the
// program itself, never into a library that another replacing program links.
#ifndef HALVORN_HEAPCOUNT_HEAP_COUNT_H
#define HALVORN_HEAPCOUNT_HEAP_COUNT_H

namespace heapcount {

// Allocations made through operator new so far, on every thread together.
unsigned long long allAllocations();

// Allocations made through operator new so far on the calling thread (the GL's
// or a library's worker threads leave it alone).
unsigned long long threadAllocations();

}  // namespace heapcount

#endif
