#include "RenderTestSupport.h"

#include "core/audio/AudioBuffers.h"
#include "core/render/AlternativeMixSums.h"
#include "core/render/OutputFiles.h"

#include <gtest/gtest.h>

#include <cstring>

namespace korvid
{
namespace
{

using namespace rendertest;

// Stems A..E with tracks, Empty without (skipped), Silent without (written as silence).
RenderRequest requestWithMixes (const std::vector<Submix>& submixes)
{
    RenderRequest request;
    request.preset = makeRenderPreset ({ "A", "B", "C", "D", "E", "Empty", "Silent" });
    request.preset.schema.submixes = submixes;

    for (const auto& stem : request.preset.schema.stems)
    {
        RequestStem requestStem;
        requestStem.id = stem.id;

        if (stem.displayName == "Silent")
            requestStem.emptyPolicy = EmptyPolicy::exportSilence;
        else if (stem.displayName != "Empty")
            requestStem.trackFiles.push_back (juce::File ("/t/" + stem.displayName + ".wav"));

        request.stems.push_back (requestStem);
    }

    return request;
}

TEST (AlternativeMixSums, MembersAreTheWrittenStemsInListedOrderOnce)
{
    const auto request = requestWithMixes ({
        { "m1", "In order", "", { "stem-A", "stem-B", "stem-C" } },
        { "m2", "Reversed, twice", "", { "stem-C", "stem-A", "stem-C", "stem-B" } },
        { "m3", "Skipped and unknown", "", { "stem-Empty", "stem-Nobody" } },
        { "m4", "Silence counts", "", { "stem-Silent", "stem-E" } },
    });

    const auto mixes = alternativeMixMembers (request);
    ASSERT_EQ (mixes.size(), 4u);

    const std::vector<std::vector<size_t>> expected { { 0, 1, 2 }, { 2, 0, 1 }, {}, { 6, 4 } };

    for (size_t m = 0; m < mixes.size(); ++m)
    {
        EXPECT_EQ (mixes[m].submixIndex, m);
        EXPECT_EQ (mixes[m].stems, expected[m]) << m;
    }

    auto off = request;
    off.preset.exportSettings.exportSubmixes = false;
    EXPECT_TRUE (alternativeMixMembers (off).empty());
}

TEST (AlternativeMixSums, EachMixIsTheSumOfItsMembersInItsOwnOrder)
{
    const struct
    {
        const char* name;
        std::vector<Submix> submixes;
        int mostWaiting;
    } cases[] {
        { "in stem order", { { "m1", "Low", "", { "stem-A", "stem-C", "stem-E" } },
                             { "m2", "High", "", { "stem-B", "stem-D" } } }, 0 },
        { "reversed", { { "m1", "Back", "", { "stem-E", "stem-D", "stem-C", "stem-B", "stem-A" } } }, 4 },
        { "two orders at once", { { "m1", "Up", "", { "stem-A", "stem-B", "stem-C", "stem-D" } },
                                  { "m2", "Mixed", "", { "stem-C", "stem-A", "stem-Silent", "stem-B" } } }, 2 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto request = requestWithMixes (c.submixes);
        const auto members = alternativeMixMembers (request);
        EXPECT_EQ (mostMembersWaiting (members, request.stems.size()), c.mostWaiting);

        // Stems as the writing step hands them over: noise, a silent buffer, in stem order.
        constexpr int frames = 1000;
        std::vector<juce::AudioBuffer<double>> stems;

        for (size_t s = 0; s < request.stems.size(); ++s)
        {
            juce::AudioBuffer<double> stem (2, frames);
            stem.clear();

            if (! request.stems[s].trackFiles.empty())
                stem.makeCopyOf (makeNoise (2, frames, 0.3f, (int) s));

            stems.push_back (std::move (stem));
        }

        RenderWorkers workers ({ 1, 0 });
        RenderBufferPool pool;
        AlternativeMixSums sums;
        size_t failed = 0;
        juce::String error;
        ASSERT_TRUE (sums.start (members, 2, frames, &pool, workers, failed, error)) << error;

        int mostHeld = 0;
        int taken = 0;

        for (size_t s = 0; s < stems.size(); ++s)
        {
            if (! isStemExported (request.stems[s]))
                continue;

            auto handed = stems[s];
            sums.addStem (s, handed);
            mostHeld = juce::jmax (mostHeld, sums.heldCount());
            taken += handed.getNumChannels() == 0 ? 1 : 0;
        }

        EXPECT_EQ (mostHeld, c.mostWaiting);
        EXPECT_EQ (sums.heldCount(), 0);

        // The same as one pass over every stem kept to the end.
        for (size_t m = 0; m < sums.size(); ++m)
        {
            ASSERT_TRUE (sums.isComplete (m));
            juce::AudioBuffer<double> expected;
            ASSERT_TRUE (prepareRenderBuffer (expected, 2, frames, error));

            for (auto s : members[m].stems)
                mixBufferInto (expected, stems[s]);

            for (int ch = 0; ch < 2; ++ch)
                EXPECT_EQ (std::memcmp (expected.getReadPointer (ch), sums.buffer (m).getReadPointer (ch),
                                        frames * sizeof (double)), 0) << m;
        }

        sums.release();
        EXPECT_EQ (pool.spareCount(), (int) members.size() + taken) << "every buffer went back to the pool";
    }
}

} // namespace
} // namespace korvid
