#include "core/platform/ThreadRandom.h"

#include <random>

namespace korvid
{

std::uint64_t randomBits()
{
    thread_local std::mt19937_64 generator = []
    {
        std::random_device device;
        std::seed_seq seeds { device(), device(), device(), device(),
                              device(), device(), device(), device() };
        return std::mt19937_64 (seeds);
    }();

    return generator();
}

} // namespace korvid
