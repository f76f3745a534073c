#pragma once

#include <cstddef>

// Counts heap allocations made by the current thread while a ScopedAllocationCount is alive.
// The test binary replaces the global operator new to do the counting.
class ScopedAllocationCount
{
public:
    ScopedAllocationCount();
    ~ScopedAllocationCount();

    std::size_t count() const;

private:
    std::size_t start;
};
