#include "core/render/OutputFiles.h"

#include "core/audio/AudioBuffers.h"
#include "core/audio/GainDecision.h"
#include "core/audio/PeakLevels.h"
#include "core/audio/Resampler.h"
#include "core/audio/WaveformOverview.h"
#include "core/model/CodecCapabilities.h"
#include "core/codec/EncoderFactory.h"
#include "core/codec/EncoderSettings.h"
#include "core/model/PathGuards.h"
#include "core/model/PresetChecks.h"
#include "core/model/OutputNaming.h"
#include "core/report/ReportText.h"

#include <cmath>

namespace korvid
{

namespace
{

bool cancelled (const CueOutput& output)
{
    return isCancelled (output.isCancelled);
}

juce::String kiloHertzText (double rate)
{
    return juce::String (rate / 1000.0, 1);
}

// Seeds differ per format position, kind of file and index, so no two files share noise.
std::uint64_t ditherSeedFor (int position, FileKind kind, int fileIndex)
{
    const auto seed = (juce::int64) position * 31 + (juce::int64) kind * 7919 + (juce::int64) fileIndex * 1009 + 1;
    return (std::uint64_t) seed;
}

} // namespace

bool prepareOutputFolder (const CueOutput& output, const OutputFormat& format, FileKind kind, juce::File& folder)
{
    const auto& request = output.request;
    juce::StringArray parts;

    const auto formatFolder = format.subFolder.trim();

    if (formatFolder.isNotEmpty())
        parts.add (formatFolder);

    const auto stemsFolder = request.preset.exportSettings.stemsSubFolder.trim();

    if (kind == FileKind::stem && stemsFolder.isNotEmpty())
        parts.add (stemsFolder);

    if (parts.isEmpty())
    {
        folder = request.outputFolder;
        return true;
    }

    const auto joined = parts.joinIntoString ("/");
    juce::File resolved;

    if (! resolveSubFolder (request.outputFolder, joined, resolved))
    {
        output.report.errors.add ("The sub-folder '" + joined + "' is not a valid relative path.");
        return false;
    }

    const auto created = resolved.createDirectory();

    if (created.failed())
    {
        output.report.errors.add ("Could not create '" + resolved.getFullPathName() + "': " + created.getErrorMessage());
        return false;
    }

    folder = resolved;
    return true;
}

bool writeOutputFile (const CueOutput& output,
                      const juce::AudioBuffer<double>& buffer,
                      const juce::String& namingTemplate,
                      const juce::String& fileNameToken,
                      const juce::String& shortCode,
                      int fileIndex,
                      const juce::String& label,
                      FileKind kind,
                      double levelDb,
                      bool ownGain)
{
    const auto& request = output.request;
    const auto& preset = request.preset;
    const auto& settings = preset.exportSettings;
    auto& report = output.report;
    const double projectRate = request.sampleRate;

    const auto overview = makeWaveformOverview (buffer, projectRate, writtenFileOverviewBuckets, output.isCancelled);

    // Converted copies for this call only, one per whole-number rate.
    std::map<juce::int64, juce::AudioBuffer<double>> convertedCopies;

    const int entryCount = juce::jmin (writtenFormatCount, (int) settings.formats.size());

    for (int position = 1; position <= entryCount; ++position)
    {
        const auto& format = settings.formats[(size_t) (position - 1)];

        // A disabled entry is not replaced by a later one.
        if (! format.enabled)
            continue;

        if (cancelled (output))
            return false;

        if (! isCodecAvailable (format.codec))
        {
            report.errors.add (codecUnavailableMessage (format.codec));
            return false;
        }

        const double requestedRate = format.sampleRate > 0.0 ? format.sampleRate : projectRate;
        const double writtenRate = nearestSupportedSampleRate (format.codec, requestedRate);

        if (std::abs (writtenRate - requestedRate) > 0.5)
            report.warnings.addIfNotAlreadyThere (toString (format.codec).toUpperCase() + " cannot store "
                                                  + kiloHertzText (requestedRate) + " kHz; written at "
                                                  + kiloHertzText (writtenRate) + " kHz instead.");

        const juce::AudioBuffer<double>* audio = &buffer;

        if (std::abs (writtenRate - projectRate) > 0.5)
        {
            const auto rateKey = (juce::int64) std::llround (writtenRate);
            auto found = convertedCopies.find (rateKey);

            if (found == convertedCopies.end())
            {
                auto converted = resampleBuffer (buffer, projectRate, writtenRate, output.isCancelled);

                if (converted.getNumChannels() == 0)
                {
                    // A cancel is reported by the cue itself, not as an error.
                    if (! cancelled (output))
                        report.errors.add ("Could not convert '" + label + "' to " + kiloHertzText (writtenRate)
                                           + " kHz: the audio is too long or there is not enough memory for it.");
                    return false;
                }

                found = convertedCopies.emplace (rateKey, std::move (converted)).first;
            }

            audio = &found->second;
        }

        juce::File folder;

        if (! prepareOutputFolder (output, format, kind, folder))
            return false;

        NamingValues values;
        values.publisher = preset.metadata.publisher;
        values.project = preset.metadata.project;
        values.cue = preset.metadata.cue;
        values.composer = preset.metadata.composer;
        values.version = preset.metadata.version;
        values.stemName = fileNameToken;
        values.stemCode = shortCode;
        values.stemIndex = fileIndex;
        values.indexPadding = settings.naming.indexPadding;
        values.sampleRate = writtenRate;
        values.codec = format.codec;
        values.sampleFormat = format.sampleFormat;
        values.mp3Bitrate = nearestMp3Bitrate (format.mp3Bitrate);

        juce::StringArray unknownTokens;
        const auto name = makeOutputFileName (namingTemplate, values, settings.naming, &unknownTokens);

        for (const auto& token : unknownTokens)
            report.warnings.addIfNotAlreadyThere ("Unknown naming token " + token + " was ignored.");

        auto file = folder.getChildFile (name);
        juce::String error;

        // Never replaces a file this cue already wrote, whatever the policy.
        if (! findFreeFileName (file, settings.naming.collisionPolicy, output.writtenPaths, error))
        {
            report.errors.add (error);
            return false;
        }

        if (! isWithinFolder (request.outputFolder, file))
        {
            report.errors.add ("Refusing to write outside the export folder: " + file.getFullPathName());
            return false;
        }

        if (! isPathLengthAllowed (file))
        {
            report.errors.add ("The generated path is too long: " + file.getFullPathName());
            return false;
        }

        auto encoder = makeEncoder (format.codec, error);

        if (encoder == nullptr)
        {
            report.errors.add (error);
            return false;
        }

        EncoderSettings encoderSettings;
        encoderSettings.codec = format.codec;
        encoderSettings.sampleFormat = format.sampleFormat;
        encoderSettings.sampleRate = writtenRate;
        encoderSettings.channels = audio->getNumChannels();
        encoderSettings.mp3Bitrate = values.mp3Bitrate;
        encoderSettings.dither = format.dither;
        encoderSettings.ditherSeed = ditherSeedFor (position, kind, fileIndex);

        if (! encoder->encode (*audio, file, encoderSettings, error, output.isCancelled))
        {
            if (! cancelled (output))
                report.errors.add (label + " -> " + file.getFileName() + ": " + error);
            return false;
        }

        output.writtenPaths.add (file.getFullPathName());

        WrittenFile written;
        written.file = file;
        written.label = label;
        written.formatDescription = encoderSettings.toText();
        written.sampleRate = writtenRate;
        written.lossless = isLosslessCodec (format.codec);
        written.kind = kind;
        written.sizeBytes = file.getSize();
        written.overview = overview;
        written.levelDb = levelDb;
        written.ownGain = ownGain;
        report.files.push_back (std::move (written));
    }

    return true;
}

bool isStemExported (const RequestStem& stem)
{
    return ! stem.trackFiles.empty() || stem.emptyPolicy == EmptyPolicy::exportSilence;
}

std::vector<int> assignFileIndices (const RenderRequest& request)
{
    const auto& settings = request.preset.exportSettings;
    std::vector<int> indices (request.stems.size(), 0);

    int next = 1;

    if (settings.naming.numberMixesFirst && settings.exportFullMix)
    {
        next = settings.fullMixIndex + 1;

        // Every alternative mix of the schema keeps its number, written or not.
        if (settings.exportSubmixes)
            next += (int) request.preset.schema.submixes.size();
    }

    for (size_t i = 0; i < request.stems.size(); ++i)
    {
        const auto& stem = request.stems[i];

        if (settings.naming.numbering == Numbering::schemaIndex)
            indices[i] = stem.index;
        else if (isStemExported (stem))
            indices[i] = next++;
    }

    return indices;
}

bool writeAlternativeMixes (const CueOutput& output,
                            const std::map<juce::String, juce::AudioBuffer<double>>& keptStems,
                            juce::int64 renderLength,
                            const WritingProgress& progress)
{
    const auto& request = output.request;
    const auto& preset = request.preset;
    const auto& settings = preset.exportSettings;
    const auto& headroom = settings.headroom;
    auto& report = output.report;

    if (preset.schema.submixes.empty() || ! settings.exportSubmixes)
        return true;

    const bool truePeakMode = headroom.peakMode == PeakMode::truePeak;
    int written = 0;
    juce::AudioBuffer<double> ownMix;   // one buffer summed into for every mix
    auto& mix = output.mixScratch != nullptr ? *output.mixScratch : ownMix;

    for (const auto& submix : preset.schema.submixes)
    {
        if (cancelled (output))
            return false;

        if (progress != nullptr)
            progress (0.92, "Writing " + submix.name + "...");

        juce::String error;

        if (! prepareRenderBuffer (mix, request.channels, renderLength, error))
        {
            report.errors.add (submix.name + ": " + error);
            return false;
        }

        juce::StringArray summed;

        for (const auto& stemId : submix.stems)
        {
            const auto kept = keptStems.find (stemId);

            // A member listed twice is still summed once.
            if (kept == keptStems.end() || summed.contains (stemId))
                continue;

            mixBufferInto (mix, kept->second);
            summed.add (stemId);
        }

        if (summed.isEmpty())
        {
            report.warnings.add ("Alternative mix '" + submix.name + "' has no stems with audio in them and was not written.");
            continue;
        }

        const auto peaks = measurePeaks (mix, truePeakMode, headroom.truePeakOversampling, output.isCancelled);

        if (cancelled (output))
            return false;

        double peak = truePeakMode ? peaks.truePeak : peaks.samplePeak;

        if (headroom.submixesReachTargetIndependently)
        {
            const auto gain = computeGain (peaks, headroom);
            mix.applyGain (gain.linearGain);
            peak *= gain.linearGain;
        }

        const auto code = submix.shortCode.trim().isNotEmpty() ? submix.shortCode.trim() : submix.name;

        if (! writeOutputFile (output, mix, settings.naming.mixTemplate, submix.name, code,
                              settings.fullMixIndex + 1 + written, submix.name, FileKind::alternativeMix,
                              linearPeakToDb (peak), headroom.submixesReachTargetIndependently))
            return false;

        ++written;
    }

    return true;
}

} // namespace korvid
