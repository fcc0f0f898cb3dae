#include "ReportDeliveries.h"

#include "core/audio/AudioMemoryBudget.h"
#include "core/render/RenderJob.h"
#include "core/render/RenderTestSupport.h"
#include "core/render/RenderWorkers.h"

#include <gtest/gtest.h>

#include <atomic>

namespace korvid::test
{

namespace
{
    using namespace rendertest;

    constexpr int takeFrames = 4800;   // a tenth of a second at the project rate

    juce::String fromUtf8 (const char* text)
    {
        return juce::String::fromUTF8 (text);
    }

    // The four stems get plain ids and short codes, so any name will do.
    Preset deliveryPreset (const DeliveryNames& names)
    {
        auto preset = makeRenderPreset (names.stems);
        preset.metadata.project = names.project;
        preset.exportSettings.fullMixName = names.fullMix;
        preset.exportSettings.requireDecisionOnUnassigned = false;

        for (size_t i = 0; i < preset.schema.stems.size(); ++i)
        {
            preset.schema.stems[i].id = "s" + juce::String ((int) i + 1);
            preset.schema.stems[i].shortCode = "S" + juce::String ((int) i + 1);
        }

        Submix alternative;
        alternative.id = "alt";
        alternative.name = names.alternativeMix;
        alternative.shortCode = "ALT";
        alternative.stems = { "s2", "s3" };
        preset.schema.submixes.push_back (alternative);
        return preset;
    }

    // One take for each of the first three stems; the second stem's is silent.
    std::vector<Track> cueTakes (const juce::File& folder, int seed)
    {
        std::vector<Track> tracks;

        for (int stem = 1; stem <= 3; ++stem)
        {
            const auto take = folder.getChildFile ("take" + juce::String (stem) + ".wav");
            auto audio = makeNoise (2, takeFrames, 0.2f, seed + stem);

            if (stem == 2)
                audio.clear();

            writeWav (take, audio);
            tracks.push_back (makeTrack (take, "s" + juce::String (stem)));
        }

        return tracks;
    }

    RenderRequest cueRequest (const Preset& preset, const DeliveryNames& names, int cue, const juce::File& folder,
                              std::vector<Track>& tracks)
    {
        tracks = cueTakes (folder.getChildFile ("Takes").getChildFile ("cue" + juce::String (cue + 1)), 10 * cue);

        auto request = planRequest (preset, tracks, folder.getChildFile ("Delivery").getChildFile ("cue" + juce::String (cue + 1)),
                                    names.cues[cue]);
        request.sourceFolder = names.cues[cue];
        request.unassignedTracks.add (names.strayTrack);
        return request;
    }
}

DeliveryNames ordinaryNames()
{
    return { "PRJ", { "Opening", "Finale" }, { "Drums", "Bass", "Strings", "Choir" },
             "Full Mix", "Underscore", "Click.wav" };
}

DeliveryNames hostileNames()
{
    const auto rightToLeftOverride = fromUtf8 ("\xe2\x80\xae");
    const auto longName = "Long " + juce::String::repeatedString ("stem", 73) + "end";   // 300 characters

    return {
        "P&amp;<i>",
        { "</title><script>document.title='owned'</script>",
          "$(touch owned); `id` | rm -rf ~ && echo \"$HOME\" > x; *?" },
        { "<img src=x onerror=\"document.title='owned'\">",
          "Strings" + rightToLeftOverride + "vaw.exe",
          longName,
          "\"Tom's\" & Jerry &amp; &lt;b&gt;" },
        fromUtf8 ("\xe2\x81\xa7Mix\xe2\x81\xa9 \xe2\x80\x8f" "and \xd8\x9c" "more"),
        "</bdi></td></tr></table><b class=owned>Alt",
        "<svg onload=alert(1)>" + rightToLeftOverride + "vaw.exe"
    };
}

BatchReport renderDelivery (const DeliveryNames& names, const juce::File& folder)
{
    const auto preset = deliveryPreset (names);
    std::vector<RenderRequest> requests;

    for (int cue = 0; cue < 2; ++cue)
    {
        std::vector<Track> tracks;
        requests.push_back (cueRequest (preset, names, cue, folder, tracks));
    }

    return RenderJob::runQueue (std::move (requests), {}, {});
}

BatchReport renderStoppedDelivery (const juce::File& folder)
{
    auto names = ordinaryNames();
    names.cues = { "Failed cue", "Cancelled cue" };
    const auto preset = deliveryPreset (names);

    std::vector<Track> failedTakes, cancelledTakes;
    std::vector<RenderRequest> requests;
    requests.push_back (cueRequest (preset, names, 0, folder, failedTakes));
    requests.push_back (cueRequest (preset, names, 1, folder, cancelledTakes));

    // Gone after planning: the render meets it while summing the third stem.
    failedTakes[2].file.deleteFile();

    std::atomic<bool> stop { false };
    const auto secondStemWriting = "Writing " + names.stems[1] + "...";

    // One worker, so the stop comes exactly between the first stem and the second.
    RenderWorkers oneWorker ({ 1, audioMemoryBudgetBytes() });

    return RenderJob::runQueue (std::move (requests), [&] { return stop.load(); },
                                [&] (double, const juce::String& text, RenderJob::Phase)
                                {
                                    if (text.startsWith ("[2/2]") && text.endsWith (secondStemWriting))
                                        stop = true;
                                },
                                oneWorker);
}

} // namespace korvid::test
