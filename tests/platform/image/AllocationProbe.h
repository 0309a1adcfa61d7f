#pragma once
// Watches the program's operator new: while a probe is alive, the largest single allocation made
// through it is recorded. Pixel memory comes from there, so a refused picture shows that none was taken.
#include <cstddef>

class AllocationProbe {
 public:
  AllocationProbe();
  ~AllocationProbe();
  std::size_t largest() const;
};
