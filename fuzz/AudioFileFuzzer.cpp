#include "core/audio/AudioFileInfo.h"
#include "core/audio/AudioProbe.h"
#include "core/audio/AudioReading.h"
#include "core/platform/TextLocale.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{
    /** A folder of this process's own for the file under test, removed at exit. */
    struct ScratchFolder
    {
        ScratchFolder()
            : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                          .getChildFile ("velvane-audio-fuzz-" + juce::Uuid().toString()))
        {
            folder.createDirectory();
        }

        ~ScratchFolder() { folder.deleteRecursively(); }

        juce::File folder;
    };

    const juce::File& scratchFolder()
    {
        static const ScratchFolder scratch;
        return scratch.folder;
    }

    void expectSentenceOrSuccess (bool ok, const juce::String& error)
    {
        if (ok != error.isEmpty() || (! ok && ! error.endsWithChar ('.')))
            std::abort();
    }

    bool sameSamples (const juce::AudioBuffer<double>& part, const juce::AudioBuffer<double>& whole, int start)
    {
        if (part.getNumChannels() != whole.getNumChannels() || start + part.getNumSamples() > whole.getNumSamples())
            return false;

        for (int ch = 0; ch < part.getNumChannels(); ++ch)
            if (std::memcmp (part.getReadPointer (ch), whole.getReadPointer (ch, start),
                             (size_t) part.getNumSamples() * sizeof (double)) != 0)
                return false;

        return true;
    }
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    korvid::setTextLocale();
    scratchFolder();
    return 0;
}

// The leading byte chooses the kind of file, the rest is its content. Every read is exact or
// a refusal with a sentence, and a range read gives what the whole read gives at its place.
extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;

    static const char* const names[] = { "input.wav", "input.aif", "input.flac" };
    const auto file = scratchFolder().getChildFile (names[data[0] % 3]);

    if (! file.replaceWithData (data + 1, size - 1))
        std::abort();

    korvid::AudioFileInfo info;
    juce::String error;
    const bool probed = korvid::probeAudioFile (file, info, error);
    expectSentenceOrSuccess (probed, error);

    juce::AudioBuffer<double> whole;
    const bool wholeRead = korvid::readWholeAudioFile (file, whole, error);
    expectSentenceOrSuccess (wholeRead, error);

    if (wholeRead && (! probed || whole.getNumChannels() != info.numChannels
                      || whole.getNumSamples() != info.lengthInSamples))
        std::abort();

    if (! probed)
        return 0;

    const auto length = info.lengthInSamples;
    const double rate = info.sampleRate;
    const juce::int64 starts[] = { length / 3, length - juce::jmin (length, (juce::int64) 1000) };

    for (const auto startFrame : starts)
    {
        // Half a frame in, so that the range starts and ends on exactly these frames.
        const auto frames = juce::jmax ((juce::int64) 1, length / 3);
        const double startSeconds = ((double) startFrame + 0.5) / rate;
        const double lengthSeconds = ((double) frames + 0.5) / rate;

        juce::AudioBuffer<double> part;
        const bool partRead = korvid::readAudioRange (file, 0.0, startSeconds, lengthSeconds, part, error);
        expectSentenceOrSuccess (partRead, error);

        if (wholeRead && ! (partRead && part.getNumSamples() == juce::jmin (frames, length - startFrame)
                            && sameSamples (part, whole, (int) startFrame)))
            std::abort();
    }

    return 0;
}
