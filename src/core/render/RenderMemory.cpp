#include "core/render/RenderMemory.h"

#include "core/audio/AudioMemoryBudget.h"
#include "core/model/CodecCapabilities.h"
#include "core/model/PresetChecks.h"

#include <cmath>
#include <limits>
#include <set>

namespace korvid
{

namespace
{
constexpr double maxBytes = (double) std::numeric_limits<juce::int64>::max();

juce::int64 toBytes (double bytes)
{
    return bytes >= maxBytes ? std::numeric_limits<juce::int64>::max() : (juce::int64) bytes;
}

juce::String gigabytesText (juce::int64 bytes)
{
    return juce::String ((double) bytes / (double) ((juce::int64) 1 << 30), 1) + " GB";
}

bool isMemberOfAnyMix (const Preset& preset, const juce::String& stemId)
{
    for (const auto& submix : preset.schema.submixes)
        if (submix.stems.contains (stemId))
            return true;

    return false;
}

// Buffers a stem keeps until the alternative mixes are written.
int keptStemCount (const RenderRequest& request)
{
    const auto& settings = request.preset.exportSettings;

    if (! settings.exportSubmixes || request.preset.schema.submixes.empty())
        return 0;

    int kept = 0;

    for (const auto& stem : request.stems)
    {
        const bool written = ! stem.trackFiles.empty() || stem.emptyPolicy == EmptyPolicy::exportSilence;

        if (written && isMemberOfAnyMix (request.preset, stem.id))
            ++kept;
    }

    return kept;
}

// Bytes of the copies one written buffer is converted into, one per distinct written rate.
double conversionBytes (const RenderRequest& request)
{
    const auto& formats = request.preset.exportSettings.formats;
    const auto considered = juce::jmin ((int) formats.size(), writtenFormatCount);
    std::set<juce::int64> rates;
    double bytes = 0.0;

    for (int i = 0; i < considered; ++i)
    {
        const auto& format = formats[(size_t) i];

        if (! format.enabled || ! isCodecAvailable (format.codec))
            continue;

        const auto requested = format.sampleRate > 0.0 ? format.sampleRate : request.sampleRate;
        const auto written = nearestSupportedSampleRate (format.codec, requested);

        if (std::abs (written - request.sampleRate) <= 0.5 || request.sampleRate <= 0.0)
            continue;

        if (! rates.insert (juce::roundToInt (written)).second)
            continue;

        bytes += std::ceil ((double) request.lengthFrames * written / request.sampleRate)
                 * request.channels * (double) sizeof (double);
    }

    return bytes;
}
} // namespace

juce::int64 cueRenderMemoryBytes (const RenderRequest& request)
{
    if (request.channels < 1 || request.lengthFrames < 1)
        return 0;

    // One buffer of the render's shape.
    const double unit = (double) request.channels * (double) request.lengthFrames * (double) sizeof (double);

    // A track is read block by block into doubles and may be converted to the project rate.
    const double trackRead = 2.0 * unit;

    if (request.analysisOnly)
        return toBytes (2.0 * unit + trackRead);   // the mix, one stem and the track being read

    // Stems an alternative mix needs are held from summing until the mixes are written.
    const double kept = keptStemCount (request) * unit;

    // Summing: the mix, the kept stems, one stem and the track being read.
    const double summing = 2.0 * unit + kept + trackRead;

    // Writing: the gained mix, the kept stems, one stem (or alternative mix) and either
    // the track being read again or the converted copies being encoded.
    const double writing = 2.0 * unit + kept + juce::jmax (trackRead, conversionBytes (request));

    // Verifying: the mix still held, the mix read back, the sum and one stem read back.
    const double verifying = 4.0 * unit;

    const double peak = juce::jmax (summing, writing, verifying);
    return toBytes (peak);
}

bool checkCueRenderMemory (const RenderRequest& request, juce::String& error)
{
    const auto needed = cueRenderMemoryBytes (request);
    const auto budget = audioMemoryBudgetBytes();

    if (needed <= budget)
        return true;

    error = "This cue needs about " + gigabytesText (needed) + " of memory to render and at most "
          + gigabytesText (budget) + " may be used.";
    return false;
}

juce::int64 trackReadBytes (const AudioFileInfo& info, double projectRate)
{
    if (info.numChannels < 1 || info.lengthInSamples < 1)
        return 0;

    const double perFrame = (double) info.numChannels * (double) sizeof (double);
    double bytes = (double) info.lengthInSamples * perFrame;

    if (projectRate > 0.0 && info.sampleRate > 0.0 && std::abs (info.sampleRate - projectRate) > 0.5)
        bytes += std::ceil ((double) info.lengthInSamples * projectRate / info.sampleRate) * perFrame;

    return toBytes (bytes);
}

bool checkTrackReadMemory (const AudioFileInfo& info, double projectRate, juce::int64 heldBytes,
                           juce::String& error)
{
    const auto needed = toBytes ((double) trackReadBytes (info, projectRate) + (double) heldBytes);
    const auto budget = audioMemoryBudgetBytes();

    if (needed <= budget)
        return true;

    error = "Reading it would take the render to about " + gigabytesText (needed)
          + " of memory and at most " + gigabytesText (budget) + " may be used.";
    return false;
}

} // namespace korvid
