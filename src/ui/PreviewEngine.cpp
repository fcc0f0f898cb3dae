#include "ui/PreviewEngine.h"

#include "core/audio/AudioBuffers.h"
#include "core/audio/AudioFileInfo.h"
#include "core/audio/AudioMemoryBudget.h"
#include "core/audio/AudioProbe.h"
#include "core/audio/AudioReading.h"
#include "core/audio/CancelTest.h"

#include <cmath>
#include <utility>

namespace korvid::ui
{

namespace
{
constexpr double fallbackRate = 48000.0;
constexpr double windowEndMargin = 0.05;     // a start past the end still gets this much of the take
constexpr float firstSoundThreshold = 0.005f; // of the peak
constexpr double firstSoundLeadIn = 0.05;    // seconds before the first sound

const char* const noDeviceSentence = "No audio output device is available.";
const char* const nothingToPlaySentence = "Nothing to play.";

double usableRate (double rate)
{
    return rate > 0.0 ? rate : fallbackRate;
}

/** Non-finite numbers from callers count as the fallback. */
double finiteOr (double value, double fallback)
{
    return std::isfinite (value) ? value : fallback;
}

double clampedFraction (double fraction)
{
    return juce::jlimit (0.0, 1.0, finiteOr (fraction, 0.0));
}

int lengthForRate (double rate, double seconds)
{
    return juce::jlimit (8, 8192, (int) (usableRate (rate) * seconds));
}

/** The share of a fade already passed at sample j of the block, rising from 0 to 1. */
float ramp (int remaining, int length, int j)
{
    const int last = juce::jmax (length - 1, 1);
    return (float) juce::jlimit (0, last, j + length - remaining) / (float) last;
}

double secondsOf (const AudioFileInfo& info)
{
    return info.sampleRate > 0.0 ? (double) info.lengthInSamples / info.sampleRate : 0.0;
}

void appendError (juce::String& errors, const juce::String& entry)
{
    if (errors.isNotEmpty())
        errors << "; ";

    errors << entry;
}

float largestMagnitude (const juce::AudioBuffer<double>& mix)
{
    double peak = 0.0;

    for (int channel = 0; channel < mix.getNumChannels(); ++channel)
        peak = juce::jmax (peak, (double) mix.getMagnitude (channel, 0, mix.getNumSamples()));

    return (float) peak;
}
} // namespace

PreviewEngine::PreviewEngine (OutputMode mode)
    : juce::Thread ("Velvane preview loader"),
      outputMode (mode)
{
    switch (outputMode)
    {
        case OutputMode::defaultDevice:
            openDefaultDevice();
            break;

        case OutputMode::drivenByCaller:
            deviceOpen = true;
            break;

        case OutputMode::none:
            deviceError = noDeviceSentence;
            break;
    }

    if (deviceOpen)
        startTimer (idleTimerIntervalMs);
}

PreviewEngine::~PreviewEngine()
{
    stopTimer();
    stopThread (shutdownTimeoutMs);

    if (outputMode == OutputMode::defaultDevice && deviceOpen)
    {
        deviceManager.removeAudioCallback (&player);
        player.setSource (nullptr);
    }
}

void PreviewEngine::openDefaultDevice()
{
    auto error = deviceManager.initialiseWithDefaultDevices (0, 2);

    // Without any output device the manager may report no error and still open nothing.
    if (error.isEmpty() && deviceManager.getCurrentAudioDevice() == nullptr)
        error = noDeviceSentence;

    if (error.isNotEmpty())
    {
        deviceError = error;
        return;
    }

    deviceOpen = true;
    player.setSource (this);
    deviceManager.addAudioCallback (&player);
}

//==============================================================================
void PreviewEngine::play (const juce::Array<juce::File>& files, double sampleRate, const juce::String& newLabel,
                          const juce::String& newKey, double startSeconds, double cursorSeconds)
{
    stop();

    if (files.isEmpty() || ! deviceOpen)
        return;

    {
        const juce::ScopedLock sl (requestLock);
        requestFiles = files;
        requestRate = usableRate (finiteOr (sampleRate, 0.0));
    }

    {
        const juce::ScopedLock sl (statusLock);
        label = newLabel;
        key = newKey;
    }

    if (auto* device = deviceManager.getCurrentAudioDevice())
        outputLatency = device->getOutputLatencyInSamples();

    load (juce::jmax (finiteOr (startSeconds, 0.0), 0.0), true, finiteOr (cursorSeconds, -1.0));
}

void PreviewEngine::playOrStop (const juce::Array<juce::File>& files, double sampleRate, const juce::String& newLabel,
                                const juce::String& newKey, double startSeconds, double cursorSeconds)
{
    if (isCurrent (newKey))
        stop();
    else
        play (files, sampleRate, newLabel, newKey, startSeconds, cursorSeconds);
}

void PreviewEngine::stop()
{
    loading = false;

    // Abandons a running load; the loader checks this before every block it reads and
    // inside each section that publishes, so nothing it loaded can start after this.
    signalThreadShouldExit();

    {
        const juce::SpinLock::ScopedLockType sl (bufferLock);
        pendingSeek = -1;

        if (playing)
        {
            fadeInRemaining = 0;

            // A fade-out already under way keeps going instead of jumping back to full level.
            if (fadeOutRemaining <= 0)
            {
                const int length = fadeLength();
                fadeOutLength = length;
                fadeOutRemaining = length;
            }
        }
        else
        {
            position = 0;
        }
    }

    {
        const juce::ScopedLock sl (overviewLock);
        overviewKey.clear();
    }

    const juce::ScopedLock sl (statusLock);
    status.clear();
    key.clear();
}

void PreviewEngine::seekTo (double fractionOfTake)
{
    double target = 0.0;
    bool wasPlaying = false;

    {
        const juce::SpinLock::ScopedLockType sl (bufferLock);

        if (buffer == nullptr || totalSeconds <= 0.0)
            return;

        wasPlaying = playing;
        target = totalSeconds * clampedFraction (fractionOfTake);

        const double rate = usableRate (bufferRate);
        const auto samples = (juce::int64) buffer->getNumSamples();
        const double offset = target - windowStart;

        if (offset >= 0.0 && offset < (double) samples / rate)
        {
            const auto sample = juce::jlimit ((juce::int64) 0, samples - 1, (juce::int64) (rate * offset));

            if (wasPlaying)
                pendingSeek = sample;
            else
                position = sample;

            return;
        }
    }

    // Outside the window: the current one plays on until the new one is published.
    load (juce::jmax (target - seekLeadSeconds, 0.0), wasPlaying, target);
}

void PreviewEngine::seekInWindow (double fractionOfWindow)
{
    {
        const juce::ScopedLock sl (overviewLock);

        if (overviewKey.isEmpty())
            return;
    }

    const juce::SpinLock::ScopedLockType sl (bufferLock);

    if (buffer == nullptr || buffer->getNumSamples() <= 0)
        return;

    const auto samples = (juce::int64) buffer->getNumSamples();
    const auto sample = juce::jlimit ((juce::int64) 0, samples - 1,
                                      (juce::int64) (clampedFraction (fractionOfWindow) * (double) samples));

    if (playing)
        pendingSeek = sample;
    else
        position = sample;
}

bool PreviewEngine::isCurrent (const juce::String& candidate) const
{
    {
        const juce::ScopedLock sl (statusLock);

        if (key.isEmpty() || candidate != key)
            return false;
    }

    if (playing || loading)
        return true;

    const juce::SpinLock::ScopedLockType sl (bufferLock);
    return buffer != nullptr;
}

juce::String PreviewEngine::getStatus() const
{
    const juce::ScopedLock sl (statusLock);
    return status;
}

juce::String PreviewEngine::getCurrentKey() const
{
    const juce::ScopedLock sl (statusLock);
    return key;
}

juce::String PreviewEngine::getOverviewKey() const
{
    const juce::ScopedLock sl (overviewLock);
    return overviewKey;
}

WaveformOverview PreviewEngine::getOverview() const
{
    const juce::ScopedLock sl (overviewLock);
    return overview;
}

double PreviewEngine::getTotalSeconds() const
{
    const juce::SpinLock::ScopedLockType sl (bufferLock);
    return totalSeconds;
}

PreviewEngine::WindowInfo PreviewEngine::getWindow() const
{
    const juce::SpinLock::ScopedLockType sl (bufferLock);
    WindowInfo info;
    info.startSeconds = windowStart;
    info.lengthSeconds = buffer != nullptr ? (double) buffer->getNumSamples() / usableRate (bufferRate) : 0.0;
    info.totalSeconds = totalSeconds;
    return info;
}

double PreviewEngine::playedSeconds() const
{
    const auto played = juce::jmax ((juce::int64) 0, position.load() - (juce::int64) outputLatency.load());
    return (double) played / usableRate (bufferRate);
}

double PreviewEngine::getPlayFraction() const
{
    const juce::SpinLock::ScopedLockType sl (bufferLock);

    if (buffer == nullptr || totalSeconds <= 0.0)
        return -1.0;

    return juce::jlimit (0.0, 1.0, (playedSeconds() + windowStart) / totalSeconds);
}

double PreviewEngine::getPositionSeconds() const
{
    const juce::SpinLock::ScopedLockType sl (bufferLock);

    if (buffer == nullptr)
        return 0.0;

    return playedSeconds() + windowStart;
}

double PreviewEngine::getBufferFraction() const
{
    const juce::SpinLock::ScopedLockType sl (bufferLock);

    if (buffer == nullptr || buffer->getNumSamples() <= 0)
        return -1.0;

    const auto played = juce::jmax ((juce::int64) 0, position.load() - (juce::int64) outputLatency.load());
    return juce::jlimit (0.0, 1.0, (double) played / (double) buffer->getNumSamples());
}

int PreviewEngine::fadeLength() const
{
    return lengthForRate (deviceRate, 0.002);
}

int PreviewEngine::crossfadeLengthForRate() const
{
    return juce::jmax (2, lengthForRate (deviceRate, 0.006));
}

//==============================================================================
void PreviewEngine::load (double startSeconds, bool autoplay, double cursorSeconds)
{
    // The previous loader goes first, so that nothing it still publishes can overwrite the
    // state of this request. Its reads check the exit flag between blocks.
    stopThread (loaderStopTimeoutMs);

    const double start = juce::jmax (startSeconds, 0.0);
    double cursor = start;

    if (cursorSeconds == firstSoundCursor)
        cursor = firstSoundCursor;
    else if (cursorSeconds >= 0.0)
        cursor = juce::jmax (cursorSeconds, start);

    {
        const juce::ScopedLock sl (requestLock);
        requestStart = start;
        requestCursor = cursor;
        requestAutoplay = autoplay;
    }

    {
        const juce::ScopedLock sl (statusLock);
        status = "Loading...";
    }

    loading = true;
    progress = 0.0f;
    startThread (juce::Thread::Priority::low);
}

void PreviewEngine::run()
{
    juce::Array<juce::File> files;
    double rate = fallbackRate, start = 0.0, cursor = 0.0;
    bool autoplay = true;

    {
        const juce::ScopedLock sl (requestLock);
        files = requestFiles;
        rate = requestRate;
        start = requestStart;
        cursor = requestCursor;
        autoplay = requestAutoplay;
    }

    const double mixRate = deviceRate > 0.0 ? deviceRate.load() : rate;
    const CancelTest shouldCancel = [this] { return threadShouldExit(); };
    const int fileCount = files.size();
    const auto share = (float) juce::jmax (fileCount, 1);

    if (files.isEmpty())
        return finishWithFailure ({});

    // Probe pass: the take is as long as its longest file.
    double longest = 0.0;

    for (int i = 0; i < fileCount; ++i)
    {
        if (threadShouldExit())
            return;

        AudioFileInfo info;
        juce::String ignored;

        if (probeAudioFile (files.getReference (i), info, ignored))
            longest = juce::jmax (longest, secondsOf (info));

        progress = (float) (i + 1) * 0.1f / share;
    }

    if (longest <= 0.0)
        return finishWithFailure ({});

    const double windowStartSeconds = start < 0.0 ? 0.0 : juce::jmin (start, juce::jmax (longest - windowEndMargin, 0.0));
    const double windowLength = juce::jmin (longest - windowStartSeconds, maxWindowSeconds);

    // Read pass.
    juce::AudioBuffer<double> mix;
    juce::String errors;
    int filesRead = 0;

    for (int i = 0; i < fileCount; ++i)
    {
        if (threadShouldExit())
            return;

        progress = 0.1f + (float) i * 0.8f / share;

        const auto& file = files.getReference (i);
        juce::AudioBuffer<double> part;
        juce::String error;

        if (! readAudioRange (file, mixRate, windowStartSeconds, windowLength, part, error, shouldCancel))
        {
            if (threadShouldExit())
                return;

            AudioFileInfo info;
            juce::String ignored;

            // A file that merely ends before the window has nothing to add.
            if (probeAudioFile (file, info, ignored) && secondsOf (info) <= windowStartSeconds)
                continue;

            appendError (errors, file.getFileName() + ": " + error);
            continue;
        }

        if (mix.getNumSamples() < part.getNumSamples() || mix.getNumChannels() < part.getNumChannels())
        {
            const int channels = juce::jmax (2, mix.getNumChannels(), part.getNumChannels());
            const int samples = juce::jmax (mix.getNumSamples(), part.getNumSamples());

            // The old mix, the grown one and the single-precision copy made at the end.
            const auto bytes = audioBufferBytes (mix.getNumChannels(), mix.getNumSamples(), (int) sizeof (double))
                             + audioBufferBytes (channels, samples, (int) sizeof (double))
                             + audioBufferBytes (channels, samples, (int) sizeof (float));

            if (! checkAudioMemoryBudget (bytes, error))
            {
                appendError (errors, file.getFileName() + ": " + error);
                continue;
            }

            juce::AudioBuffer<double> grown (channels, samples);
            grown.clear();
            mixBufferInto (grown, mix);
            mix = std::move (grown);
        }

        mixBufferInto (mix, part);
        ++filesRead;
    }

    if (threadShouldExit())
        return;

    if (filesRead == 0 || mix.getNumSamples() == 0)
        return finishWithFailure (errors);

    // The sum of several files may pass full scale: the whole window is scaled down instead.
    const float peak = largestMagnitude (mix);

    if (peak > 1.0f)
        mix.applyGain (1.0 / (double) peak);

    progress = 0.9f;

    auto newOverview = makeWaveformOverview (mix, mixRate, overviewBuckets, shouldCancel);

    if (cursor == firstSoundCursor)
    {
        double offset = 0.0;

        if (! newOverview.minima.empty() && newOverview.lengthSeconds > 0.0)
            offset = newOverview.firstSoundPosition (firstSoundThreshold, firstSoundLeadIn) * newOverview.lengthSeconds;

        cursor = windowStartSeconds + offset;
    }

    auto newBuffer = std::make_shared<juce::AudioBuffer<float>>();
    newBuffer->makeCopyOf (mix);
    mix.setSize (0, 0);

    if (threadShouldExit())
        return;

    progress = 1.0f;

    juce::String currentKey;

    {
        const juce::ScopedLock sl (statusLock);
        currentKey = key;
    }

    const auto samples = (juce::int64) newBuffer->getNumSamples();
    const auto startSample = juce::jlimit ((juce::int64) 0, samples - 1,
                                           (juce::int64) (juce::jmax (cursor - windowStartSeconds, 0.0) * mixRate));
    const int fade = fadeLength();
    SharedBuffer previous;

    {
        // Everything the audio callback reads changes in this one section, so it never
        // plays the new window at the old position or with the old fades.
        const juce::SpinLock::ScopedLockType sl (bufferLock);

        if (threadShouldExit())
            return;

        previous = std::exchange (buffer, SharedBuffer (newBuffer));
        bufferRate = mixRate;
        windowStart = windowStartSeconds;
        totalSeconds = longest;
        position = startSample;
        pendingSeek = -1;
        crossfadeRemaining = 0;
        fadeOutRemaining = 0;
        fadeInLength = fade;
        fadeInRemaining = autoplay ? fade : 0;
        playing = autoplay;
    }

    // The old window is released here, never on the audio thread.
    previous.reset();

    {
        const juce::ScopedLock sl (overviewLock);

        if (threadShouldExit())
            return;

        overview = std::move (newOverview);
        overviewKey = currentKey;
    }

    {
        const juce::ScopedLock sl (statusLock);

        if (threadShouldExit())
            return;

        if (errors.isNotEmpty())
            status = "Playing (" + juce::String (filesRead) + " file(s); " + errors + ")";
        else
            status = autoplay ? "Playing" : "Ready";
    }

    // Only now, so that a page seeing the load finished also finds its overview and status.
    // A stop or a newer load has set the flag itself by the time this could overwrite it.
    loading = false;
}

void PreviewEngine::finishWithFailure (const juce::String& errorText)
{
    {
        const juce::SpinLock::ScopedLockType sl (bufferLock);

        // A stop or a newer load owns the state now.
        if (threadShouldExit())
            return;

        loading = false;
        playing = false;
    }

    const juce::ScopedLock sl (statusLock);

    if (! threadShouldExit())
        status = errorText.isNotEmpty() ? errorText : juce::String (nothingToPlaySentence);
}

void PreviewEngine::timerCallback()
{
    if (playing || loading || fadeOutRemaining > 0)
        return;

    {
        const juce::ScopedLock sl (statusLock);

        if (key.isNotEmpty())
            return;
    }

    // Stopped: free the window's memory.
    SharedBuffer previous;

    {
        const juce::SpinLock::ScopedLockType sl (bufferLock);

        if (playing || loading)
            return;

        previous = std::move (buffer);
        buffer.reset();
        windowStart = 0.0;
        totalSeconds = 0.0;
        position = 0;
    }
}

//==============================================================================
void PreviewEngine::prepareToPlay (int, double sampleRate)
{
    deviceRate = sampleRate;
}

void PreviewEngine::releaseResources()
{
    // The device stopped calling back: nothing can play any more.
    playing = false;
    fadeOutRemaining = 0;
}

void PreviewEngine::getNextAudioBlock (const juce::AudioSourceChannelInfo& info)
{
    if (info.buffer == nullptr)
        return;

    info.clearActiveBufferRegion();

    if (! playing)
        return;

    const juce::SpinLock::ScopedTryLockType sl (bufferLock);

    if (! sl.isLocked() || buffer == nullptr)
        return;

    renderBlock (*buffer, *info.buffer, info.startSample, info.numSamples);
}

void PreviewEngine::renderBlock (const juce::AudioBuffer<float>& source, juce::AudioBuffer<float>& output,
                                 int startSample, int numSamples)
{
    const auto n = (juce::int64) source.getNumSamples();
    auto pos = position.load();
    const auto seek = pendingSeek.exchange (-1);

    if (seek >= 0 && n > 0)
    {
        crossfadeFrom = pos;
        crossfadeLength = crossfadeLengthForRate();
        crossfadeRemaining = crossfadeLength;
        pos = juce::jlimit ((juce::int64) 0, n - 1, seek);
        position = pos;
    }

    // The end of the window ends playback; nothing loops and nothing further is loaded.
    if (pos >= n || source.getNumChannels() == 0)
    {
        playing = false;
        crossfadeRemaining = 0;
        return;
    }

    const int count = (int) juce::jmin (n - pos, (juce::int64) juce::jmax (numSamples, 0));
    const int fadeIn = fadeInRemaining;
    const int fadeInLen = juce::jmax (2, fadeInLength.load());
    const int fadeOut = fadeOutRemaining;
    const int fadeOutLen = juce::jmax (2, fadeOutLength.load());
    const int crossRemaining = crossfadeRemaining;
    const int crossLen = juce::jmax (2, crossfadeLength);
    const juce::int64 crossStart = crossfadeFrom + (crossLen - crossRemaining);

    for (int channel = 0; channel < output.getNumChannels(); ++channel)
    {
        const float* in = source.getReadPointer (juce::jmin (channel, source.getNumChannels() - 1));
        float* out = output.getWritePointer (channel, startSample);

        for (int j = 0; j < count; ++j)
        {
            float value = in[pos + j];

            if (crossRemaining > 0)
            {
                const float r = ramp (crossRemaining, crossLen, j);
                const auto oldIndex = crossStart + j;
                const float old = (oldIndex >= 0 && oldIndex < n) ? in[oldIndex] : 0.0f;
                value = (1.0f - r) * old + r * value;
            }

            if (fadeIn > 0)
                value *= ramp (fadeIn, fadeInLen, j);

            if (fadeOut > 0)
                value *= j < fadeOut ? 1.0f - ramp (fadeOut, fadeOutLen, j) : 0.0f;

            out[j] = value;
        }
    }

    crossfadeRemaining = juce::jmax (0, crossRemaining - count);
    fadeInRemaining = juce::jmax (0, fadeIn - count);

    if (fadeOut > 0)
    {
        const int left = juce::jmax (0, fadeOut - count);
        fadeOutRemaining = left;

        if (left == 0)
        {
            playing = false;
            crossfadeRemaining = 0;
        }
    }

    position = pos + count;
}

} // namespace korvid::ui
