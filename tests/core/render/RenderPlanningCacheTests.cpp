#include "core/render/RenderPlanningCache.h"

#include "core/audio/AudioTestFiles.h"
#include "core/session/SessionTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace korvid;

namespace
{
    Track makeTrack (const juce::String& fileName, const juce::String& stemId, const juce::String& cueId, int channels = 2)
    {
        Track track;
        track.id = fileName;
        track.file = juce::File ("/tracks").getChildFile (cueId).getChildFile (fileName);
        track.info.sampleRate = 48000.0;
        track.info.numChannels = channels;
        track.info.lengthInSamples = 48000;
        track.cueId = cueId;
        track.stemId = stemId;
        return track;
    }

    Cue makeCue (const juce::String& name)
    {
        Cue cue;
        cue.id = "cue-" + name;
        cue.name = name;
        cue.relativeFolder = "Album/" + name;
        return cue;
    }

    struct Inputs
    {
        Preset preset;
        std::vector<Track> tracks;
        std::vector<Cue> cues;
    };

    // Three cues of three stems, one track left unassigned, one alternative mix.
    Inputs makeSession()
    {
        Inputs s;
        s.preset = test::makeTestPreset ({ test::makeTestStem ("Drums", { "drum" }), test::makeTestStem ("Bass", { "bass" }),
                                           test::makeTestStem ("Perc", { "perc" }) });
        s.preset.metadata.project = "PRJ";
        s.preset.schema.addSubmix ("No Drums");
        s.preset.schema.submixes[0].stems = { "stem-Bass", "stem-Perc" };

        for (const auto* name : { "1M01", "1M02", "1M03" })
        {
            s.cues.push_back (makeCue (name));
            s.tracks.push_back (makeTrack ("drums.wav", "stem-Drums", s.cues.back().id));
            s.tracks.push_back (makeTrack ("bass.wav", "stem-Bass", s.cues.back().id, 1));
        }

        s.tracks.push_back (makeTrack ("stray.wav", {}, s.cues.back().id));
        return s;
    }

    // Everything a plan holds that the run and the page read.
    juce::String describe (const RenderPlan& plan)
    {
        juce::StringArray lines { plan.issues.toText(), juce::String ((int) plan.ok), juce::String ((int) plan.multiCue) };

        for (const auto& planned : plan.requests)
        {
            const auto& request = planned.request;
            lines.add (request.cueId + " " + request.cueName + " " + request.outputFolder.getFullPathName() + " "
                       + request.preset.metadata.project + " " + request.preset.metadata.cue + " "
                       + juce::String (request.channels) + " " + juce::String (request.lengthFrames) + " "
                       + juce::String ((int) planned.usable) + " " + planned.issues.toText());

            for (const auto& submix : request.preset.schema.submixes)
                lines.add (submix.name + ": " + submix.stems.joinIntoString (","));

            for (const auto& stem : request.stems)
            {
                juce::StringArray files;

                for (const auto& file : stem.trackFiles)
                    files.add (file.getFullPathName());

                lines.add (stem.id + " " + stem.fileNameToken + " " + stem.namingTemplate + " "
                           + files.joinIntoString (","));
            }
        }

        return lines.joinIntoString ("\n");
    }

    // A request's findings but those of its tracks and of its folder among the other cues'.
    ValidationResult checkedFindings (const PlannedRequest& planned)
    {
        const auto keep = [] (const juce::String& finding)
        {
            return ! finding.startsWith ("This project mixes") && ! finding.contains ("same folder as another cue");
        };

        ValidationResult result;

        for (const auto& error : planned.issues.errors)
            if (keep (error))
                result.errors.add (error);

        for (const auto& warning : planned.issues.warnings)
            if (keep (warning))
                result.warnings.add (warning);

        return result;
    }
}

// The page plans again after every change through one cache: whatever the order of changes,
// each plan must be the one a plan from nothing gives, and each request must carry exactly the
// findings a full check of its own preset gives.
TEST (RenderPlanningCache, EveryPlanIsThePlanMadeFromNothing)
{
    test::TempFolder temp;
    using Step = std::function<void (Inputs&)>;

    const std::pair<const char*, Step> steps[] {
        { "as imported", [] (Inputs&) {} },
        { "a setting off the names", [] (Inputs& s) { s.preset.exportSettings.headroom.targetDb = -6.0; } },
        { "a second format naming its files like the first", [] (Inputs& s)
          {
              OutputFormat second;
              second.sampleFormat = SampleFormat::float32;
              second.dither = Dither::none;
              s.preset.exportSettings.formats = { s.preset.exportSettings.formats[0], second };
          } },
        { "the second format in a folder of its own", [] (Inputs& s) { s.preset.exportSettings.formats[1].subFolder = "F32"; } },
        { "a cue named so long that its names are cut alike", [] (Inputs& s)
          {
              s.cues[1].name = juce::String::repeatedString ("Long", 30);
          } },
        { "that cue named back", [] (Inputs& s) { s.cues[1].name = "1M02"; } },
        { "a cue named like another", [] (Inputs& s) { s.cues[2].name = "1M01"; } },
        { "a cue's own alternative mix without members", [] (Inputs& s)
          {
              s.cues[0].submixOverrides[s.preset.schema.submixes[0].id] = {};
          } },
        { "a stem's own template naming it like the full mix", [] (Inputs& s)
          {
              s.preset.schema.stems[1].namingTemplate = "{project}_{cue}_Full Mix";
          } },
        { "stems beside the mixes", [] (Inputs& s) { s.preset.exportSettings.stemsSubFolder = {}; } },
        { "a stem renamed", [] (Inputs& s) { s.preset.schema.stems[2].displayName = "Percussion"; } },
        { "a token that clashes with the alternative mix", [] (Inputs& s) { s.preset.schema.stems[2].fileNameToken = "No Drums"; } },
        { "the folder name going nowhere", [] (Inputs& s)
          {
              s.preset.exportSettings.batch.folderNameTarget = FolderNameTarget::none;
          } },
        { "the folder name going to the project", [] (Inputs& s)
          {
              s.preset.exportSettings.batch.folderNameTarget = FolderNameTarget::project;
          } },
        { "a track assigned elsewhere and a cue unticked", [] (Inputs& s)
          {
              s.tracks[0].stemId = "stem-Perc";
              s.cues[1].included = false;
          } },
        { "everything as imported again", [] (Inputs& s) { s = makeSession(); } },
    };

    for (const bool analysisOnly : { true, false })
    {
        auto session = makeSession();
        RenderPlanningCache cache;

        for (const auto& [name, change] : steps)
        {
            SCOPED_TRACE (name);
            change (session);

            const auto plan = cache.plan (session.preset, session.tracks, session.cues, temp.folder, analysisOnly);
            const auto fresh = buildRenderRequests (session.preset, session.tracks, session.cues, temp.folder, analysisOnly);
            EXPECT_EQ (describe (plan), describe (fresh));

            for (const auto& planned : plan.requests)
            {
                const auto expected = validateRenderRequest (planned.request);
                const auto found = checkedFindings (planned);
                EXPECT_EQ (found.errors, expected.errors) << planned.request.cueName;
                EXPECT_EQ (found.warnings, expected.warnings) << planned.request.cueName;
            }
        }
    }
}

TEST (RenderPlanningCache, ACancelledPlanIsEmpty)
{
    test::TempFolder temp;
    const auto session = makeSession();
    RenderPlanningCache cache;
    int asked = 0;

    const auto plan = cache.plan (session.preset, session.tracks, session.cues, temp.folder, true,
                                  [&asked] { return ++asked > 1; });

    EXPECT_TRUE (plan.requests.empty());
    EXPECT_FALSE (plan.ok);
    EXPECT_TRUE (plan.issues.errors.isEmpty());
}
