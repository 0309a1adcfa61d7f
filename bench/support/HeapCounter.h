#pragma once
// Live heap bytes of the whole process, every library's allocations included: a benchmark program
// that links this replaces malloc and its family with counting wrappers around the C library's own
// allocator. For memory lines ("peak memory of one X"), not for timings.
#include <cstddef>

namespace heap_counter {

std::size_t liveBytes();
// The most live bytes since the last resetPeak() (which starts it at the live bytes of that moment).
std::size_t peakBytes();
void resetPeak();

}  // namespace heap_counter
