// Watches the sizes of allocations made through operator new, so a test can
// show that a piece of code allocated nothing large. Linking AllocationProbe.cpp
// replaces the program's global operator new and delete.
#pragma once

#include <cstddef>

// Records the largest single allocation made while it exists (one at a time).
class LargestAllocation
{
public:
    LargestAllocation();
    ~LargestAllocation();
    LargestAllocation(const LargestAllocation&) = delete;
    LargestAllocation& operator=(const LargestAllocation&) = delete;

    size_t Bytes() const;
};
