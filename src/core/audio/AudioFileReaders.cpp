#include "core/audio/AudioFileReaders.h"

#include "core/audio/AiffHeader.h"
#include "core/audio/FlacFileReader.h"
#include "core/audio/PcmFileReader.h"
#include "core/audio/WavHeader.h"

namespace korvid
{

namespace
{
std::unique_ptr<juce::AudioFormatReader> openFlac (juce::InputStream* stream, bool deleteStreamIfOpeningFails,
                                                   juce::String& refusal)
{
    auto reader = std::make_unique<FlacFileReader> (stream);

    if (reader->isOpen())
        return reader;

    refusal = reader->refusal();

    if (! deleteStreamIfOpeningFails)
        reader->input = nullptr;

    return nullptr;
}
} // namespace

std::unique_ptr<juce::AudioFormatReader> openAudioStream (AudioFileKind kind, juce::InputStream* stream,
                                                          bool deleteStreamIfOpeningFails, juce::String& refusal)
{
    refusal.clear();

    if (stream == nullptr)
        return nullptr;

    if (kind == AudioFileKind::flac)
        return openFlac (stream, deleteStreamIfOpeningFails, refusal);

    PcmLayout layout;
    const bool readable = kind == AudioFileKind::wav ? readWavHeader (*stream, layout, refusal)
                                                     : readAiffHeader (*stream, layout, refusal);
    if (readable)
        return std::make_unique<PcmFileReader> (stream, layout);

    if (deleteStreamIfOpeningFails)
        delete stream;

    return nullptr;
}

} // namespace korvid
