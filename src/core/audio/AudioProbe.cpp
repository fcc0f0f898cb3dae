#include "core/audio/AudioProbe.h"

#include "core/audio/AudioFormats.h"
#include "core/audio/AudioLimits.h"

#include <locale>
#include <memory>
#include <sstream>

namespace korvid
{

namespace
{
// The way a standard stream writes a double by default: up to six significant digits.
juce::String streamText (double value)
{
    std::ostringstream stream;
    stream.imbue (std::locale::classic());
    stream << value;
    return juce::String (stream.str());
}

juce::String shortFormatName (const juce::String& readerFormatName)
{
    auto name = readerFormatName.trim();
    const auto fileWord = name.indexOfIgnoreCase (" file");

    if (fileWord >= 0)
        name = name.substring (0, fileWord);

    name = name.trim();
    return name.isEmpty() ? readerFormatName : name;
}
} // namespace

bool checkReaderLimits (const juce::AudioFormatReader& reader, juce::String& error)
{
    const auto channels = (juce::int64) reader.numChannels;
    const double rate = reader.sampleRate;
    const juce::int64 length = reader.lengthInSamples;

    if (channels == 0)
    {
        error = "The file reports zero channels.";
        return false;
    }

    if (channels > maxAudioChannels)
    {
        error = "The file has " + juce::String (channels) + " channels, the limit is "
              + juce::String (maxAudioChannels) + ".";
        return false;
    }

    if (! (rate >= minAudioSampleRate && rate <= maxAudioSampleRate))
    {
        error = "Unsupported sample rate: " + streamText (rate) + " Hz.";
        return false;
    }

    if (length < 0)
    {
        error = "The file reports a negative length.";
        return false;
    }

    if (length == 0)
    {
        error = "The file contains no audio.";
        return false;
    }

    const double seconds = (double) length / rate;

    if (seconds > maxAudioDurationSeconds)
    {
        error = "The file is " + juce::String (seconds / 60.0, 1) + " minutes long, the limit is "
              + juce::String ((int) (maxAudioDurationSeconds / 60.0)) + " minutes.";
        return false;
    }

    return true;
}

bool probeAudioFile (const juce::File& file, AudioFileInfo& info, juce::String& error)
{
    error.clear();

    if (! file.existsAsFile())
    {
        error = "The file does not exist.";
        return false;
    }

    const auto size = file.getSize();

    if (size <= 0)
    {
        error = "The file is empty.";
        return false;
    }

    if (size > maxAudioFileBytes)
    {
        error = "The file is larger than the " + juce::String (maxAudioFileBytes >> 30) + " GB limit.";
        return false;
    }

    juce::String refusal;
    auto reader = createBufferedReaderFor (file, refusal);

    if (reader == nullptr)
    {
        error = refusal.isNotEmpty() ? refusal : juce::String ("Not a readable audio file, or the format is not supported.");
        return false;
    }

    if (! checkReaderLimits (*reader, error))
        return false;

    AudioFileInfo probed;
    probed.formatName = shortFormatName (reader->getFormatName());
    probed.sampleRate = reader->sampleRate;
    probed.bitsPerSample = (int) reader->bitsPerSample;
    probed.floatingPoint = reader->usesFloatingPointData;
    probed.numChannels = (int) reader->numChannels;
    probed.lengthInSamples = reader->lengthInSamples;

    info = probed;
    return true;
}

} // namespace korvid
