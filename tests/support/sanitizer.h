#pragma once

// In a sanitizer build the allocator keeps freed memory aside and shadows all of it, so resident
// size says nothing about what the code holds: memory bounds are checked in plain builds only.
#ifdef ORRINCTL_SANITIZED
constexpr bool kMemoryIsMeasurable = false;
#else
constexpr bool kMemoryIsMeasurable = true;
#endif
