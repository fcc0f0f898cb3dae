#include "core/render/OutputFiles.h"

#include "core/audio/PeakLevels.h"
#include "core/audio/Resampler.h"
#include "core/audio/WaveformOverview.h"
#include "core/model/CodecCapabilities.h"
#include "core/codec/EncoderFactory.h"
#include "core/codec/EncoderSettings.h"
#include "core/model/PathGuards.h"
#include "core/model/PresetChecks.h"
#include "core/model/OutputNaming.h"
#include "core/platform/FolderCreation.h"
#include "core/platform/SafeFileWriter.h"
#include "core/platform/TemporaryFiles.h"
#include "core/report/ReportText.h"

#include <cmath>
#include <map>

namespace korvid
{

namespace
{

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

// As many names as the naming itself tries before it gives up.
constexpr int mostNamesClaimed = 999;

// Gives a complete file its final name (see writeBufferFiles); on failure `failure` holds
// the report's line.
bool claimFinalName (SafeFileWriter& writer, const PlannedFile& planned, CollisionPolicy policy,
                     const juce::String& label, juce::File& claimed, juce::String& failure)
{
    const auto writerFailed = [&]
    {
        failure = label + " -> " + planned.file.getFileName() + ": " + writer.error;
        return false;
    };

    if (policy == CollisionPolicy::overwrite)
    {
        if (! writer.commit())
            return writerFailed();

        claimed = planned.file;
        return true;
    }

    auto candidate = planned.file;

    for (int attempt = 0; attempt < mostNamesClaimed; ++attempt)
    {
        const auto outcome = writer.commitAsNewFile (candidate);

        if (outcome == SafeFileWriter::NewName::claimed)
        {
            claimed = candidate;
            return true;
        }

        if (outcome == SafeFileWriter::NewName::failed)
            return writerFailed();

        // Another run wrote this name since it was planned.
        if (policy == CollisionPolicy::abort)
        {
            failure = "'" + candidate.getFileName() + "' already exists.";
            return false;
        }

        candidate = planned.namedFile;

        if (! findFreeFileName (candidate, CollisionPolicy::incrementVersion, {}, failure))
            return false;

        if (! isPathLengthAllowed (candidate))
        {
            failure = "The generated path is too long: " + candidate.getFullPathName();
            return false;
        }
    }

    failure = "Could not find a free name for '" + planned.namedFile.getFileName() + "'.";
    return false;
}

} // namespace

bool prepareOutputFolder (const CueOutput& output, const OutputFormat& format, FileKind kind, juce::File& folder,
                          juce::String& error)
{
    const auto& request = output.request;
    const auto joined = deliveredSubFolder (request.preset.exportSettings, format, kind == FileKind::stem);

    if (joined.isEmpty())
    {
        folder = request.outputFolder;
        return true;
    }

    juce::File resolved;

    if (! resolveSubFolder (request.outputFolder, joined, resolved))
    {
        error = "The sub-folder '" + joined + "' is not a valid relative path.";
        return false;
    }

    if (! output.createsFolders)
    {
        folder = resolved;
        return true;
    }

    const auto created = createFolderWithParents (resolved);

    if (created.failed())
    {
        error = "Could not create '" + resolved.getFullPathName() + "': " + created.getErrorMessage();
        return false;
    }

    folder = resolved;
    return true;
}

BufferFiles planBufferFiles (const CueOutput& output, const juce::String& namingTemplate,
                             const juce::String& fileNameToken, const juce::String& shortCode, int fileIndex,
                             const juce::String& label, FileKind kind, double levelDb, bool ownGain)
{
    const auto& request = output.request;
    const auto& preset = request.preset;
    const auto& settings = preset.exportSettings;
    const double projectRate = request.sampleRate;

    BufferFiles files;
    files.label = label;
    files.kind = kind;
    files.levelDb = levelDb;
    files.ownGain = ownGain;

    const int entryCount = juce::jmin (writtenFormatCount, (int) settings.formats.size());

    for (int position = 1; position <= entryCount; ++position)
    {
        const auto& format = settings.formats[(size_t) (position - 1)];

        // A disabled entry is not replaced by a later one.
        if (! format.enabled)
            continue;

        files.files.emplace_back();
        auto& planned = files.files.back();
        planned.position = position;
        planned.codec = format.codec;

        if (! isCodecAvailable (format.codec))
        {
            planned.planningError = codecUnavailableMessage (format.codec);
            break;
        }

        const double requestedRate = format.sampleRate > 0.0 ? format.sampleRate : projectRate;
        planned.writtenRate = writtenSampleRate (format, projectRate);

        if (std::abs (planned.writtenRate - requestedRate) > 0.5)
            planned.rateWarning = toString (format.codec).toUpperCase() + " cannot store " + kiloHertzText (requestedRate)
                                + " kHz; written at " + kiloHertzText (planned.writtenRate) + " kHz instead.";

        juce::File folder;
        juce::String error;

        if (! prepareOutputFolder (output, format, kind, folder, error))
        {
            planned.planningError = error;
            break;
        }

        // A run that was killed left its temporary files here; a running one keeps its own.
        if (output.sweptFolders != nullptr && ! output.sweptFolders->contains (folder.getFullPathName()))
        {
            output.sweptFolders->add (folder.getFullPathName());
            removeLeftoverTemporaryFiles (folder);
        }

        juce::StringArray unknownTokens;
        const auto name = makeDeliveredFileName (preset.metadata, settings.naming, format, projectRate,
                                                 { namingTemplate, fileNameToken, shortCode, fileIndex }, &unknownTokens);

        for (const auto& token : unknownTokens)
            planned.namingWarnings.add ("Unknown naming token " + token + " was ignored.");

        auto file = folder.getChildFile (name);
        planned.namedFile = file;

        // Never replaces a file this run already wrote, or is still writing, whatever the policy.
        if (! findFreeFileName (file, settings.naming.collisionPolicy, output.writtenPaths, error,
                                output.stillBeingWritten))
        {
            planned.planningError = error;
            break;
        }

        if (! isWithinFolder (request.outputFolder, file))
        {
            planned.planningError = "Refusing to write outside the export folder: " + file.getFullPathName();
            break;
        }

        if (! isPathLengthAllowed (file))
        {
            planned.planningError = "The generated path is too long: " + file.getFullPathName();
            break;
        }

        planned.file = file;
        planned.settings.codec = format.codec;
        planned.settings.sampleFormat = format.sampleFormat;
        planned.settings.sampleRate = planned.writtenRate;
        planned.settings.mp3Bitrate = nearestMp3Bitrate (format.mp3Bitrate);
        planned.settings.dither = format.dither;
        planned.settings.ditherSeed = ditherSeedFor (position, kind, fileIndex);

        output.writtenPaths.add (file.getFullPathName());

        if (output.stillBeingWritten != nullptr)
            output.stillBeingWritten->add (file.getFullPathName());
    }

    return files;
}

void writeBufferFiles (const RenderRequest& request, const juce::AudioBuffer<double>& buffer, BufferFiles& files,
                       const CancelTest& isCancelled)
{
    if (files.files.empty())
        return;

    const double projectRate = request.sampleRate;
    const auto policy = request.preset.exportSettings.naming.collisionPolicy;
    const auto overview = makeWaveformOverview (buffer, projectRate, writtenFileOverviewBuckets, isCancelled);

    // Converted copies for this buffer only, one per whole-number rate.
    std::map<juce::int64, juce::AudioBuffer<double>> convertedCopies;

    for (auto& planned : files.files)
    {
        if (korvid::isCancelled (isCancelled))
            return;

        planned.reached = true;

        if (planned.planningError.isNotEmpty())
            return;

        const juce::AudioBuffer<double>* audio = &buffer;

        if (std::abs (planned.writtenRate - projectRate) > 0.5)
        {
            const auto rateKey = (juce::int64) std::llround (planned.writtenRate);
            auto found = convertedCopies.find (rateKey);

            if (found == convertedCopies.end())
            {
                auto converted = resampleBuffer (buffer, projectRate, planned.writtenRate, isCancelled);

                if (converted.getNumChannels() == 0)
                {
                    // A cancel is reported by the cue itself, not as an error.
                    if (! korvid::isCancelled (isCancelled))
                        files.writingError = "Could not convert '" + files.label + "' to " + kiloHertzText (planned.writtenRate)
                                           + " kHz: the audio is too long or there is not enough memory for it.";
                    return;
                }

                found = convertedCopies.emplace (rateKey, std::move (converted)).first;
            }

            audio = &found->second;
        }

        planned.converted = true;
        juce::String error;
        auto encoder = makeEncoder (planned.codec, error);

        if (encoder == nullptr)
        {
            files.writingError = error;
            return;
        }

        planned.settings.channels = audio->getNumChannels();
        SafeFileWriter writer (planned.file);

        // Counted as it goes to the file, before the encoder holds it to full scale.
        const auto clipped = countSamplesAtOrAbove (*audio, 1.0, isCancelled);

        if (! encoder->encodeInto (*audio, writer, planned.settings, error, isCancelled))
        {
            if (! korvid::isCancelled (isCancelled))
                files.writingError = files.label + " -> " + planned.file.getFileName() + ": " + error;
            return;
        }

        juce::File claimed;

        if (! claimFinalName (writer, planned, policy, files.label, claimed, files.writingError))
            return;

        auto& written = planned.result;
        written.file = claimed;
        written.label = files.label;
        written.formatDescription = planned.settings.toText();
        written.sampleRate = planned.writtenRate;
        written.lossless = isLosslessCodec (planned.codec);
        written.kind = files.kind;
        written.sizeBytes = claimed.getSize();
        written.overview = overview;
        written.levelDb = files.levelDb;
        written.ownGain = files.ownGain;
        written.clippedSamples = clipped;
        planned.written = true;
    }
}

bool recordBufferFiles (const CueOutput& output, const BufferFiles& files)
{
    auto& report = output.report;
    bool complete = true;

    for (const auto& planned : files.files)
    {
        settleReservedName (output, planned);

        if (! complete)
            continue;

        // A cancel came before this entry.
        if (! planned.reached)
        {
            complete = false;
            continue;
        }

        if (planned.rateWarning.isNotEmpty())
            report.warnings.addIfNotAlreadyThere (planned.rateWarning);

        if (planned.planningError.isEmpty() && ! planned.converted)
        {
            // The conversion to the written rate failed or was cancelled.
            if (files.writingError.isNotEmpty())
                report.errors.add (files.writingError);

            complete = false;
            continue;
        }

        for (const auto& warning : planned.namingWarnings)
            report.warnings.addIfNotAlreadyThere (warning);

        if (planned.planningError.isNotEmpty())
        {
            report.errors.add (planned.planningError);
            complete = false;
            continue;
        }

        if (! planned.written)
        {
            if (files.writingError.isNotEmpty())
                report.errors.add (files.writingError);

            complete = false;
            continue;
        }

        report.files.push_back (planned.result);
    }

    return complete;
}

void settleReservedName (const CueOutput& output, const PlannedFile& planned)
{
    if (planned.file == juce::File())
        return;

    const auto reserved = planned.file.getFullPathName();

    if (output.stillBeingWritten != nullptr)
        output.stillBeingWritten->removeString (reserved, true);

    // A name nobody wrote is free again for later outputs; the file may have been written
    // under another name than the one reserved.
    output.writtenPaths.removeString (reserved, true);

    if (planned.written)
        output.writtenPaths.add (planned.result.file.getFullPathName());
}

bool isStemExported (const RequestStem& stem)
{
    return ! stem.trackFiles.empty() || stem.emptyPolicy == EmptyPolicy::exportSilence;
}

std::vector<int> assignFileIndices (const RenderRequest& request)
{
    const auto& settings = request.preset.exportSettings;
    std::vector<int> indices (request.stems.size(), 0);

    int next = firstStemNumber (settings, (int) request.preset.schema.submixes.size());

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

} // namespace korvid
