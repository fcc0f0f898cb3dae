#pragma once

#include "core/render/AlternativeMixMembers.h"
#include "core/render/RenderBufferPool.h"
#include "core/render/RenderWorkers.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <map>
#include <vector>

namespace korvid
{

/** The alternative mixes of one cue, summed from its gained stems as they are written, so a
    stem need not be kept until the end. Each mix adds its members in its own order, as one
    pass over a kept set would: a stem that comes before a member listed ahead of it is held
    here until that member is there. Used on the cue's own thread only. */
class AlternativeMixSums
{
public:
    AlternativeMixSums() = default;
    ~AlternativeMixSums();

    /** Starts summing: a cleared buffer of that shape for every mix with members, taken from
        the pool when it has one and cleared by the workers. On failure `failedMix` is the mix
        whose buffer could not be made and `error` holds the sentence. */
    bool start (std::vector<AlternativeMixMembers> mixesToSum, int channels, juce::int64 frames,
                RenderBufferPool* pool, RenderWorkers& workers, size_t& failedMix, juce::String& error);

    /** Adds a written stem to every mix whose turn it is, with any held members after it.
        Takes the buffer (leaving it empty) when a mix still waits for an earlier member. */
    void addStem (size_t stemIndex, juce::AudioBuffer<double>& gainedStem);

    /** True once the mix has summed every member. */
    bool isComplete (size_t mix) const;

    const AlternativeMixMembers& members (size_t mix) const { return mixes[mix]; }
    juce::AudioBuffer<double>& buffer (size_t mix) { return buffers[mix]; }
    size_t size() const { return mixes.size(); }

    /** Stems held right now. */
    int heldCount() const { return (int) held.size(); }

    /** Hands every buffer back to the pool. */
    void release();

private:
    bool isStillNeeded (size_t stemIndex) const;
    void giveBack (juce::AudioBuffer<double>& buffer);

    std::vector<AlternativeMixMembers> mixes;
    std::vector<juce::AudioBuffer<double>> buffers;   // one per mix; empty for a mix without members
    std::vector<size_t> summed;                       // members each mix has added so far
    std::map<size_t, juce::AudioBuffer<double>> held; // stem index -> gained stem
    RenderBufferPool* pool = nullptr;
};

} // namespace korvid
