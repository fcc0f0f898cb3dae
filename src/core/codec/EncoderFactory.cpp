#include "core/codec/EncoderFactory.h"

#include "core/model/CodecCapabilities.h"
#include "core/codec/JuceFileEncoder.h"

namespace korvid
{

std::unique_ptr<AudioEncoder> makeEncoder (Codec codec, juce::String& error)
{
    error.clear();

    switch (codec)
    {
        case Codec::wav:
        case Codec::aiff:
        case Codec::flac:
            return std::make_unique<JuceFileEncoder> (codec);
        case Codec::mp3:
        default:
            break;
    }

    error = codecUnavailableMessage (codec);
    return nullptr;
}

} // namespace korvid
