#include "core/render/RenderMemory.h"

#include "core/model/CodecCapabilities.h"
#include "core/model/PresetChecks.h"
#include "core/render/AlternativeMixMembers.h"

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

// One buffer of the render's shape.
double unitBytes (const RenderRequest& request)
{
    if (request.channels < 1 || request.lengthFrames < 1)
        return 0.0;

    return (double) request.channels * (double) request.lengthFrames * (double) sizeof (double);
}

// A track is read block by block into doubles and may be converted to the project rate.
double trackReadShare (const RenderRequest& request)
{
    return 2.0 * unitBytes (request);
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

juce::int64 cueFixedBytes (const RenderRequest& request)
{
    const double unit = unitBytes (request);

    if (request.analysisOnly)
        return toBytes (unit);   // the mix

    int summedMixes = 0;
    const auto mixes = alternativeMixMembers (request);

    for (const auto& mix : mixes)
        if (! mix.stems.empty())
            ++summedMixes;

    // Writing: the gained mix, the alternative mixes and the stems waiting for them.
    const double writing = (1.0 + summedMixes + mostMembersWaiting (mixes, request.stems.size())) * unit;

    // Checking: the mix read back and the sum of the stems read back.
    const double checking = 2.0 * unit;

    return toBytes (juce::jmax (writing, checking));
}

juce::int64 bytesPerPiece (const RenderRequest& request)
{
    const double unit = unitBytes (request);

    // A stem and the track being read into it; while writing, the converted copies of its
    // file may take the track's place. A stem read back takes one buffer.
    const double other = request.analysisOnly ? trackReadShare (request)
                                              : juce::jmax (trackReadShare (request), conversionBytes (request));
    return toBytes (unit + other);
}

juce::int64 cueRenderMemoryBytes (const RenderRequest& request, int piecesAtOnce)
{
    return toBytes ((double) cueFixedBytes (request) + (double) juce::jmax (0, piecesAtOnce) * (double) bytesPerPiece (request));
}

int piecesThatFit (const RenderRequest& request, juce::int64 budgetBytes, int workers)
{
    const auto fixed = cueFixedBytes (request);
    const auto perPiece = bytesPerPiece (request);

    if (fixed > budgetBytes)
        return 0;

    if (perPiece <= 0)
        return juce::jmax (1, workers);

    return (int) juce::jmin ((juce::int64) juce::jmax (1, workers), (budgetBytes - fixed) / perPiece);
}

bool checkCueRenderMemory (const RenderRequest& request, juce::int64 budgetBytes, juce::String& error)
{
    const auto needed = cueRenderMemoryBytes (request, 1);

    if (needed <= budgetBytes)
        return true;

    error = "This cue needs about " + gigabytesText (needed) + " of memory to render and at most "
          + gigabytesText (budgetBytes) + " may be used.";
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

juce::int64 trackReadAllowance (const RenderRequest& request)
{
    return toBytes (trackReadShare (request));
}

bool checkTrackReadMemory (const AudioFileInfo& info, double projectRate, juce::int64 heldBytes,
                           juce::int64 budgetBytes, juce::String& error)
{
    const auto needed = toBytes ((double) trackReadBytes (info, projectRate) + (double) heldBytes);

    if (needed <= budgetBytes)
        return true;

    error = "Reading it would take the render to about " + gigabytesText (needed)
          + " of memory and at most " + gigabytesText (budgetBytes) + " may be used.";
    return false;
}

} // namespace korvid
