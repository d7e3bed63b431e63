#pragma once

// Asks the memory for what a lookup will read soon: lookups in tables far larger than the
// cache, asked for side by side ahead, wait for memory once instead of one after another.
namespace search {

inline void prefetch(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

} // namespace search
