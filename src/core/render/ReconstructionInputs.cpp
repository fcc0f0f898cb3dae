#include "core/render/ReconstructionInputs.h"

#include "core/model/CodecCapabilities.h"
#include "core/codec/Dither.h"
#include "core/model/PresetChecks.h"

#include <cmath>

namespace korvid
{

namespace
{
constexpr double rateTolerance = 0.5;

bool isAtRate (double rate, double projectRate)
{
    return std::abs (rate - projectRate) <= rateTolerance;
}

bool comesFrom (const std::vector<WrittenFileOrigin>& origins, size_t fileIndex, int position)
{
    return fileIndex < origins.size() && origins[fileIndex].formatPosition == position;
}
} // namespace

ReconstructionInputs chooseReconstructionInputs (const RenderRequest& request,
                                                 const std::vector<WrittenFile>& files,
                                                 const std::vector<WrittenFileOrigin>& origins)
{
    ReconstructionInputs inputs;
    const auto& formats = request.preset.exportSettings.formats;
    const auto consideredEntries = juce::jmin ((int) formats.size(), writtenFormatCount);

    for (int i = 0; i < consideredEntries; ++i)
    {
        const auto& format = formats[(size_t) i];

        if (! format.enabled || ! isLosslessCodec (format.codec) || ! isCodecAvailable (format.codec))
            continue;

        const auto requested = format.sampleRate > 0.0 ? format.sampleRate : request.sampleRate;

        if (! isAtRate (nearestSupportedSampleRate (format.codec, requested), request.sampleRate))
            continue;

        inputs.formatPosition = i + 1;
        inputs.bits = bitsPerSample (format.sampleFormat);
        inputs.dither = appliesDither (format.dither, format.sampleFormat) ? format.dither : Dither::none;
        break;
    }

    if (inputs.formatPosition == 0)
        return inputs;

    const auto isCandidate = [&] (size_t index, FileKind kind)
    {
        const auto& file = files[index];
        return file.kind == kind && file.lossless && isAtRate (file.sampleRate, request.sampleRate)
            && comesFrom (origins, index, inputs.formatPosition);
    };

    for (size_t i = 0; i < files.size(); ++i)
    {
        if (isCandidate (i, FileKind::fullMix))
        {
            inputs.mixFile = files[i].file;
            break;
        }
    }

    for (const auto& stem : request.stems)
    {
        for (size_t i = 0; i < files.size(); ++i)
        {
            if (isCandidate (i, FileKind::stem) && origins[i].stemId == stem.id)
            {
                inputs.stemFiles.push_back (files[i].file);
                break;
            }
        }
    }

    return inputs;
}

} // namespace korvid
