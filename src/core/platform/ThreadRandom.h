#pragma once

#include <cstdint>

namespace korvid
{

/** 64 random bits from the calling thread's own generator, seeded once per thread from the
    system's entropy source. Any thread may call it at any time: no state is shared between
    threads. The framework's system generator is one object without a lock (and Random() and
    Uuid() have only 48 bits of state, seeded from the clock), so names and seeds drawn on
    workers come from here. */
std::uint64_t randomBits();

} // namespace korvid
