#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** Where and how a WAV or AIFF file stores its uncompressed samples, as its header says. */
struct PcmLayout
{
    juce::String formatName;        // "WAV file" or "AIFF file"
    double sampleRate = 0.0;
    int numChannels = 0;
    int validBits = 0;              // the bits the file declares, the high bits of each word
    int wordBytes = 0;              // bytes one sample takes in the file: 1 to 4
    bool floatingPoint = false;     // 32-bit IEEE float words
    bool bigEndian = false;
    bool offsetBinary = false;      // 8-bit WAV words are unsigned, silence at 128
    juce::int64 dataStart = 0;      // byte position of the first frame
    juce::int64 frames = 0;         // from the data size the header gives

    int frameBytes() const { return numChannels * wordBytes; }
};

} // namespace korvid
