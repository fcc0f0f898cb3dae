#include "core/model/PresetChecks.h"

#include "core/model/CodecCapabilities.h"
#include "core/model/OutputNameClashes.h"
#include "core/model/PathGuards.h"

#include <algorithm>

namespace korvid
{

namespace
{
    juce::String kiloHertz (double rate)
    {
        return juce::String (rate / 1000.0, 1);
    }

    bool holdsAnyOf (const juce::String& text, const juce::String& characters)
    {
        return text.containsAnyOf (characters);
    }

    // A single folder name: none of the nine characters and no "..".
    bool isValidFolderName (const juce::String& name)
    {
        return ! holdsAnyOf (name, illegalFileNameCharacters()) && ! name.contains ("..");
    }
}

bool isValidFormatSubFolder (const juce::String& subFolder)
{
    const auto text = subFolder.trim();

    // "/" only separates parts; a leading one would make the path absolute.
    if (juce::File::isAbsolutePath (text) || text.startsWithChar ('/'))
        return false;

    const auto forbidden = illegalFileNameCharacters().removeCharacters ("/");
    return ! holdsAnyOf (text, forbidden) && ! text.contains ("..");
}

juce::String describeOutputFormat (const OutputFormat& format)
{
    auto text = toString (format.codec).toUpperCase();

    if (usesBitrate (format.codec))
        text << " " << format.mp3Bitrate << " kbps";
    else if (format.sampleFormat == SampleFormat::float32)
        text << " 32-bit float";
    else
        text << " " << bitsPerSample (format.sampleFormat) << "-bit";

    if (format.sampleRate > 0.0)
        text << " @ " << kiloHertz (format.sampleRate) << " kHz";

    return text;
}

ValidationResult validateExportSettings (const ExportSettings& settings)
{
    ValidationResult result;
    auto& errors = result.errors;
    auto& warnings = result.warnings;

    if (! supportsSampleRate (Codec::wav, settings.masterSampleRate))
        errors.add ("Unsupported project sample rate: " + juce::String (settings.masterSampleRate, 0));

    const auto& formats = settings.formats;

    if (formats.empty())
        errors.add ("No output format is configured.");

    // Entries past the first two are never written, so they neither count nor get examined.
    const auto entries = writtenFormatEntries (settings);

    if (entries.empty())
        errors.add ("Every output format is disabled, nothing would be written.");

    if (formats.size() > (size_t) writtenFormatCount)
        warnings.add ("This preset lists " + juce::String ((int) formats.size()) + " output formats; only the first "
                      + juce::String (writtenFormatCount) + " will be written.");

    bool anyLossless = false;

    for (const int entry : entries)
    {
        const auto& format = formats[(size_t) entry];
        const auto description = describeOutputFormat (format);
        const auto codecName = toString (format.codec).toUpperCase();
        anyLossless = anyLossless || isLosslessCodec (format.codec);

        if (! isCodecAvailable (format.codec))
            errors.add (description + ": " + codecUnavailableMessage (format.codec));

        if (isLosslessCodec (format.codec) && ! supportsSampleFormat (format.codec, format.sampleFormat))
            errors.add (description + ": " + codecName + " cannot store " + toString (format.sampleFormat) + ".");

        const double rate = format.sampleRate > 0.0 ? format.sampleRate : settings.masterSampleRate;

        if (! supportsSampleRate (format.codec, rate))
            warnings.add (description + ": " + kiloHertz (rate) + " kHz is not valid for this codec, it will be resampled to "
                          + kiloHertz (nearestSupportedSampleRate (format.codec, rate)) + " kHz.");

        if (usesBitrate (format.codec) && nearestMp3Bitrate (format.mp3Bitrate) != format.mp3Bitrate)
            warnings.add (description + ": bitrate will be clamped to " + juce::String (nearestMp3Bitrate (format.mp3Bitrate))
                          + " kbps.");

        if (format.sampleFormat == SampleFormat::float32 && format.dither != Dither::none)
            warnings.add (description + ": dither is meaningless for a floating point output and will be skipped.");

        if (! isValidFormatSubFolder (format.subFolder))
            errors.add (description + ": the sub-folder name contains characters that are not allowed.");
    }

    if (! anyLossless)
        warnings.add ("The reconstruction check needs at least one lossless format and will be skipped.");

    if (! settings.exportFullMix)
        warnings.add ("The reconstruction check needs the full mix and will be skipped.");

    if (! isValidFolderName (settings.stemsSubFolder))
        errors.add ("The stems folder name contains characters that are not allowed.");

    const auto& headroom = settings.headroom;

    if (headroom.targetDb > 0.0)
        errors.add ("The headroom target must be 0 dB or lower.");

    if (headroom.targetDb < -60.0)
        warnings.add ("A headroom target below -60 dB is unusual.");

    if (headroom.truePeakOversampling < 2 || headroom.truePeakOversampling > 8)
        errors.add ("True peak oversampling must be 2, 4 or 8.");

    const auto& naming = settings.naming;

    if (naming.stemTemplate.trim().isEmpty())
        errors.add ("The stem naming template is empty.");

    if (! naming.stemTemplate.contains ("{stemName}") && ! naming.stemTemplate.contains ("{stemCode}"))
        errors.add ("The stem naming template must contain {stemName} or {stemCode}, otherwise every stem would produce the same file name.");

    if (settings.exportFullMix && naming.mixTemplate.trim().isEmpty())
        errors.add ("The full mix naming template is empty.");

    if (naming.indexPadding < 1 || naming.indexPadding > 6)
        errors.add ("Index padding must be between 1 and 6 digits.");

    return result;
}

ValidationResult validatePresetIdentity (const Preset& preset)
{
    ValidationResult result;

    if (preset.id.trim().isEmpty())
        result.errors.add ("The preset has no id.");

    if (preset.name.trim().isEmpty())
        result.errors.add ("The preset has no name.");

    return result;
}

ValidationResult validatePresetSchema (const Preset& preset)
{
    ValidationResult result;
    appendPrefixed (result, validateSchema (preset.schema), "Stem schema");
    return result;
}

ValidationResult validatePresetSettings (const Preset& preset)
{
    ValidationResult result;
    appendPrefixed (result, validateExportSettings (preset.exportSettings), "Export settings");

    const auto& settings = preset.exportSettings;

    if (settings.exportFullMix)
    {
        const auto fullMixName = settings.fullMixName.trim();
        const auto fullMixCode = settings.fullMixCode.trim();

        for (const auto& stem : preset.schema.stems)
        {
            if (stem.effectiveFileNameToken().equalsIgnoreCase (fullMixName))
                result.errors.add ("Stem '" + stem.displayName + "' has the same file name token as the full mix.");

            const auto code = stem.shortCode.trim();

            if (code.isNotEmpty() && code.equalsIgnoreCase (fullMixCode))
                result.errors.add ("Stem '" + stem.displayName + "' has the same short code as the full mix.");
        }
    }

    return result;
}

ValidationResult validatePreset (const Preset& preset)
{
    auto result = validatePresetIdentity (preset);
    appendPrefixed (result, validatePresetSchema (preset), {});
    appendPrefixed (result, validatePresetSettings (preset), {});
    result.errors.addArray (findOutputNameClashes (preset));
    return result;
}

std::vector<int> writtenFormatEntries (const ExportSettings& settings)
{
    std::vector<int> entries;
    const auto count = std::min (settings.formats.size(), (size_t) writtenFormatCount);

    for (size_t i = 0; i < count; ++i)
        if (settings.formats[i].enabled)
            entries.push_back ((int) i);

    return entries;
}

} // namespace korvid
