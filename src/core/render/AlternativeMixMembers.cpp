#include "core/render/AlternativeMixMembers.h"

#include "core/render/OutputFiles.h"

#include <set>

namespace korvid
{

std::vector<AlternativeMixMembers> alternativeMixMembers (const RenderRequest& request)
{
    const auto& preset = request.preset;
    std::vector<AlternativeMixMembers> mixes;

    if (! preset.exportSettings.exportSubmixes)
        return mixes;

    for (size_t m = 0; m < preset.schema.submixes.size(); ++m)
    {
        AlternativeMixMembers mix;
        mix.submixIndex = m;

        for (const auto& id : preset.schema.submixes[m].stems)
        {
            for (size_t s = 0; s < request.stems.size(); ++s)
            {
                const auto& stem = request.stems[s];

                // A member listed twice is still summed once.
                if (stem.id == id && isStemExported (stem)
                    && std::find (mix.stems.begin(), mix.stems.end(), s) == mix.stems.end())
                {
                    mix.stems.push_back (s);
                    break;
                }
            }
        }

        mixes.push_back (std::move (mix));
    }

    return mixes;
}

int mostMembersWaiting (const std::vector<AlternativeMixMembers>& mixes, size_t stemCount)
{
    std::vector<size_t> summed (mixes.size(), 0);   // members each mix has summed so far
    int most = 0;

    for (size_t finished = 0; finished < stemCount; ++finished)
    {
        std::set<size_t> waiting;

        for (size_t m = 0; m < mixes.size(); ++m)
        {
            const auto& members = mixes[m].stems;

            while (summed[m] < members.size() && members[summed[m]] <= finished)
                ++summed[m];

            for (size_t j = summed[m]; j < members.size(); ++j)
                if (members[j] <= finished)
                    waiting.insert (members[j]);
        }

        most = juce::jmax (most, (int) waiting.size());
    }

    return most;
}

} // namespace korvid
