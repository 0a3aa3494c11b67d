#pragma once
#include <cstddef>

// Counts calls of the global operator new while armed (every test executable links this).
namespace alloc_counter {
void arm();
size_t disarm();  // returns the allocations seen since arm()
}  // namespace alloc_counter
