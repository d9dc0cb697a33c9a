#pragma once
// Start-up timing for the benchmarks: how long ago the operating system created this
// process, printed on standard error.

// Prints "<what> <milliseconds> ms after process creation" once the GDI queue is flushed.
void ReportStartupTime(const char* what);
