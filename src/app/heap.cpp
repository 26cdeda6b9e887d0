#include "app/heap.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kestrel {

void keepLargeBuffersOutOfTheHeap() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);  // glibc's own starting value, now fixed
#endif
}

}  // namespace kestrel
