#include "DeliveryCases.h"

#include "RenderTestSupport.h"

#include "core/model/BuiltInPresets.h"
#include "core/report/BatchReport.h"

namespace korvid::rendertest
{

namespace
{
constexpr int second = 48000;

Submix makeSubmix (const juce::String& name, const juce::StringArray& members)
{
    Submix submix;
    submix.id = "mix-" + name;
    submix.name = name;
    submix.shortCode = name.substring (0, 3).toUpperCase();
    submix.stems = members;
    return submix;
}

// The shipped 16-stem preset with the benchmark's two alternative mixes, WAV 24-bit with
// shaped dither, true peak at 4x; each stem holds two noise tracks of the cue's loudness.
std::vector<RenderRequest> referenceCues (const juce::File& sources, const juce::File& output,
                                          const juce::StringArray& cueNames, GainScope scope)
{
    auto preset = makeHybridOrchestraExamplePreset();
    preset.metadata.project = "PRJ";
    preset.exportSettings.headroom.peakMode = PeakMode::truePeak;
    preset.exportSettings.headroom.truePeakOversampling = 4;
    preset.exportSettings.formats.resize (1);
    preset.exportSettings.formats[0].subFolder = "WAV";
    preset.exportSettings.batch.gainMode = scope;

    auto& schema = preset.schema;
    juce::StringArray underscore, noPercussion;

    for (int i = 0; i < (int) schema.stems.size(); ++i)
    {
        if (i < 8)
            underscore.add (schema.stems[(size_t) i].id);

        if (i >= 4)
            noPercussion.add (schema.stems[(size_t) i].id);
    }

    schema.submixes = { makeSubmix ("Underscore", underscore), makeSubmix ("No Percussion", noPercussion) };

    std::vector<RenderRequest> requests;

    for (int cue = 0; cue < cueNames.size(); ++cue)
    {
        std::vector<Track> tracks;

        for (int i = 0; i < 2 * (int) schema.stems.size(); ++i)
        {
            const auto file = sources.getChildFile (cueNames[cue]).getChildFile ("Track " + juce::String (i) + ".wav");
            writeWav (file, makeNoise (2, second / 2, 0.04f + 0.01f * (float) cue, 1000 * cue + i), 48000.0, 24);
            tracks.push_back (makeTrack (file, schema.stems[(size_t) i / 2].id));
        }

        auto cuePreset = preset;
        cuePreset.metadata.cue = cueNames[cue];
        requests.push_back (planRequest (cuePreset, tracks, output.getChildFile (cueNames[cue]), cueNames[cue]));
    }

    return requests;
}

std::vector<RenderRequest> awkwardMixes (const juce::File& sources, const juce::File& output)
{
    const juce::StringArray names { "S1", "S2", "S3", "S4", "S5", "S6", "Quiet", "Spare" };
    auto preset = makeRenderPreset (names);

    auto floats = preset.exportSettings.formats[0];
    floats.sampleFormat = SampleFormat::float32;
    floats.subFolder = "F32";
    auto flac = preset.exportSettings.formats[0];
    flac.codec = Codec::flac;
    flac.sampleFormat = SampleFormat::pcm16;
    flac.sampleRate = 44100.0;
    flac.dither = Dither::tpdf;
    flac.subFolder = "FLAC";
    preset.exportSettings.formats = { floats, flac };

    auto& settings = preset.exportSettings;
    settings.silenceGate.enabled = true;
    settings.silenceGate.thresholdDb = -60.0;
    settings.silenceGate.minimumSeconds = 0.1;
    settings.silenceGate.fadeInSeconds = 0.01;
    settings.silenceGate.fadeOutSeconds = 0.01;
    settings.headroom.submixesReachTargetIndependently = true;

    // Quiet writes a silent file when it has no track; Spare writes nothing.
    preset.schema.stems[6].emptyPolicy = EmptyPolicy::exportSilence;
    preset.schema.stems[7].emptyPolicy = EmptyPolicy::skip;

    preset.schema.submixes = { makeSubmix ("Reversed", { "stem-S6", "stem-S4", "stem-S2", "stem-S1" }),
                               makeSubmix ("Twice", { "stem-S3", "stem-Quiet", "stem-S3", "stem-S5", "stem-S2" }),
                               makeSubmix ("Nothing", { "stem-Spare" }),
                               makeSubmix ("Middle", { "stem-S5", "stem-S2", "stem-S3" }) };

    auto folder = sources.getChildFile ("Awkward");
    std::vector<Track> tracks;

    auto add = [&] (const juce::String& file, const juce::AudioBuffer<float>& audio, const juce::String& stem,
                    double rate = 48000.0)
    {
        writeWav (folder.getChildFile (file), audio, rate, 32);
        tracks.push_back (makeTrack (folder.getChildFile (file), "stem-" + stem));
    };

    auto gapped = makeNoise (2, second, 0.2f, 11);
    gapped.clear (second / 4, second / 2);   // gated away

    add ("s1.wav", makeNoise (2, second, 0.2f, 1), "S1");
    add ("s2.wav", makeNoise (1, second / 2, 0.3f, 2), "S2");                         // mono, shorter
    add ("s3a.wav", gapped, "S3");
    add ("s3b.wav", makeNoise (2, 44100, 0.1f, 3), "S3", 44100.0);                   // converted on reading
    add ("s4.wav", makeLowSine (2, second, 0.25f), "S4");
    add ("s5.wav", makeNoise (2, second, 0.05f, 5), "S5");
    add ("s6.wav", makeNoise (2, 3 * second / 4, 0.15f, 6), "S6");

    auto request = planRequest (preset, tracks, output.getChildFile ("Awkward"), "Awkward");
    request.trimStartSeconds = 0.1;
    return { request };
}

// Names that collide: three cues write AIFF files of the same names into one folder, so
// every file after the first of its name is versioned; the two formats differ only in
// their word length, which the templates name.
std::vector<RenderRequest> sharedNames (const juce::File& sources, const juce::File& output)
{
    auto preset = makeRenderPreset ({ "High", "Low", "Perc" });

    auto& settings = preset.exportSettings;
    auto sixteen = settings.formats[0];
    sixteen.codec = Codec::aiff;
    sixteen.sampleFormat = SampleFormat::pcm16;
    sixteen.dither = Dither::tpdfShapedContinuous;
    auto twentyFour = sixteen;
    twentyFour.sampleFormat = SampleFormat::pcm24;
    settings.formats = { sixteen, twentyFour };
    settings.stemsSubFolder = {};
    settings.naming.stemTemplate = "{project}_{stemIndex}_{stemName}_{bitDepth}";
    settings.naming.mixTemplate = "{project}_{stemName}_{bitDepth}";
    settings.naming.numbering = Numbering::schemaIndex;
    settings.naming.numberMixesFirst = true;
    settings.naming.collisionPolicy = CollisionPolicy::incrementVersion;
    settings.headroom.submixesReachTargetIndependently = false;
    preset.schema.submixes = { makeSubmix ("Strings", { "stem-High", "stem-Low" }) };

    std::vector<RenderRequest> requests;

    for (const auto& cue : { "First", "Second", "Third" })
    {
        auto folder = sources.getChildFile (cue);
        std::vector<Track> tracks;
        int seed = juce::String (cue).hashCode();

        for (const auto& stem : { "High", "Low", "Perc" })
        {
            // Low comes at 44.1 kHz and is converted on reading.
            const double rate = juce::String (stem) == "Low" ? 44100.0 : 48000.0;
            const auto file = folder.getChildFile (juce::String (stem) + ".wav");
            writeWav (file, makeNoise (2, (int) rate / 2, 0.2f, ++seed), rate, 24);
            tracks.push_back (makeTrack (file, "stem-" + juce::String (stem)));
        }

        requests.push_back (planRequest (preset, tracks, output.getChildFile ("Names"), cue));
    }

    return requests;
}
} // namespace

juce::String caseName (DeliveryCase deliveryCase)
{
    switch (deliveryCase)
    {
        case DeliveryCase::referenceCue: return "reference cue";
        case DeliveryCase::sharedGain:   return "shared gain";
        case DeliveryCase::awkwardMixes: return "awkward mixes";
        case DeliveryCase::sharedNames:  return "shared names";
    }

    return {};
}

std::vector<RenderRequest> makeDeliveryCase (DeliveryCase deliveryCase, const juce::File& sources,
                                             const juce::File& output)
{
    switch (deliveryCase)
    {
        case DeliveryCase::referenceCue: return referenceCues (sources, output, { "Reference" }, GainScope::perTrack);
        case DeliveryCase::sharedGain:   return referenceCues (sources, output, { "One", "Two", "Three" },
                                                               GainScope::sharedAcrossBatch);
        case DeliveryCase::awkwardMixes: return awkwardMixes (sources, output);
        case DeliveryCase::sharedNames:  return sharedNames (sources, output);
    }

    return {};
}

juce::StringArray reportLinesWithoutTimes (const BatchReport& report)
{
    auto text = report.toText();

    for (const auto& cue : report.cues)
        text << "\r\n" << cue.toText();

    juce::StringArray lines;
    juce::String previous;

    // Every report heading is followed by the time it was made.
    for (const auto& line : juce::StringArray::fromLines (text))
    {
        const bool isTime = previous.endsWith (" render report") || previous.endsWith (" batch report");

        if (! isTime && ! line.trimStart().startsWithIgnoreCase ("elapsed"))
            lines.add (line);

        previous = line;
    }

    return lines;
}

} // namespace korvid::rendertest
