#include "ui/HeapTuning.h"

#include <cstdlib>  // defines __GLIBC__ where the C library is glibc's

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void keepHeapPadding() {
#if defined(__GLIBC__)
    // Each heap keeps up to this much free room at its top instead of
    // trimming it; memory that was never touched costs nothing.
    constexpr int kPad = 64 << 20;
    mallopt(M_TOP_PAD, kPad);
#endif
}
