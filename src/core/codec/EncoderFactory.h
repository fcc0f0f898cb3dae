#pragma once

#include "core/codec/AudioEncoder.h"

#include <memory>

namespace korvid
{

/** An encoder for wav, aiff or flac, with `error` emptied. For any other codec: null,
    and `error` says why the codec cannot be written. */
std::unique_ptr<AudioEncoder> makeEncoder (Codec codec, juce::String& error);

} // namespace korvid
