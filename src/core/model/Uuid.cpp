#include "core/model/Uuid.h"

#include "core/platform/ThreadRandom.h"

#include <array>

namespace korvid
{

juce::String newUuidString()
{
    std::array<juce::uint8, 16> bytes {};
    const auto high = randomBits();
    const auto low = randomBits();

    for (int i = 0; i < 8; ++i)
    {
        bytes[(size_t) i]     = (juce::uint8) (high >> (8 * i));
        bytes[(size_t) i + 8] = (juce::uint8) (low >> (8 * i));
    }

    bytes[6] = (juce::uint8) ((bytes[6] & 0x0f) | 0x40);   // version 4
    bytes[8] = (juce::uint8) ((bytes[8] & 0x3f) | 0x80);   // RFC 4122 variant

    static constexpr char hexDigits[] = "0123456789abcdef";
    juce::String text;
    text.preallocateBytes (40);

    for (size_t i = 0; i < bytes.size(); ++i)
    {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text << '-';

        text << hexDigits[bytes[i] >> 4] << hexDigits[bytes[i] & 0x0f];
    }

    return text;
}

} // namespace korvid
