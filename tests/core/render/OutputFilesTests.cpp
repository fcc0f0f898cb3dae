#include "core/render/OutputFiles.h"

#include "RenderTestSupport.h"

#include "core/audio/AudioTestFiles.h"
#include "core/audio/Resampler.h"
#include "core/model/CodecCapabilities.h"
#include "core/render/RenderContext.h"
#include "support/EndedWriter.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace korvid;
using namespace korvid::rendertest;

namespace
{
    constexpr int testFrames = 4800;

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

    juce::AudioBuffer<float> constant (float value, int frames = testFrames)
    {
        juce::AudioBuffer<float> buffer (2, frames);

        for (int ch = 0; ch < 2; ++ch)
            juce::FloatVectorOperations::fill (buffer.getWritePointer (ch), value, frames);

        return buffer;
    }

    double firstSample (const juce::File& file)
    {
        const auto buffer = readBack (file);
        return buffer.getNumChannels() > 0 && buffer.getNumSamples() > 0 ? buffer.getSample (0, 0) : -1.0;
    }

    // Float WAV without dither or sub-folders, no full mix, and a gain that only attenuates,
    // so each track's level (kept below the target) reaches its file unchanged.
    Preset plainPreset (const juce::StringArray& stemNames)
    {
        auto preset = makeRenderPreset (stemNames);
        auto& settings = preset.exportSettings;
        settings.formats = { floatWav() };
        settings.stemsSubFolder = {};
        settings.exportFullMix = false;
        settings.headroom.peakMode = PeakMode::samplePeak;
        settings.headroom.gainMode = GainMode::attenuateOnly;
        return preset;
    }

    // One cue rendered as the export page renders it: a constant track per stem below
    // <temp>/Source, the real planner and a RenderContext writing below <temp>/Cue, with
    // the plain preset for project "PRJ" and cue "Intro".
    struct Delivery
    {
        explicit Delivery (const juce::StringArray& stemNames = { "Drums" }, std::vector<float> levels = {})
            : preset (plainPreset (stemNames))
        {
            preset.metadata.cue = "Intro";

            for (int i = 0; i < stemNames.size(); ++i)
            {
                const auto file = temp.file ("Source").getChildFile (stemNames[i] + ".wav");
                writeWav (file, constant (i < (int) levels.size() ? levels[(size_t) i] : 0.25f));
                tracks.push_back (makeTrack (file, "stem-" + stemNames[i]));
            }
        }

        ExportSettings& settings() { return preset.exportSettings; }
        juce::File output() const { return temp.file ("Cue"); }

        const CueReport& render (CancelTest cancel = {}, RenderJob::ProgressCallback progress = {})
        {
            // Planning refuses some of what is tried here, and the render must still hold.
            auto planned = makeRenderRequest (preset, tracks, output(), false);
            request = planned.request;
            request.cueName = "Intro";
            RenderContext context (request, std::move (cancel), std::move (progress));
            report = context.run();
            return report;
        }

        // The report's files, relative to the temporary folder.
        juce::StringArray listedFiles() const
        {
            juce::StringArray paths;

            for (const auto& written : report.files)
                paths.add (written.file.getRelativePathFrom (temp.folder).replaceCharacter ('\\', '/'));

            return paths;
        }

        // Every file below the cue's folder, hidden ones included.
        juce::StringArray filesOnDisk() const { return listFiles (output()); }

        test::TempFolder temp;
        Preset preset;
        std::vector<Track> tracks;
        RenderRequest request;
        CueReport report;
    };
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
    // A stem, the full mix and an alternative mix of that stem, in that order.
    const struct
    {
        const char* name;
        const char* formatFolder;
        const char* stemsFolder;
        juce::StringArray expected;   // none: refused
    } cases[] {
        { "defaults", "WAV", "STEMS",
          { "Cue/WAV/STEMS/PRJ_Intro_01_Drums.wav", "Cue/WAV/PRJ_Intro_Full Mix.wav", "Cue/WAV/PRJ_Intro_Alt.wav" } },
        { "no format folder", "", "STEMS",
          { "Cue/STEMS/PRJ_Intro_01_Drums.wav", "Cue/PRJ_Intro_Full Mix.wav", "Cue/PRJ_Intro_Alt.wav" } },
        { "side by side", " ", "  ",
          { "Cue/PRJ_Intro_01_Drums.wav", "Cue/PRJ_Intro_Full Mix.wav", "Cue/PRJ_Intro_Alt.wav" } },
        { "nested and trimmed", " Delivery/WAV ", " Stems ",
          { "Cue/Delivery/WAV/Stems/PRJ_Intro_01_Drums.wav", "Cue/Delivery/WAV/PRJ_Intro_Full Mix.wav",
            "Cue/Delivery/WAV/PRJ_Intro_Alt.wav" } },
        { "leaving the cue folder", "../Elsewhere", "STEMS", {} },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        Delivery delivery;
        delivery.settings().formats = { floatWav (c.formatFolder) };
        delivery.settings().stemsSubFolder = c.stemsFolder;
        delivery.settings().exportFullMix = true;
        delivery.preset.schema.submixes = { { "alt", "Alt", "ALT", { "stem-Drums" } } };

        const auto& report = delivery.render();

        EXPECT_EQ (report.completed, c.expected.size() > 0);
        EXPECT_EQ (delivery.listedFiles(), c.expected);
        EXPECT_EQ (report.errors.isEmpty(), c.expected.size() > 0) << report.errors.joinIntoString ("\n");

        for (const auto& written : report.files)
            EXPECT_TRUE (written.file.existsAsFile());

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
        juce::StringArray files;
    } cases[] {
        { "one entry", { floatWav ("1") }, { drums ("1", ".wav") } },
        { "two entries", { floatWav ("1"), withCodec (floatWav ("2"), Codec::flac) },
          { drums ("1", ".wav"), drums ("2", ".flac") } },
        { "third never written", { floatWav ("1"), floatWav ("2"), floatWav ("3") },
          { drums ("1", ".wav"), drums ("2", ".wav") } },
        { "disabled first is not replaced",
          { floatWav ("1", false), withCodec (floatWav ("2"), Codec::aiff), withCodec (floatWav ("3"), Codec::flac) },
          { drums ("2", ".aif") } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        Delivery delivery;
        delivery.settings().formats = c.formats;

        const auto& report = delivery.render();
        EXPECT_TRUE (report.completed) << report.errors.joinIntoString ("\n");
        EXPECT_EQ (delivery.listedFiles(), c.files);

        for (const auto& written : report.files)
        {
            EXPECT_TRUE (written.file.existsAsFile());
            EXPECT_EQ (written.sizeBytes, written.file.getSize());
        }
    }
}

TEST (OutputFiles, UnsupportedRateIsConvertedAndWarnedOncePerCue)
{
    Delivery delivery ({ "Drums", "Bass" });
    auto lowRate = floatWav ("a");
    lowRate.sampleRate = 22050.0;
    auto sameRate = lowRate;
    sameRate.subFolder = "b";
    delivery.settings().formats = { lowRate, sameRate };
    delivery.settings().naming.stemTemplate = "{cue}_{nope}_{stemName}_{sampleRate}";

    const auto& report = delivery.render();
    ASSERT_TRUE (report.completed) << report.errors.joinIntoString ("\n");

    // Each once, however many files gave it.
    const auto count = [&report] (const juce::String& warning)
    { return std::count (report.warnings.begin(), report.warnings.end(), warning); };

    EXPECT_EQ (count ("WAV cannot store 22.1 kHz; written at 44.1 kHz instead."), 1);
    EXPECT_EQ (count ("Unknown naming token {nope} was ignored."), 1);
    EXPECT_EQ (delivery.listedFiles(),
               juce::StringArray ({ "Cue/a/Intro_Drums_44.1k.wav", "Cue/b/Intro_Drums_44.1k.wav",
                                    "Cue/a/Intro_Bass_44.1k.wav", "Cue/b/Intro_Bass_44.1k.wav" }));

    const auto& first = report.files[0];
    EXPECT_EQ (first.sampleRate, 44100.0);
    EXPECT_EQ (first.formatDescription, "WAV 32bit float 44.1kHz 2ch");
    EXPECT_TRUE (first.lossless);
    EXPECT_EQ (first.kind, FileKind::stem);
    EXPECT_EQ (first.label, "Drums");
    EXPECT_EQ (first.overview.sampleRate, 48000.0);   // drawn from the project-rate audio
    EXPECT_NEAR (first.overview.lengthSeconds, 0.1, 1e-9);
    EXPECT_EQ (first.overview.minima.size(), (size_t) writtenFileOverviewBuckets);

    const auto converted = readBack (first.file);
    EXPECT_EQ (converted.getNumChannels(), 2);
    EXPECT_EQ ((juce::int64) converted.getNumSamples(), resampledLength (testFrames, 48000.0, 44100.0));

    // Both entries got the same converted audio.
    const auto other = readBack (report.files[1].file);
    ASSERT_EQ (other.getNumSamples(), converted.getNumSamples());
    for (int i = 0; i < converted.getNumSamples(); i += 97)
        EXPECT_EQ (other.getSample (1, i), converted.getSample (1, i));
}

TEST (OutputFiles, AFailedConversionIsAnErrorAndNeverAnEmptyFile)
{
    // A project rate nothing converts from gives an empty buffer; the file is not written.
    RenderRequest request;
    request.preset = makeRenderPreset ({ "Drums" });
    request.preset.exportSettings.formats = { floatWav() };
    request.preset.exportSettings.stemsSubFolder = {};
    test::TempFolder temp;
    request.outputFolder = temp.file ("Cue");
    ASSERT_TRUE (request.outputFolder.createDirectory());
    request.sampleRate = 0.0;

    CueReport report;
    juce::StringArray writtenPaths;
    const CueOutput output { request, report, writtenPaths, {} };

    juce::AudioBuffer<double> audio (2, testFrames);
    audio.clear();
    auto files = planBufferFiles (output, "{stemName}", "Drums", "DRU", 1, "Drums", FileKind::stem, -400.0, false);
    writeBufferFiles (request, audio, files, {});

    EXPECT_FALSE (recordBufferFiles (output, files));
    EXPECT_EQ (report.errors,
               juce::StringArray ("Could not convert 'Drums' to 48.0 kHz: the audio is too long or there is not "
                                  "enough memory for it."));
    EXPECT_TRUE (report.files.empty());
    EXPECT_TRUE (writtenPaths.isEmpty()) << "the name is free again";
    EXPECT_TRUE (listFiles (request.outputFolder).isEmpty());
}

TEST (OutputFiles, NeverReplacesAFileWrittenInThisRun)
{
    // Two cues of one run, A (0.125) then B (0.25), whose stem files are both named
    // Drums.wav in one folder.
    const juce::String name = "Drums.wav";
    const juce::String twice = "Two outputs of this run would both be named '" + name + "'.";
    const juce::String exists = "'" + name + "' already exists.";

    const struct
    {
        const char* name;
        CollisionPolicy policy;
        bool earlierRun;          // a file of that name is there before the run
        juce::StringArray files;  // on disk afterwards, with what each holds
        juce::String errorOfA;
        juce::String errorOfB;
    } cases[] {
        { "overwrite, this run", CollisionPolicy::overwrite, false, { "Drums.wav=A" }, {}, twice },
        { "increment, this run", CollisionPolicy::incrementVersion, false, { "Drums-2.wav=B", "Drums.wav=A" }, {}, {} },
        { "abort, this run", CollisionPolicy::abort, false, { "Drums.wav=A" }, {}, exists },
        { "overwrite, earlier run", CollisionPolicy::overwrite, true, { "Drums.wav=A" }, {}, twice },
        { "increment, earlier run", CollisionPolicy::incrementVersion, true,
          { "Drums-2.wav=A", "Drums-3.wav=B", "Drums.wav=earlier" }, {}, {} },
        { "abort, earlier run", CollisionPolicy::abort, true, { "Drums.wav=earlier" }, exists, exists },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        test::TempFolder temp;
        const auto output = temp.file ("Out");

        const auto cue = [&] (const juce::String& cueName, float level)
        {
            auto preset = plainPreset ({ "Drums" });
            preset.exportSettings.naming.stemTemplate = "{stemName}";
            preset.exportSettings.naming.collisionPolicy = c.policy;

            const auto file = temp.file ("Source").getChildFile (cueName).getChildFile ("Drums.wav");
            writeWav (file, constant (level));
            return planRequest (preset, { makeTrack (file, "stem-Drums") }, output, cueName);
        };

        if (c.earlierRun)
            writeWav (output.getChildFile (name), constant (0.5f, 100));

        const auto report = RenderJob::runQueue ({ cue ("A", 0.125f), cue ("B", 0.25f) }, {}, {});
        ASSERT_EQ (report.cues.size(), 2u);
        EXPECT_EQ (report.cues[0].errors, c.errorOfA.isEmpty() ? juce::StringArray() : juce::StringArray (c.errorOfA));
        EXPECT_EQ (report.cues[1].errors, c.errorOfB.isEmpty() ? juce::StringArray() : juce::StringArray (c.errorOfB));

        juce::StringArray onDisk;

        for (const auto& path : listFiles (output))
        {
            const auto level = firstSample (output.getChildFile (path));
            onDisk.add (path + "=" + (level == 0.125 ? "A" : level == 0.25 ? "B" : level == 0.5 ? "earlier" : "?"));
        }

        EXPECT_EQ (onDisk, c.files);

        // Every listed file holds what its cue wrote.
        for (const auto& cueReport : report.cues)
            for (const auto& written : cueReport.files)
                EXPECT_EQ (firstSample (written.file), cueReport.cueName == "A" ? 0.125 : 0.25) << cueReport.cueName;
    }
}

TEST (OutputFiles, TwoEntriesIntoOneFolderNeverShareAFile)
{
    // Both entries name the stem alike: however the run refuses it, no file is listed
    // twice, and what is listed is what is on disk.
    Delivery delivery;
    delivery.settings().formats = { floatWav(), floatWav() };
    delivery.settings().naming.collisionPolicy = CollisionPolicy::overwrite;

    const auto& report = delivery.render();
    EXPECT_FALSE (report.completed);
    EXPECT_FALSE (report.errors.isEmpty());

    auto listed = delivery.listedFiles();
    listed.removeDuplicates (false);
    EXPECT_EQ (listed, delivery.listedFiles());

    juce::StringArray onDisk;

    for (const auto& path : delivery.filesOnDisk())
        onDisk.add ("Cue/" + path);

    listed.sort (false);
    EXPECT_EQ (listed, onDisk);
}

TEST (OutputFiles, ANameAnotherRunTakesWhileTheFileIsWrittenIsNeverReplaced)
{
    // Between planning the stem's file and finishing it, another run writes that name.
    const juce::String planned = "PRJ_Intro_01_Drums.wav";

    const struct
    {
        const char* name;
        CollisionPolicy policy;
        juce::StringArray files;     // on disk afterwards, with what each holds
        juce::StringArray listed;
        juce::String error;
    } cases[] {
        { "increment moves on", CollisionPolicy::incrementVersion,
          { "PRJ_Intro_01_Drums-2.wav=ours", "PRJ_Intro_01_Drums.wav=theirs" }, { "Cue/PRJ_Intro_01_Drums-2.wav" }, {} },
        { "abort fails the file", CollisionPolicy::abort, { "PRJ_Intro_01_Drums.wav=theirs" }, {},
          "'" + planned + "' already exists." },
        { "overwrite replaces, as asked", CollisionPolicy::overwrite, { "PRJ_Intro_01_Drums.wav=ours" },
          { "Cue/PRJ_Intro_01_Drums.wav" }, {} },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        Delivery delivery;
        delivery.settings().naming.collisionPolicy = c.policy;

        // The stem's name is planned once "Writing Drums..." is reported; the next cancel
        // point comes after that, before its audio is read.
        std::atomic<bool> writing { false };
        bool taken = false;
        const auto theirs = delivery.output().getChildFile (planned);

        const auto& report = delivery.render ([&]
                                              {
                                                  if (writing && ! taken)
                                                  {
                                                      taken = true;
                                                      writeWav (theirs, constant (0.5f, 100));
                                                  }

                                                  return false;
                                              },
                                              [&] (double, const juce::String& text, RenderJob::Phase)
                                              {
                                                  if (text == "Writing Drums...")
                                                      writing = true;
                                              });

        ASSERT_TRUE (taken);
        EXPECT_EQ (report.errors, c.error.isEmpty() ? juce::StringArray() : juce::StringArray (c.error));
        EXPECT_EQ (delivery.listedFiles(), c.listed);

        juce::StringArray onDisk;

        for (const auto& path : delivery.filesOnDisk())
            onDisk.add (path + "=" + (firstSample (delivery.output().getChildFile (path)) == 0.5 ? "theirs" : "ours"));

        EXPECT_EQ (onDisk, c.files);
    }
}

TEST (OutputFiles, AnAbortDecidedByAnyFileOfTheCueWritesNothing)
{
    // Drums, Bass and Keys, then the full mix; a file of an earlier delivery is in the way
    // of one of the last of them.
    const struct
    {
        const char* name;
        juce::StringArray earlierFiles;
        juce::String error;
    } cases[] {
        { "the full mix is there already", { "PRJ_Intro_Full Mix.wav" }, "'PRJ_Intro_Full Mix.wav' already exists." },
        { "the third stem is there already", { "PRJ_Intro_03_Keys.wav" }, "'PRJ_Intro_03_Keys.wav' already exists." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        Delivery delivery ({ "Drums", "Bass", "Keys" }, { 0.125f, 0.125f, 0.125f });
        delivery.settings().naming.collisionPolicy = CollisionPolicy::abort;
        delivery.settings().exportFullMix = true;

        ASSERT_TRUE (delivery.output().createDirectory());

        for (const auto& earlier : c.earlierFiles)
            ASSERT_TRUE (delivery.output().getChildFile (earlier).replaceWithText ("earlier"));

        const auto& report = delivery.render();
        EXPECT_FALSE (report.completed);
        EXPECT_EQ (report.errors, juce::StringArray (c.error));
        EXPECT_TRUE (report.files.empty());
        EXPECT_EQ (delivery.filesOnDisk(), c.earlierFiles);
    }
}

#if ! JUCE_WINDOWS
TEST (OutputFiles, LeftoversOfEndedRunsGoFromTheFoldersWrittenIntoAndNothingElseDoes)
{
    Delivery delivery;
    delivery.settings().formats = { floatWav ("WAV") };
    delivery.settings().stemsSubFolder = "STEMS";
    delivery.settings().exportFullMix = true;

    const auto stems = delivery.output().getChildFile ("WAV/STEMS");
    const auto mixes = delivery.output().getChildFile ("WAV");
    const auto untouched = delivery.output().getChildFile ("Old");

    const auto leftover = [] (const juce::File& folder, const TemporaryFileWriter& writer)
    {
        const auto file = temporaryFileFor (folder.getChildFile ("PRJ_Intro_01_Drums.wav"), writer);
        EXPECT_TRUE (file.getParentDirectory().createDirectory().wasOk());
        EXPECT_TRUE (file.replaceWithText ("sixteen megabytes"));
        return file;
    };

    const auto endedInStems = leftover (stems, test::endedTemporaryFileWriter());
    const auto endedInMixes = leftover (mixes, test::endedTemporaryFileWriter());
    const auto endedElsewhere = leftover (untouched, test::endedTemporaryFileWriter());
    const auto stillWriting = leftover (stems, thisTemporaryFileWriter());

    const auto& report = delivery.render();
    ASSERT_TRUE (report.completed) << report.errors.joinIntoString ("\n");

    EXPECT_FALSE (endedInStems.exists());
    EXPECT_FALSE (endedInMixes.exists());
    EXPECT_TRUE (endedElsewhere.exists()) << "a folder this render does not write into is left alone";
    EXPECT_TRUE (stillWriting.exists()) << "a run that is still writing keeps its file";
    juce::StringArray expected { "WAV/PRJ_Intro_Full Mix.wav", "WAV/STEMS/PRJ_Intro_01_Drums.wav" };
    expected.add ("Old/" + endedElsewhere.getFileName());
    expected.add ("WAV/STEMS/" + stillWriting.getFileName());
    expected.sort (false);
    EXPECT_EQ (delivery.filesOnDisk(), expected);
}
#endif

TEST (OutputFiles, CancelStopsBeforeTheNextFile)
{
    const struct
    {
        const char* name;
        std::function<bool (const Delivery&)> cancelWhen;
        int files;
    } cases[] {
        { "after the first file", [] (const Delivery& d) { return d.output().getChildFile ("1/PRJ_Intro_01_Drums.wav").existsAsFile(); }, 1 },
        // The first entry's temporary file is there while it is encoded.
        { "while encoding", [] (const Delivery& d)
          { return ! d.output().getChildFile ("1").findChildFiles (juce::File::findFiles, false, ".*").isEmpty(); }, 0 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        Delivery delivery;
        delivery.settings().formats = { floatWav ("1"), floatWav ("2") };

        const auto& report = delivery.render ([&delivery, &c, fired = false]() mutable { return fired = fired || c.cancelWhen (delivery); });
        EXPECT_TRUE (report.cancelled);
        EXPECT_EQ ((int) report.files.size(), c.files);
        EXPECT_TRUE (report.errors.isEmpty());   // the cue reports its cancel itself
        EXPECT_EQ (delivery.filesOnDisk().size(), c.files);
    }
}
