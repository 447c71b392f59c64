#pragma once

// Keeps the C library from handing freed memory back to the kernel after
// every large free. The window lays out and paints reports page by page on
// worker threads, each page a burst of allocations freed at once; with the
// default settings each burst is returned and faulted in again, which cost
// the PDF export about a tenth of its time. Call once, first thing in main.
void keepHeapPadding();
