#include "core/model/Preset.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

using namespace korvid;

namespace
{
    Preset makePreset()
    {
        Preset preset;
        preset.id = "preset-1";
        preset.name = "Publisher X";
        preset.description = "Delivery rules";
        preset.schema.name = "Schema";
        preset.schema.publisher = "X";

        auto drums = Stem ("Drums", "DRM", 0xffd4623f, false, 10, { KeywordRule ("kick") }, {});
        drums.id = "drums";
        auto bass = Stem ("Bass", "BAS", 0xffb56acb, true, 20, { KeywordRule ("bass") }, { "bass drum" });
        bass.id = "bass";
        preset.schema.addStem (drums);
        preset.schema.addStem (bass);
        preset.schema.addSubmix ("No Bass");
        preset.schema.submixes[0].shortCode = "NB";
        preset.schema.setSubmixMember (preset.schema.submixes[0].id, "bass", false);

        OutputFormat flac;
        flac.codec = Codec::flac;
        flac.sampleRate = 44100.0;
        preset.exportSettings.formats.push_back (flac);
        preset.modifiedUtcMs = 1000;
        return preset;
    }
}

TEST (Preset, DefaultsAreTheDocumentedOnes)
{
    const Preset preset;
    EXPECT_EQ (preset.kind, PresetKind::publisher);
    EXPECT_FALSE (preset.isBuiltIn);
    EXPECT_TRUE (preset.schema.matchPlurals);
    EXPECT_EQ (preset.metadata.version, "v1");
    EXPECT_EQ (preset.modifiedUtcMs, 0);

    const auto& settings = preset.exportSettings;
    ASSERT_EQ (settings.formats.size(), 1u);
    const auto& format = settings.formats[0];
    EXPECT_TRUE (format.enabled);
    EXPECT_EQ (format.codec, Codec::wav);
    EXPECT_EQ (format.sampleFormat, SampleFormat::pcm24);
    EXPECT_EQ (format.sampleRate, 0.0);
    EXPECT_EQ (format.mp3Bitrate, 320);
    EXPECT_EQ (format.dither, Dither::tpdfShaped);

    EXPECT_EQ (settings.masterSampleRate, 48000.0);
    EXPECT_EQ (settings.headroom.targetDb, -3.0);
    EXPECT_EQ (settings.headroom.peakMode, PeakMode::truePeak);
    EXPECT_EQ (settings.headroom.truePeakOversampling, 4);
    EXPECT_EQ (settings.naming.stemTemplate, "{project}_{cue}_{stemIndex}_{stemName}");
    EXPECT_EQ (settings.naming.mixTemplate, "{project}_{cue}_{stemName}");
    EXPECT_EQ (settings.naming.numbering, Numbering::consecutiveExported);
    EXPECT_EQ (settings.naming.collisionPolicy, CollisionPolicy::incrementVersion);
    EXPECT_EQ (settings.batch.folderNameTarget, FolderNameTarget::cue);
    EXPECT_EQ (settings.batch.gainMode, GainScope::perTrack);
    EXPECT_EQ (settings.silenceGate.thresholdDb, -90.0);
    EXPECT_EQ (settings.silenceGate.floorDb, -400.0);
    EXPECT_EQ (settings.stemsSubFolder, "STEMS");
    EXPECT_EQ (settings.fullMixName, "Full Mix");
    EXPECT_EQ (settings.fullMixCode, "MIX");
    EXPECT_EQ (settings.fullMixIndex, 1);
    EXPECT_TRUE (settings.requireDecisionOnUnassigned);
}

TEST (Preset, EqualityNarrowAndFull)
{
    const auto nan = std::numeric_limits<double>::quiet_NaN();

    struct Case
    {
        const char* what;
        std::function<void (Preset&)> edit;
        bool equal;        // operator==
        bool fullyEqual;   // presetsFullyEqual
    };

    const std::vector<Case> cases {
        { "nothing",               [] (Preset&) {},                                                  true,  true },
        { "modification time",     [] (Preset& p) { p.modifiedUtcMs = 99; },                         true,  true },
        { "plural flag",           [] (Preset& p) { p.schema.matchPlurals = false; },                true,  false },
        { "mix name",              [] (Preset& p) { p.schema.submixes[0].name = "Other"; },          true,  false },
        { "mix id",                [] (Preset& p) { p.schema.submixes[0].id = "m"; },                true,  false },
        { "mix short code",        [] (Preset& p) { p.schema.submixes[0].shortCode = "nb"; },        true,  false },
        { "mix member added",      [] (Preset& p) { p.schema.submixes[0].stems.add ("bass"); },      true,  false },
        { "mix removed",           [] (Preset& p) { p.schema.submixes.clear(); },                    true,  false },
        { "name letter case",      [] (Preset& p) { p.name = "publisher x"; },                       false, false },
        { "description",           [] (Preset& p) { p.description << " "; },                         false, false },
        { "kind",                  [] (Preset& p) { p.kind = PresetKind::project; },                 false, false },
        { "based-on name",         [] (Preset& p) { p.basedOnPresetName = "Y"; },                    false, false },
        { "built-in flag",         [] (Preset& p) { p.isBuiltIn = true; },                           false, false },
        { "schema description",    [] (Preset& p) { p.schema.description = "d"; },                   false, false },
        { "stem colour",           [] (Preset& p) { p.schema.stems[1].colour = 0xff000000; },        false, false },
        { "stem order",            [] (Preset& p) { p.schema.moveStem ("bass", 0); },                false, false },
        { "metadata version case", [] (Preset& p) { p.metadata.version = "V1"; },                    false, false },
        { "master rate +0.3 Hz",   [] (Preset& p) { p.exportSettings.masterSampleRate = 48000.3; },  true,  true },
        { "master rate +0.6 Hz",   [] (Preset& p) { p.exportSettings.masterSampleRate = 48000.6; },  false, false },
        { "format rate +0.4 Hz",   [] (Preset& p) { p.exportSettings.formats[1].sampleRate = 44100.4; }, true, true },
        { "format sub-folder",     [] (Preset& p) { p.exportSettings.formats[1].subFolder = "flac"; }, false, false },
        { "format removed",        [] (Preset& p) { p.exportSettings.formats.pop_back(); },          false, false },
        { "target within 1e-10",   [] (Preset& p) { p.exportSettings.headroom.targetDb = -3.0 + 1.0e-10; }, true, true },
        { "target -3.0000001",     [] (Preset& p) { p.exportSettings.headroom.targetDb = -3.0000001; }, false, false },
        { "oversampling",          [] (Preset& p) { p.exportSettings.headroom.truePeakOversampling = 8; }, false, false },
        { "separator",             [] (Preset& p) { p.exportSettings.naming.separator = "-"; },      false, false },
        { "batch gain scope",      [] (Preset& p) { p.exportSettings.batch.gainMode = GainScope::sharedAcrossBatch; }, false, false },
        { "gate fade-in",          [] (Preset& p) { p.exportSettings.silenceGate.fadeInSeconds = 0.2; }, false, false },
        { "full mix index",        [] (Preset& p) { p.exportSettings.fullMixIndex = 0; },            false, false },
        { "unassigned decision",   [] (Preset& p) { p.exportSettings.requireDecisionOnUnassigned = false; }, false, false },
    };

    const auto base = makePreset();

    for (const auto& c : cases)
    {
        auto other = base;
        c.edit (other);
        EXPECT_EQ (base == other, c.equal) << c.what;
        EXPECT_EQ (other == base, c.equal) << c.what;
        EXPECT_EQ (presetsFullyEqual (base, other), c.fullyEqual) << c.what;
    }

    // A NaN in the gate never equals itself, so such settings always count as changed.
    auto a = base;
    a.exportSettings.silenceGate.thresholdDb = nan;
    EXPECT_FALSE (a == a);
    EXPECT_FALSE (a.exportSettings == a.exportSettings);
}

TEST (Preset, MetadataEqualityIsExact)
{
    PresetMetadata a, b;
    EXPECT_TRUE (a == b);
    b.composer = "A. Composer";
    EXPECT_FALSE (a == b);
    a.composer = "a. composer";
    EXPECT_FALSE (a == b);
    a.composer = b.composer;
    EXPECT_TRUE (a == b);
}

TEST (Preset, DuplicateGivesFreshIdsAndRemapsMixMembers)
{
    auto source = makePreset();
    source.isBuiltIn = true;
    source.name = "Built In ";
    source.schema.submixes[0].stems = { "bass", "ghost", "drums" };
    const auto mixId = source.schema.submixes[0].id;

    const auto before = juce::Time::currentTimeMillis();
    const auto copy = source.duplicate ("   ", PresetKind::publisher);

    EXPECT_EQ (copy.name, "Built In  copy");   // the source name is kept untrimmed
    EXPECT_FALSE (copy.isBuiltIn);
    EXPECT_EQ (copy.id.length(), 36);
    EXPECT_GE (copy.modifiedUtcMs, before);
    EXPECT_EQ (copy.basedOnPresetId, "");

    ASSERT_EQ (copy.schema.stems.size(), 2u);
    const auto newDrums = copy.schema.stems[0].id;
    const auto newBass = copy.schema.stems[1].id;
    EXPECT_NE (newDrums, "drums");
    EXPECT_NE (newBass, "bass");
    EXPECT_NE (newDrums, newBass);
    EXPECT_EQ (copy.schema.stems[0].displayName, "Drums");

    ASSERT_EQ (copy.schema.submixes.size(), 1u);
    EXPECT_EQ (copy.schema.submixes[0].id, mixId);
    EXPECT_EQ (copy.schema.submixes[0].stems, juce::StringArray (newBass, newDrums));

    // The source is untouched.
    EXPECT_EQ (source.schema.stems[0].id, "drums");
    EXPECT_EQ (source.schema.submixes[0].stems, juce::StringArray ({ "bass", "ghost", "drums" }));

    EXPECT_EQ (source.duplicate ("  Fresh name  ", PresetKind::publisher).name, "Fresh name");
    EXPECT_NE (source.duplicate ({}, PresetKind::publisher).id, copy.id);
}

TEST (Preset, CopyUnderNewIdKeepsStemAndMixIds)
{
    auto source = makePreset();
    source.isBuiltIn = true;
    source.schema.submixes[0].stems = { "bass", "drums" };

    const auto copy = source.copyUnderNewId (" Copy ", PresetKind::project);
    EXPECT_NE (copy.id, source.id);
    EXPECT_EQ (copy.name, "Copy");
    EXPECT_EQ (copy.kind, PresetKind::project);
    EXPECT_FALSE (copy.isBuiltIn);
    EXPECT_EQ (copy.basedOnPresetId, source.id);
    EXPECT_EQ (copy.schema.stems[0].id, "drums");
    EXPECT_EQ (copy.schema.stems[1].id, "bass");
    EXPECT_EQ (copy.schema.submixes[0], source.schema.submixes[0]);
}

TEST (Preset, DuplicateRecordsTheSourceOnlyFromPublisherToProject)
{
    auto publisher = makePreset();
    publisher.basedOnPresetId = "older";
    publisher.basedOnPresetName = "Older";

    const auto project = publisher.duplicate ("Film", PresetKind::project);
    EXPECT_EQ (project.kind, PresetKind::project);
    EXPECT_EQ (project.basedOnPresetId, "preset-1");
    EXPECT_EQ (project.basedOnPresetName, "Publisher X");

    const auto projectCopy = project.duplicate ("Film 2", PresetKind::project);
    EXPECT_EQ (projectCopy.basedOnPresetId, "preset-1");
    EXPECT_EQ (projectCopy.basedOnPresetName, "Publisher X");

    const auto publisherCopy = publisher.duplicate ("Other", PresetKind::publisher);
    EXPECT_EQ (publisherCopy.basedOnPresetId, "older");
    EXPECT_EQ (publisherCopy.basedOnPresetName, "Older");

    const auto backToPublisher = project.duplicate ("Again", PresetKind::publisher);
    EXPECT_EQ (backToPublisher.kind, PresetKind::publisher);
    EXPECT_EQ (backToPublisher.basedOnPresetId, "preset-1");
}

TEST (Preset, MarkModifiedNowUsesTheClock)
{
    Preset preset;
    const auto before = juce::Time::currentTimeMillis();
    preset.markModifiedNow();
    EXPECT_GE (preset.modifiedUtcMs, before);
    EXPECT_LE (preset.modifiedUtcMs, juce::Time::currentTimeMillis());
}
