#include "core/render/RenderPlanning.h"

#include "core/model/BuiltInPresets.h"

#include "core/audio/AudioTestFiles.h"
#include "core/session/SessionTestSupport.h"

#include <gtest/gtest.h>

using namespace korvid;

namespace
{
    const juce::String monoWarning = "This project mixes mono and multi-channel tracks. "
                                     "Mono tracks are copied to every channel at unity gain.";
    const juce::String nothingToRender = "There is nothing to render: every track is empty or unusable.";
    const juce::String noStemHasTracks = "No stem has any track assigned to it.";
    const juce::String unassignedMessage = "1 track(s) are still unassigned and the preset requires an explicit decision.";

    // Planning reads only the track records, so no audio file has to exist.
    Track makeTrack (const juce::String& fileName, const juce::String& stemId, int channels = 2,
                     double rate = 48000.0, juce::int64 frames = 48000, const juce::String& cueId = {},
                     const juce::String& error = {})
    {
        Track track;
        track.id = fileName;
        track.file = juce::File ("/tracks").getChildFile (fileName);
        track.info.sampleRate = rate;
        track.info.numChannels = channels;
        track.info.lengthInSamples = frames;
        track.cueId = cueId;
        track.stemId = stemId;
        track.error = error;
        return track;
    }

    Preset makePreset()
    {
        auto preset = test::makeTestPreset ({ test::makeTestStem ("Drums", { "drum" }),
                                              test::makeTestStem ("Bass", { "bass" }) });
        preset.exportSettings.emptyStemPolicy = EmptyPolicy::skip;
        preset.exportSettings.requireDecisionOnUnassigned = false;
        return preset;
    }

    Cue makeCue (const juce::String& name, const juce::String& relativeFolder = {}, bool included = true)
    {
        Cue cue;
        cue.id = "cue-" + relativeFolder + "/" + name;
        cue.name = name;
        cue.relativeFolder = relativeFolder;
        cue.included = included;
        return cue;
    }
}

TEST (RenderPlanning, ChannelsAndLengthComeFromUsableAssignedTracks)
{
    test::TempFolder temp;

    const struct
    {
        const char* name;
        std::vector<Track> tracks;
        int channels;
        juce::int64 lengthFrames;
        bool monoWarning;
    } cases[] {
        { "44.1 kHz track in a 48 kHz project", { makeTrack ("a.wav", "stem-Drums", 2, 44100.0, 44100) }, 2, 48000, false },
        { "rounded up", { makeTrack ("a.wav", "stem-Drums", 2, 44100.0, 44101) }, 2, 48002, false },
        { "longest at the project rate",
          { makeTrack ("a.wav", "stem-Drums", 2, 96000.0, 150000), makeTrack ("b.wav", "stem-Bass", 2, 48000.0, 70000) },
          2, 75000, false },
        { "mono and stereo assigned",
          { makeTrack ("a.wav", "stem-Drums", 1), makeTrack ("b.wav", "stem-Bass", 2) }, 2, 48000, true },
        { "only the mono one assigned",
          { makeTrack ("a.wav", "stem-Drums", 1, 48000.0, 1000), makeTrack ("b.wav", {}, 2, 48000.0, 99000) },
          1, 1000, false },
        { "unreadable stereo track ignored",
          { makeTrack ("a.wav", "stem-Drums", 1), makeTrack ("b.wav", "stem-Bass", 6, 48000.0, 96000, {}, "Broken.") },
          1, 48000, false },
        { "six channels", { makeTrack ("a.wav", "stem-Drums", 6) }, 6, 48000, false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto planned = makeRenderRequest (makePreset(), c.tracks, temp.folder, false);

        EXPECT_EQ (planned.request.channels, c.channels);
        EXPECT_EQ (planned.request.lengthFrames, c.lengthFrames);
        EXPECT_EQ (planned.request.sampleRate, 48000.0);
        EXPECT_EQ (planned.issues.warnings.contains (monoWarning), c.monoWarning);
    }
}

TEST (RenderPlanning, UnreadableOnlyTrackLeavesNothingToRender)
{
    test::TempFolder temp;
    const auto planned = makeRenderRequest (makePreset(),
                                            { makeTrack ("broken.wav", "stem-Drums", 2, 48000.0, 0, {}, "Not audio."),
                                              makeTrack ("empty.wav", "stem-Bass", 2, 48000.0, 0) },
                                            temp.folder, false);

    EXPECT_FALSE (planned.usable);
    EXPECT_EQ (planned.request.channels, 1);
    EXPECT_EQ (planned.request.lengthFrames, 0);
    EXPECT_TRUE (planned.issues.warnings.contains ("'broken.wav' could not be read and is excluded: Not audio."));
    EXPECT_TRUE (planned.issues.warnings.contains ("'empty.wav' could not be read and is excluded: "));
    EXPECT_TRUE (planned.issues.errors.contains (nothingToRender));
    EXPECT_TRUE (planned.issues.errors.contains (noStemHasTracks));
    EXPECT_TRUE (planned.request.unassignedTracks.isEmpty());
}

TEST (RenderPlanning, MoreThan2048TracksStopsAtOnce)
{
    std::vector<Track> tracks;

    for (int i = 0; i < 2049; ++i)
        tracks.push_back (makeTrack ("t" + juce::String (i) + ".wav", "stem-Drums"));

    // No output folder: its check would add an error if any later check ran.
    const auto planned = makeRenderRequest (makePreset(), tracks, {}, false);

    EXPECT_FALSE (planned.usable);
    EXPECT_EQ (planned.issues.errors, juce::StringArray ("This project has more than 2048 tracks."));
    EXPECT_TRUE (planned.issues.warnings.isEmpty());
    EXPECT_TRUE (planned.request.stems.empty());

    tracks.pop_back();
    EXPECT_TRUE (makeRenderRequest (makePreset(), tracks, {}, true).usable);
}

TEST (RenderPlanning, RequestStemsCarryPolicyTemplateAndTracks)
{
    test::TempFolder temp;
    auto preset = makePreset();
    preset.exportSettings.emptyStemPolicy = EmptyPolicy::exportSilence;
    preset.exportSettings.naming.stemTemplate = "{cue}_{stemName}";
    auto& bass = preset.schema.stems[1];
    bass.emptyPolicy = EmptyPolicy::skip;
    bass.namingTemplate = "  {stemCode}  ";
    bass.fileNameToken = "LowEnd";

    const auto planned = makeRenderRequest (preset,
                                            { makeTrack ("b2.wav", "stem-Bass"), makeTrack ("d.wav", "stem-Drums"),
                                              makeTrack ("b1.wav", "stem-Bass"), makeTrack ("x.wav", "stem-Gone") },
                                            temp.folder, false);

    ASSERT_EQ (planned.request.stems.size(), 2u);
    const auto& drums = planned.request.stems[0];
    const auto& low = planned.request.stems[1];

    EXPECT_EQ (drums.id, "stem-Drums");
    EXPECT_EQ (drums.index, 1);
    EXPECT_EQ (drums.emptyPolicy, EmptyPolicy::exportSilence);
    EXPECT_EQ (drums.namingTemplate, "{cue}_{stemName}");
    EXPECT_EQ (drums.fileNameToken, "Drums");
    EXPECT_EQ (low.index, 2);
    EXPECT_EQ (low.shortCode, "BAS");
    EXPECT_EQ (low.emptyPolicy, EmptyPolicy::skip);
    EXPECT_EQ (low.namingTemplate, "{stemCode}");
    EXPECT_EQ (low.fileNameToken, "LowEnd");
    ASSERT_EQ (low.trackFiles.size(), 2u);
    EXPECT_EQ (low.trackFiles[0].getFileName(), "b2.wav");
    EXPECT_EQ (low.trackFiles[1].getFileName(), "b1.wav");
    EXPECT_EQ (planned.request.outputFolder, temp.folder);
}

TEST (RenderPlanning, EmptyAndUnassignedStemsUnderEachPolicy)
{
    const juce::String bassIsEmpty = "Stem 'Bass' is empty and the preset says that is an error.";

    const struct
    {
        const char* name;
        EmptyPolicy presetPolicy;
        std::optional<EmptyPolicy> bassPolicy;
        bool requireDecision;
        bool analysisOnly;
        bool usable;
        juce::StringArray errors;
        juce::StringArray warnings;
    } cases[] {
        { "skip", EmptyPolicy::skip, {}, false, false, true, {}, {} },
        { "silence", EmptyPolicy::exportSilence, {}, false, false, true, {}, {} },
        { "fail", EmptyPolicy::failExport, {}, false, false, false, { bassIsEmpty }, {} },
        { "fail also for analysis", EmptyPolicy::failExport, {}, false, true, false, { bassIsEmpty }, {} },
        { "stem's own fail wins", EmptyPolicy::skip, EmptyPolicy::failExport, false, false, false, { bassIsEmpty }, {} },
        { "stem's own skip wins", EmptyPolicy::failExport, EmptyPolicy::skip, false, false, true, {}, {} },
        { "unassigned needs a decision", EmptyPolicy::skip, {}, true, false, false, { unassignedMessage }, {} },
        { "analysis only warns", EmptyPolicy::skip, {}, true, true, true, {}, { unassignedMessage } },
        { "both findings", EmptyPolicy::failExport, {}, true, false, false, { bassIsEmpty, unassignedMessage }, {} },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        test::TempFolder temp;
        auto preset = makePreset();
        preset.exportSettings.emptyStemPolicy = c.presetPolicy;
        preset.exportSettings.requireDecisionOnUnassigned = c.requireDecision;
        preset.schema.stems[1].emptyPolicy = c.bassPolicy;

        const auto planned = makeRenderRequest (preset,
                                                { makeTrack ("drums.wav", "stem-Drums"), makeTrack ("loose.wav", {}),
                                                  makeTrack ("bad.wav", {}, 2, 48000.0, 0, {}, "Bad.") },
                                                temp.folder, c.analysisOnly);

        EXPECT_EQ (planned.usable, c.usable);
        EXPECT_EQ (planned.issues.errors, c.errors);
        auto expectedWarnings = juce::StringArray ("'bad.wav' could not be read and is excluded: Bad.");
        expectedWarnings.addArray (c.warnings);
        EXPECT_EQ (planned.issues.warnings, expectedWarnings);
        EXPECT_EQ (planned.request.unassignedTracks, juce::StringArray ("loose.wav"));
        EXPECT_EQ (validateRenderRequest (planned.request).errors, c.errors);
    }
}

TEST (RenderPlanning, ValidationRefusesBrokenRequests)
{
    test::TempFolder temp;
    const auto base = makeRenderRequest (makePreset(), { makeTrack ("d.wav", "stem-Drums") }, temp.folder, false).request;
    ASSERT_TRUE (validateRenderRequest (base).isValid());

    const struct
    {
        const char* name;
        std::function<void (RenderRequest&)> change;
        juce::String error;
    } cases[] {
        { "no channels", [] (RenderRequest& r) { r.channels = 0; }, "Unsupported channel count for this project: 0." },
        { "65 channels", [] (RenderRequest& r) { r.channels = 65; }, "Unsupported channel count for this project: 65." },
        { "too long", [] (RenderRequest& r) { r.lengthFrames = 1000000001; },
          "This project is longer than Velvane can render in one pass." },
        { "no stems", [] (RenderRequest& r) { r.preset.schema.stems.clear(); r.stems.clear(); },
          "This preset has no stems, so there is nothing to deliver. Add the stems your publisher asks for in step 2." },
        { "no output folder", [] (RenderRequest& r) { r.outputFolder = juce::File(); }, "No output folder has been chosen." },
        { "output folder is a file", [&temp] (RenderRequest& r) { r.outputFolder = temp.file ("f.txt"); r.outputFolder.replaceWithText ("x"); },
          "The output folder is an existing file." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto request = base;
        c.change (request);
        EXPECT_TRUE (validateRenderRequest (request).errors.contains (c.error));
    }

    // Analysis writes nothing, so the folder does not matter.
    auto analysis = base;
    analysis.outputFolder = juce::File();
    analysis.analysisOnly = true;
    EXPECT_TRUE (validateRenderRequest (analysis).isValid());
}

TEST (RenderPlanning, CueFolderClashes)
{
    const juce::String clashText = "' would be written into the same folder as another cue. Give it a different name, "
                                   "turn on 'mirror the source folder structure', or import the cues separately.";

    struct CueLayout { const char* name; const char* relativeFolder; };

    const struct
    {
        const char* name;
        std::vector<CueLayout> cues;
        bool mirror;
        bool folderPerCue;
        bool analysisOnly;
        std::vector<bool> clashes;
    } cases[] {
        { "same names", { { "Intro", "A" }, { "Intro", "B" } }, false, true, false, { false, true } },
        { "same names, analysis", { { "Intro", "A" }, { "Intro", "B" } }, false, true, true, { false, true } },
        { "letter case", { { "Intro", "A" }, { "intro", "B" } }, false, true, false, { false, true } },
        { "different names", { { "Intro", "A" }, { "Outro", "B" } }, false, true, false, { false, false } },
        { "mirrored apart", { { "Intro", "A/Intro" }, { "Intro", "B/Intro" } }, true, true, false, { false, false } },
        { "all in the export folder", { { "One", "A" }, { "Two", "B" }, { "Three", "C" } }, false, false, false,
          { false, true, true } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        test::TempFolder temp;
        auto preset = makePreset();
        preset.exportSettings.batch.mirrorFolderStructure = c.mirror;
        preset.exportSettings.batch.folderPerCue = c.folderPerCue;

        std::vector<Cue> cues;
        std::vector<Track> tracks;

        for (const auto& layout : c.cues)
        {
            cues.push_back (makeCue (layout.name, layout.relativeFolder));
            tracks.push_back (makeTrack (juce::String (layout.relativeFolder) + ".wav", "stem-Drums", 2, 48000.0, 48000,
                                         cues.back().id));
        }

        const auto plan = buildRenderRequests (preset, tracks, cues, temp.folder, c.analysisOnly);
        ASSERT_EQ (plan.requests.size(), c.cues.size());
        EXPECT_TRUE (plan.multiCue);

        bool anyClash = false;
        int clashCount = 0;

        for (size_t i = 0; i < c.cues.size(); ++i)
        {
            const auto& planned = plan.requests[i];
            const auto message = "'" + juce::String (c.cues[i].name) + clashText;
            const auto& clashList = c.analysisOnly ? planned.issues.warnings : planned.issues.errors;
            const auto& planList = c.analysisOnly ? plan.issues.warnings : plan.issues.errors;
            EXPECT_EQ (clashList.contains (message), c.clashes[i]) << i;
            if (c.clashes[i])
            {
                EXPECT_TRUE (planList.contains (juce::String (c.cues[i].name) + ": " + message)) << i;
            }

            EXPECT_EQ (planned.usable, c.analysisOnly || ! c.clashes[i]) << i;
            anyClash = anyClash || c.clashes[i];
            clashCount += c.clashes[i] ? 1 : 0;
        }

        const auto& planList = c.analysisOnly ? plan.issues.warnings : plan.issues.errors;
        int listed = 0;

        for (const auto& message : planList)
            listed += message.contains (clashText) ? 1 : 0;

        EXPECT_EQ (listed, clashCount);

        EXPECT_EQ (plan.ok, c.analysisOnly || ! anyClash);
    }
}

TEST (RenderPlanning, UntickedAndTracklessCues)
{
    const juce::String allUnticked = "Every cue is unticked, so there is nothing to write. Tick at least one in the list below.";

    const struct
    {
        const char* name;
        std::vector<bool> included;
        std::vector<bool> hasTracks;
        size_t requests;
        juce::StringArray errors;
    } cases[] {
        { "two unticked", { false, false }, { true, true }, 0, { allUnticked } },
        { "ticked without tracks", { true }, { false }, 0, { "No cue has any usable track." } },
        { "unticked and ticked without tracks", { false, true }, { true, false }, 0, { "No cue has any usable track." } },
        { "one of two ticked", { false, true }, { true, true }, 1, {} },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        test::TempFolder temp;
        std::vector<Cue> cues;
        std::vector<Track> tracks;

        for (size_t i = 0; i < c.included.size(); ++i)
        {
            cues.push_back (makeCue ("Cue " + juce::String ((int) i), "F" + juce::String ((int) i), c.included[i]));

            if (c.hasTracks[i])
                tracks.push_back (makeTrack ("t" + juce::String ((int) i) + ".wav", "stem-Drums", 2, 48000.0, 48000,
                                             cues.back().id));
        }

        const auto plan = buildRenderRequests (makePreset(), tracks, cues, temp.folder, false);

        EXPECT_EQ (plan.requests.size(), c.requests);
        EXPECT_EQ (plan.issues.errors, c.errors);
        EXPECT_EQ (plan.ok, c.requests > 0);
        EXPECT_EQ (plan.multiCue, c.included.size() >= 2);
    }
}

TEST (RenderPlanning, CueRequestsCarryTheCue)
{
    test::TempFolder temp;
    auto preset = makePreset();
    preset.metadata.cue = "Preset cue";
    preset.metadata.project = "Preset project";
    preset.schema.addSubmix ("No Drums");
    auto& noDrums = preset.schema.submixes[0];
    preset.exportSettings.batch.mirrorFolderStructure = true;

    auto intro = makeCue ("Intro", "Album/Intro");
    intro.trimStartSeconds = 2.5;
    intro.submixOverrides[noDrums.id] = juce::StringArray ("stem-Bass");
    auto outro = makeCue ("Outro", "Album/Outro");

    const std::vector<Track> tracks { makeTrack ("i.wav", "stem-Drums", 2, 48000.0, 48000, intro.id),
                                      makeTrack ("o.wav", "stem-Bass", 1, 48000.0, 96000, outro.id),
                                      makeTrack ("stray.wav", "stem-Bass", 2, 48000.0, 999999, "other-cue") };

    const struct { FolderNameTarget target; const char* cue; const char* project; } cases[] {
        { FolderNameTarget::cue, "Intro", "Preset project" },
        { FolderNameTarget::project, "Preset cue", "Intro" },
        { FolderNameTarget::none, "Preset cue", "Preset project" },
    };

    for (const auto& c : cases)
    {
        preset.exportSettings.batch.folderNameTarget = c.target;
        const auto plan = buildRenderRequests (preset, tracks, { intro, outro }, temp.folder, false);

        ASSERT_EQ (plan.requests.size(), 2u);
        EXPECT_TRUE (plan.ok) << plan.issues.toText();
        const auto& first = plan.requests[0].request;

        EXPECT_EQ (first.preset.metadata.cue, c.cue);
        EXPECT_EQ (first.preset.metadata.project, c.project);
        EXPECT_EQ (first.cueName, "Intro");
        EXPECT_EQ (first.cueId, intro.id);
        EXPECT_EQ (first.sourceFolder, "Album/Intro");
        EXPECT_EQ (first.trimStartSeconds, 2.5);
        EXPECT_EQ (first.outputFolder, cueOutputFolder (intro, temp.folder, true, true));
        EXPECT_EQ (first.lengthFrames, 48000);
        EXPECT_EQ (first.preset.schema.submixes[0].stems, juce::StringArray ("stem-Bass"));

        const auto& second = plan.requests[1].request;
        EXPECT_EQ (second.lengthFrames, 96000);
        EXPECT_EQ (second.channels, 1);
        EXPECT_EQ (second.preset.schema.submixes[0].stems, noDrums.stems);
        EXPECT_EQ (second.trimStartSeconds, 0.0);
    }
}

TEST (RenderPlanning, ACueExceptionNamingADeletedStemIsPassedOver)
{
    test::TempFolder temp;
    auto preset = makePreset();
    const auto mixId = preset.schema.addSubmix ("No Drums");
    const auto drumsId = preset.schema.stems[0].id;
    const auto bassId = preset.schema.stems[1].id;

    auto cue = makeCue ("Intro");
    cue.submixOverrides[mixId] = juce::StringArray (bassId, drumsId, "stem-gone");
    ASSERT_TRUE (preset.schema.removeStem (drumsId));

    const std::vector<Track> tracks { makeTrack ("b.wav", bassId, 2, 48000.0, 48000, cue.id) };
    const auto plan = buildRenderRequests (preset, tracks, { cue }, temp.folder, false);

    ASSERT_EQ (plan.requests.size(), 1u);
    EXPECT_TRUE (plan.ok) << plan.issues.toText();
    EXPECT_TRUE (plan.issues.errors.isEmpty()) << plan.issues.toText();
    EXPECT_EQ (plan.requests[0].request.preset.schema.submixes[0].stems, juce::StringArray (bassId));

    // The cue's own list is left as it was.
    EXPECT_EQ (cue.submixOverrides[mixId].size(), 3);
}

TEST (RenderPlanning, WithoutCuesOneRequestCoversTheProject)
{
    test::TempFolder temp;
    auto preset = makePreset();
    preset.exportSettings.requireDecisionOnUnassigned = true;

    const auto plan = buildRenderRequests (preset,
                                           { makeTrack ("a.wav", "stem-Drums", 2, 48000.0, 48000, "x"),
                                             makeTrack ("b.wav", {}, 2, 48000.0, 48000, "y") },
                                           {}, temp.folder, false);

    ASSERT_EQ (plan.requests.size(), 1u);
    EXPECT_FALSE (plan.multiCue);
    EXPECT_FALSE (plan.ok);
    EXPECT_EQ (plan.requests[0].request.outputFolder, temp.folder);
    EXPECT_TRUE (plan.requests[0].request.cueName.isEmpty());
    EXPECT_EQ (plan.issues.errors, juce::StringArray (unassignedMessage));
}

TEST (RenderPlanning, ASecondFormatNamingItsFilesLikeTheFirstStopsTheRun)
{
    test::TempFolder temp;
    auto preset = makeHybridOrchestraExamplePreset();
    ASSERT_EQ (preset.exportSettings.formats.size(), 2u);
    preset.exportSettings.formats[1].enabled = true;   // 32-bit float WAV beside 24-bit, in one folder

    auto cue = makeCue ("1M01");
    const std::vector<Track> tracks { makeTrack ("a.wav", preset.schema.stems[0].id, 2, 48000.0, 48000, cue.id) };
    const auto sentence = "1M01: The first and second output formats (WAV 24-bit, WAV 32-bit float) would give their "
                          "files the same names in one folder. Give one of them a sub-folder of its own.";

    const auto plan = buildRenderRequests (preset, tracks, { cue }, temp.folder, false);
    EXPECT_FALSE (plan.ok);
    EXPECT_TRUE (plan.issues.errors.contains (sentence)) << plan.issues.toText();

    preset.exportSettings.formats[1].subFolder = "Float";
    EXPECT_FALSE (buildRenderRequests (preset, tracks, { cue }, temp.folder, false).issues.errors.contains (sentence));
}
