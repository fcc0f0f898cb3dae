#include "core/render/OutputFiles.h"

#include "core/audio/AudioReading.h"
#include "core/audio/AudioTestFiles.h"
#include "core/audio/Resampler.h"
#include "core/model/CodecCapabilities.h"
#include "core/session/SessionTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace korvid;

namespace
{
    constexpr int testFrames = 4800;

    juce::AudioBuffer<double> constantBuffer (double value, int channels = 2, int frames = testFrames)
    {
        juce::AudioBuffer<double> buffer (channels, frames);

        for (int ch = 0; ch < channels; ++ch)
            juce::FloatVectorOperations::fill (buffer.getWritePointer (ch), value, frames);

        return buffer;
    }

    OutputFormat floatWav (const juce::String& subFolder = {}, bool enabled = true)
    {
        OutputFormat format;
        format.enabled = enabled;
        format.codec = Codec::wav;
        format.sampleFormat = SampleFormat::float32;
        format.dither = Dither::none;
        format.subFolder = subFolder;
        return format;
    }

    OutputFormat withCodec (OutputFormat format, Codec codec, SampleFormat sampleFormat = SampleFormat::pcm24)
    {
        format.codec = codec;
        format.sampleFormat = sampleFormat;
        return format;
    }

    // One cue's writing state around a hand-made request: 48 kHz stereo, project "PRJ",
    // cue "Intro", float WAV without sub-folders, written below <temp>/Cue.
    struct Delivery
    {
        Delivery()
        {
            request.preset = test::makeTestPreset ({ test::makeTestStem ("Drums", {}), test::makeTestStem ("Bass", {}),
                                                     test::makeTestStem ("Keys", {}) });
            auto& settings = request.preset.exportSettings;
            settings.formats = { floatWav() };
            settings.stemsSubFolder = {};
            request.preset.metadata.project = "PRJ";
            request.preset.metadata.cue = "Intro";
            request.outputFolder = temp.file ("Cue");
            request.outputFolder.createDirectory();
            request.channels = 2;
            request.sampleRate = 48000.0;
            request.lengthFrames = testFrames;
        }

        ExportSettings& settings() { return request.preset.exportSettings; }

        CueOutput output() { return { request, report, writtenPaths, cancel }; }

        bool writeStem (const juce::AudioBuffer<double>& buffer, const juce::String& label = "Drums", int index = 1,
                        const juce::String& token = "Drums")
        {
            return writeOutputFile (output(), buffer, settings().naming.stemTemplate, token, "DRU", index, label,
                                    FileKind::stem, -400.0, false);
        }

        // The report's files, relative to the temporary folder.
        juce::StringArray listedFiles() const
        {
            juce::StringArray paths;

            for (const auto& written : report.files)
                paths.add (written.file.getRelativePathFrom (temp.folder).replaceCharacter ('\\', '/'));

            return paths;
        }

        test::TempFolder temp;
        RenderRequest request;
        CueReport report;
        juce::StringArray writtenPaths;
        CancelTest cancel;
    };

    juce::AudioBuffer<double> readBack (const juce::File& file)
    {
        juce::AudioBuffer<double> buffer;
        juce::String error;
        readWholeAudioFile (file, buffer, error);
        return buffer;
    }

    double firstSample (const juce::File& file)
    {
        const auto buffer = readBack (file);
        return buffer.getNumChannels() > 0 && buffer.getNumSamples() > 0 ? buffer.getSample (0, 0) : -1.0;
    }
}

TEST (OutputFiles, FileIndicesFollowTheNumbering)
{
    const struct
    {
        const char* name;
        Numbering numbering;
        bool mixesFirst;
        bool fullMix;
        bool submixes;
        int fullMixIndex;
        std::vector<int> expected;
    } cases[] {
        { "consecutive", Numbering::consecutiveExported, false, true, true, 1, { 1, 0, 2, 3, 4 } },
        { "mixes first", Numbering::consecutiveExported, true, true, true, 1, { 5, 0, 6, 7, 8 } },
        { "mixes first, no submixes", Numbering::consecutiveExported, true, true, false, 1, { 2, 0, 3, 4, 5 } },
        { "mixes first, no full mix", Numbering::consecutiveExported, true, false, true, 1, { 1, 0, 2, 3, 4 } },
        { "mixes first from 10", Numbering::consecutiveExported, true, true, true, 10, { 14, 0, 15, 16, 17 } },
        { "schema index keeps gaps", Numbering::schemaIndex, true, true, true, 1, { 1, 2, 3, 4, 5 } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        RenderRequest request;
        auto& settings = request.preset.exportSettings;
        settings.naming.numbering = c.numbering;
        settings.naming.numberMixesFirst = c.mixesFirst;
        settings.exportFullMix = c.fullMix;
        settings.exportSubmixes = c.submixes;
        settings.fullMixIndex = c.fullMixIndex;
        request.preset.schema.submixes.resize (3);

        // The second stem is empty and skipped; the fourth is empty but written as silence.
        for (int i = 0; i < 5; ++i)
        {
            RequestStem stem;
            stem.index = i + 1;
            stem.emptyPolicy = i == 3 ? EmptyPolicy::exportSilence : EmptyPolicy::skip;

            if (i != 1 && i != 3)
                stem.trackFiles.push_back (juce::File ("/t" + juce::String (i) + ".wav"));

            request.stems.push_back (stem);
        }

        EXPECT_EQ (assignFileIndices (request), c.expected);
    }
}

TEST (OutputFiles, FolderLayout)
{
    const struct
    {
        const char* name;
        const char* formatFolder;
        const char* stemsFolder;
        FileKind kind;
        const char* expected;   // empty when refused
        const char* error;
    } cases[] {
        { "defaults, stem", "WAV", "STEMS", FileKind::stem, "Cue/WAV/STEMS/PRJ_Intro_01_Drums.wav", "" },
        { "defaults, full mix", "WAV", "STEMS", FileKind::fullMix, "Cue/WAV/PRJ_Intro_Drums.wav", "" },
        { "defaults, alternative mix", "WAV", "STEMS", FileKind::alternativeMix, "Cue/WAV/PRJ_Intro_Drums.wav", "" },
        { "no format folder", "", "STEMS", FileKind::stem, "Cue/STEMS/PRJ_Intro_01_Drums.wav", "" },
        { "side by side: stem", " ", "", FileKind::stem, "Cue/PRJ_Intro_01_Drums.wav", "" },
        { "side by side: mix", "", "  ", FileKind::fullMix, "Cue/PRJ_Intro_Drums.wav", "" },
        { "nested and trimmed", " Delivery/WAV ", " Stems ", FileKind::stem, "Cue/Delivery/WAV/Stems/PRJ_Intro_01_Drums.wav", "" },
        { "leaving the cue folder", "../Elsewhere", "STEMS", FileKind::stem, "",
          "The sub-folder '../Elsewhere/STEMS' is not a valid relative path." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        Delivery delivery;
        delivery.settings().formats = { floatWav (c.formatFolder) };
        delivery.settings().stemsSubFolder = c.stemsFolder;
        const auto templateText = c.kind == FileKind::stem ? delivery.settings().naming.stemTemplate
                                                           : delivery.settings().naming.mixTemplate;

        const bool written = writeOutputFile (delivery.output(), constantBuffer (0.25), templateText, "Drums", "DRU", 1,
                                              "Drums", c.kind, -400.0, false);

        EXPECT_EQ (written, juce::String (c.expected).isNotEmpty());
        EXPECT_EQ (delivery.listedFiles(), juce::String (c.expected).isEmpty() ? juce::StringArray()
                                                                                : juce::StringArray (c.expected));
        EXPECT_EQ (delivery.report.errors, juce::String (c.error).isEmpty() ? juce::StringArray()
                                                                             : juce::StringArray (c.error));

        if (written)
            EXPECT_TRUE (delivery.report.files[0].file.existsAsFile());
        else
            EXPECT_FALSE (delivery.temp.file ("Elsewhere").exists());
    }
}

TEST (OutputFiles, OnlyTheFirstTwoFormatEntriesAreWritten)
{
    const auto drums = [] (const char* folder, const char* extension)
    { return juce::String ("Cue/") + folder + "/PRJ_Intro_01_Drums" + extension; };

    const struct
    {
        const char* name;
        std::vector<OutputFormat> formats;
        bool result;
        juce::StringArray files;
        juce::StringArray errors;
    } cases[] {
        { "one entry", { floatWav ("1") }, true, { drums ("1", ".wav") }, {} },
        { "two entries", { floatWav ("1"), withCodec (floatWav ("2"), Codec::flac) }, true,
          { drums ("1", ".wav"), drums ("2", ".flac") }, {} },
        { "third never written", { floatWav ("1"), floatWav ("2"), floatWav ("3") }, true,
          { drums ("1", ".wav"), drums ("2", ".wav") }, {} },
        { "disabled first is not replaced",
          { floatWav ("1", false), withCodec (floatWav ("2"), Codec::aiff), withCodec (floatWav ("3"), Codec::flac) },
          true, { drums ("2", ".aif") }, {} },
        { "first two disabled", { floatWav ("1", false), floatWav ("2", false), floatWav ("3") }, true, {}, {} },
        { "no entry", {}, true, {}, {} },
        { "unavailable codec", { floatWav ("1"), withCodec (floatWav ("2"), Codec::mp3) }, false,
          { drums ("1", ".wav") }, { codecUnavailableMessage (Codec::mp3) } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        Delivery delivery;
        delivery.settings().formats = c.formats;

        EXPECT_EQ (delivery.writeStem (constantBuffer (0.25)), c.result);
        EXPECT_EQ (delivery.listedFiles(), c.files);
        EXPECT_EQ (delivery.report.errors, c.errors);
        EXPECT_EQ (delivery.writtenPaths.size(), c.files.size());

        for (const auto& written : delivery.report.files)
        {
            EXPECT_TRUE (written.file.existsAsFile());
            EXPECT_EQ (written.sizeBytes, written.file.getSize());
        }
    }
}

TEST (OutputFiles, UnsupportedRateIsConvertedAndWarnedOncePerCue)
{
    Delivery delivery;
    auto lowRate = floatWav ("a");
    lowRate.sampleRate = 22050.0;
    auto sameRate = lowRate;
    sameRate.subFolder = "b";
    delivery.settings().formats = { lowRate, sameRate };
    delivery.settings().naming.stemTemplate = "{cue}_{nope}_{stemName}_{sampleRate}";

    const auto sine = [] (int frames)
    {
        juce::AudioBuffer<double> buffer;
        buffer.makeCopyOf (test::makeSine (2, frames, 440.0, 48000.0));
        return buffer;
    };

    ASSERT_TRUE (writeOutputFile (delivery.output(), sine (testFrames), delivery.settings().naming.stemTemplate, "Drums",
                                  "DRU", 1, "Drums", FileKind::stem, -12.5, true));
    ASSERT_TRUE (delivery.writeStem (sine (testFrames), "Bass", 2, "Bass"));

    EXPECT_EQ (delivery.report.warnings,
               juce::StringArray ({ "WAV cannot store 22.1 kHz; written at 44.1 kHz instead.",
                                    "Unknown naming token {nope} was ignored." }));
    EXPECT_EQ (delivery.listedFiles(),
               juce::StringArray ({ "Cue/a/Intro_Drums_44.1k.wav", "Cue/b/Intro_Drums_44.1k.wav",
                                    "Cue/a/Intro_Bass_44.1k.wav", "Cue/b/Intro_Bass_44.1k.wav" }));

    const auto& first = delivery.report.files[0];
    EXPECT_EQ (first.sampleRate, 44100.0);
    EXPECT_EQ (first.formatDescription, "WAV 32bit float 44.1kHz 2ch");
    EXPECT_TRUE (first.lossless);
    EXPECT_EQ (first.kind, FileKind::stem);
    EXPECT_EQ (first.label, "Drums");
    EXPECT_EQ (first.levelDb, -12.5);
    EXPECT_TRUE (first.ownGain);
    EXPECT_EQ (first.overview.sampleRate, 48000.0);   // drawn from the project-rate audio
    EXPECT_NEAR (first.overview.lengthSeconds, 0.1, 1e-9);
    EXPECT_EQ (first.overview.minima.size(), (size_t) writtenFileOverviewBuckets);

    const auto converted = readBack (first.file);
    EXPECT_EQ (converted.getNumChannels(), 2);
    EXPECT_EQ ((juce::int64) converted.getNumSamples(), resampledLength (testFrames, 48000.0, 44100.0));

    // Both entries got the same converted audio.
    const auto other = readBack (delivery.report.files[1].file);
    ASSERT_EQ (other.getNumSamples(), converted.getNumSamples());
    for (int i = 0; i < converted.getNumSamples(); i += 97)
        EXPECT_EQ (other.getSample (1, i), converted.getSample (1, i));
}

TEST (OutputFiles, FailedConversionIsAnError)
{
    // A project rate that cannot be converted from gives an empty buffer, never an empty file.
    Delivery delivery;
    delivery.request.sampleRate = 0.0;

    EXPECT_FALSE (delivery.writeStem (constantBuffer (0.25)));
    EXPECT_EQ (delivery.report.errors,
               juce::StringArray ("Could not convert 'Drums' to 48.0 kHz: the audio is too long or there is not "
                                  "enough memory for it."));
    EXPECT_TRUE (delivery.report.files.empty());
    EXPECT_EQ (delivery.request.outputFolder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
}

TEST (OutputFiles, NeverReplacesAFileWrittenInThisRun)
{
    const juce::String name = "PRJ_Intro_01_Drums.wav";
    const juce::String twice = "Two outputs of this run would both be named '" + name + "'.";
    const juce::String exists = "'" + name + "' already exists.";

    const struct
    {
        const char* name;
        CollisionPolicy policy;
        bool earlierRun;         // the file is left over from an earlier run, not written by this cue
        bool secondWritten;
        juce::String error;
        int filesOnDisk;
    } cases[] {
        { "overwrite, this run", CollisionPolicy::overwrite, false, false, twice, 1 },
        { "increment, this run", CollisionPolicy::incrementVersion, false, true, {}, 2 },
        { "abort, this run", CollisionPolicy::abort, false, false, exists, 1 },
        { "overwrite, earlier run", CollisionPolicy::overwrite, true, true, {}, 1 },
        { "increment, earlier run", CollisionPolicy::incrementVersion, true, true, {}, 2 },
        { "abort, earlier run", CollisionPolicy::abort, true, false, exists, 1 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        Delivery delivery;
        delivery.settings().naming.collisionPolicy = c.policy;
        const auto target = delivery.request.outputFolder.getChildFile (name);

        // Two outputs whose names come out the same: A, then B.
        if (c.earlierRun)
            ASSERT_TRUE (test::writeAudioFile (target, test::makeSine (2, 100, 440.0, 48000.0, 0.125f), 48000.0, 32));
        else
            ASSERT_TRUE (delivery.writeStem (constantBuffer (0.25), "A"));

        EXPECT_EQ (delivery.writeStem (constantBuffer (0.5), "B"), c.secondWritten);
        EXPECT_EQ (delivery.report.errors, c.error.isEmpty() ? juce::StringArray() : juce::StringArray (c.error));
        EXPECT_EQ (delivery.request.outputFolder.getNumberOfChildFiles (juce::File::findFiles), c.filesOnDisk);

        // Every listed file still holds what was written under its label.
        for (const auto& written : delivery.report.files)
            EXPECT_EQ (firstSample (written.file), written.label == "A" ? 0.25 : 0.5) << written.label;

        if (! c.secondWritten && c.earlierRun)
        {
            EXPECT_NE (firstSample (target), 0.5);
        }
    }
}

TEST (OutputFiles, TwoEntriesIntoOneFolderNeverShareAFile)
{
    Delivery delivery;
    delivery.settings().formats = { floatWav(), floatWav() };
    delivery.settings().naming.collisionPolicy = CollisionPolicy::overwrite;

    EXPECT_FALSE (delivery.writeStem (constantBuffer (0.25)));
    EXPECT_EQ (delivery.listedFiles(), juce::StringArray ("Cue/PRJ_Intro_01_Drums.wav"));
    EXPECT_EQ (delivery.report.errors,
               juce::StringArray ("Two outputs of this run would both be named 'PRJ_Intro_01_Drums.wav'."));
}

TEST (OutputFiles, CancelStopsBeforeTheNextFile)
{
    const struct
    {
        const char* name;
        std::function<bool (const Delivery&)> cancelWhen;
        int files;
    } cases[] {
        { "before anything", [] (const Delivery&) { return true; }, 0 },
        { "after the first file", [] (const Delivery& d) { return d.request.outputFolder.getChildFile ("1/PRJ_Intro_01_Drums.wav").existsAsFile(); }, 1 },
        // The first entry's temporary file is there while it is encoded.
        { "while encoding", [] (const Delivery& d)
          { return ! d.request.outputFolder.getChildFile ("1").findChildFiles (juce::File::findFiles, false, ".*").isEmpty(); }, 0 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        Delivery delivery;
        delivery.settings().formats = { floatWav ("1"), floatWav ("2") };
        delivery.cancel = [&delivery, &c, fired = false]() mutable { return fired = fired || c.cancelWhen (delivery); };

        EXPECT_FALSE (delivery.writeStem (constantBuffer (0.25)));
        EXPECT_EQ ((int) delivery.report.files.size(), c.files);
        EXPECT_EQ (delivery.writtenPaths.size(), c.files);
        EXPECT_TRUE (delivery.report.errors.isEmpty());   // the cue reports its cancel itself
        EXPECT_EQ (delivery.request.outputFolder.findChildFiles (juce::File::findFiles, true, "*", juce::File::FollowSymlinks::no).size(),
                   c.files);
    }
}
