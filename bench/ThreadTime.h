// The processor time of the calling thread, for timings that compare two pieces of work run one
// after the other: time the thread spends waiting for the processor on a shared machine counts in
// neither.
#pragma once

#include <ctime>

inline double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}
