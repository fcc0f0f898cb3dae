#include "core/audio/AudioReadSentences.h"

namespace korvid
{

juce::String unsupportedWordSentence (int bits, bool floatingPoint)
{
    return juce::String (bits) + (floatingPoint ? "-bit float" : "-bit integer")
         + " audio is not supported; export the tracks as 32-bit float or 24-bit.";
}

} // namespace korvid
