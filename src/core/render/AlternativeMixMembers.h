#pragma once

#include "core/render/RenderPlanning.h"

#include <vector>

namespace korvid
{

/** One alternative mix a cue writes: the request stems it sums, in the order it sums them
    (its member list without repeats, keeping the stems that write a file). */
struct AlternativeMixMembers
{
    size_t submixIndex = 0;          // in the request preset's schema
    std::vector<size_t> stems;       // request stem indices; empty: the mix is not written
};

/** Every alternative mix of the request's preset in schema order, or none when the preset
    writes none. */
std::vector<AlternativeMixMembers> alternativeMixMembers (const RenderRequest& request);

/** The most written stems held at once while they wait for a mix to sum the members listed
    before them, when stems are finished in request order. Zero when every mix lists its
    members in stem order. */
int mostMembersWaiting (const std::vector<AlternativeMixMembers>& mixes, size_t stemCount);

} // namespace korvid
