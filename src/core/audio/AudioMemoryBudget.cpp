#include "core/audio/AudioMemoryBudget.h"

#include <limits>

namespace korvid
{

namespace
{
juce::String gigabytesText (juce::int64 bytes)
{
    return juce::String ((double) bytes / (double) ((juce::int64) 1 << 30), 1) + " GB";
}
} // namespace

juce::int64 audioMemoryBudgetBytes()
{
    // Half the physical memory: the other half stays for the rest of the application,
    // other reads running at the same time and the system.
    static const juce::int64 budget = []
    {
        const auto megabytes = (juce::int64) juce::SystemStats::getMemorySizeInMegabytes();
        const juce::int64 oneGigabyte = (juce::int64) 1 << 30;

        if (megabytes <= 0)
            return 4 * oneGigabyte;

        return juce::jmax (oneGigabyte, megabytes * 1024 * 1024 / 2);
    }();

    return budget;
}

juce::int64 audioBufferBytes (juce::int64 channels, juce::int64 frames, int bytesPerSample)
{
    if (channels <= 0 || frames <= 0 || bytesPerSample <= 0)
        return 0;

    constexpr auto maxBytes = std::numeric_limits<juce::int64>::max();

    if (channels > maxBytes / bytesPerSample / frames)
        return maxBytes;

    return channels * frames * bytesPerSample;
}

bool checkAudioMemoryBudget (juce::int64 bytes, juce::String& error)
{
    const auto budget = audioMemoryBudgetBytes();

    if (bytes <= budget)
        return true;

    error = "There is not enough memory for this audio: it needs " + gigabytesText (bytes)
          + " and at most " + gigabytesText (budget) + " may be used.";
    return false;
}

} // namespace korvid
