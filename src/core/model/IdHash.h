#pragma once

#include <juce_core/juce_core.h>

#include <unordered_set>

namespace korvid
{

/** Hashes ids (and other strings) for the standard unordered containers. */
struct IdHash
{
    size_t operator() (const juce::String& id) const noexcept { return (size_t) id.hashCode64(); }
};

using IdSet = std::unordered_set<juce::String, IdHash>;

} // namespace korvid
