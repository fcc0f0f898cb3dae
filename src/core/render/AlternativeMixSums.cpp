#include "core/render/AlternativeMixSums.h"

#include "core/audio/AudioBuffers.h"
#include "core/render/RenderBufferClearing.h"

namespace korvid
{

AlternativeMixSums::~AlternativeMixSums()
{
    release();
}

bool AlternativeMixSums::start (std::vector<AlternativeMixMembers> mixesToSum, int channels, juce::int64 frames,
                                RenderBufferPool* poolToUse, RenderWorkers& workers, size_t& failedMix,
                                juce::String& error)
{
    release();
    pool = poolToUse;
    mixes = std::move (mixesToSum);
    buffers.resize (mixes.size());
    summed.assign (mixes.size(), 0);

    std::vector<juce::AudioBuffer<double>*> toPrepare;
    std::vector<size_t> preparedMixes;

    for (size_t m = 0; m < mixes.size(); ++m)
    {
        if (mixes[m].stems.empty())
            continue;

        if (pool != nullptr)
            buffers[m] = pool->take();

        toPrepare.push_back (&buffers[m]);
        preparedMixes.push_back (m);
    }

    size_t failed = 0;

    if (! prepareRenderBuffers (workers, toPrepare, channels, frames, failed, error))
    {
        failedMix = preparedMixes[failed];
        return false;
    }

    return true;
}

void AlternativeMixSums::addStem (size_t stemIndex, juce::AudioBuffer<double>& gainedStem)
{
    const auto audioOf = [&] (size_t stem) -> const juce::AudioBuffer<double>*
    {
        if (stem == stemIndex)
            return &gainedStem;

        const auto found = held.find (stem);
        return found != held.end() ? &found->second : nullptr;
    };

    for (size_t m = 0; m < mixes.size(); ++m)
    {
        const auto& members = mixes[m].stems;

        while (summed[m] < members.size())
        {
            const auto* audio = audioOf (members[summed[m]]);

            if (audio == nullptr)
                break;

            mixBufferInto (buffers[m], *audio);
            ++summed[m];
        }
    }

    if (isStillNeeded (stemIndex))
        held[stemIndex] = std::move (gainedStem);

    for (auto it = held.begin(); it != held.end();)
    {
        if (isStillNeeded (it->first))
        {
            ++it;
            continue;
        }

        giveBack (it->second);
        it = held.erase (it);
    }
}

bool AlternativeMixSums::isComplete (size_t mix) const
{
    return summed[mix] == mixes[mix].stems.size();
}

bool AlternativeMixSums::isStillNeeded (size_t stemIndex) const
{
    for (size_t m = 0; m < mixes.size(); ++m)
    {
        const auto& members = mixes[m].stems;

        for (size_t j = summed[m]; j < members.size(); ++j)
            if (members[j] == stemIndex)
                return true;
    }

    return false;
}

void AlternativeMixSums::giveBack (juce::AudioBuffer<double>& buffer)
{
    if (pool != nullptr)
        pool->give (std::move (buffer));
    else
        buffer = {};
}

void AlternativeMixSums::release()
{
    for (auto& buffer : buffers)
        giveBack (buffer);

    for (auto& entry : held)
        giveBack (entry.second);

    buffers.clear();
    held.clear();
    mixes.clear();
    summed.clear();
}

} // namespace korvid
