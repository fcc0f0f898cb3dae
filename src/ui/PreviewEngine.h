#pragma once

#include "core/audio/WaveformOverview.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_events/juce_events.h>

#include <atomic>
#include <memory>

namespace korvid::ui
{

/** The application's one audio player. Pages hand it a list of audio files under a key
    that names what is auditioned; a loader thread mixes them into one window of at most
    300 seconds, and the audio callback plays that window with short fades and crossfaded
    seeks.

    Public operations run on the message thread. The loader works on a copy of the request
    and publishes a new window, together with its play position and fades, in one section
    under the spin lock; the audio callback only ever tries that lock and plays silence when
    it is busy, so it never sees a new window at an old position. */
class PreviewEngine : public juce::Thread,
                      public juce::AudioSource,
                      private juce::Timer
{
public:
    /** Where the sound goes. */
    enum class OutputMode : int
    {
        defaultDevice,   // opens the default output device: no inputs, two outputs
        drivenByCaller,  // no device: the owner calls prepareToPlay and getNextAudioBlock itself
        none             // no device at all, exactly as when none could be opened
    };

    struct WindowInfo
    {
        double startSeconds = 0.0;   // of the take, where the loaded window starts
        double lengthSeconds = 0.0;  // of the loaded window; 0 without one
        double totalSeconds = 0.0;   // the take: the longest requested file
    };

    static constexpr int overviewBuckets = 700;
    static constexpr double maxWindowSeconds = 300.0;
    static constexpr double seekLeadSeconds = 75.0;        // a window loaded for a seek starts this far before it
    static constexpr double firstSoundCursor = -2.0;       // a cursor that means: start at the first sound
    static constexpr int loaderStopTimeoutMs = 2000;
    static constexpr int shutdownTimeoutMs = 4000;
    static constexpr int idleTimerIntervalMs = 500;

    explicit PreviewEngine (OutputMode mode = OutputMode::defaultDevice);
    ~PreviewEngine() override;

    //==============================================================================
    /** Stops what plays, then loads the files, mixed, and plays them from `startSeconds`
        under `key`. A rate of 0 or less counts as 48000; a cursor below 0 means the
        window start, -2 the first sound. Does nothing more without files or without an
        open device. */
    void play (const juce::Array<juce::File>& files, double sampleRate, const juce::String& label,
               const juce::String& key, double startSeconds = 0.0, double cursorSeconds = -1.0);

    /** Stops when `key` is current; otherwise exactly as `play`. */
    void playOrStop (const juce::Array<juce::File>& files, double sampleRate, const juce::String& label,
                     const juce::String& key, double startSeconds = 0.0, double cursorSeconds = -1.0);

    /** Ends playback with a short fade-out and abandons a running load; forgets the key,
        the overview key and the status. The window is released at the next timer tick. */
    void stop();

    /** A fraction 0..1 of the whole take; loads a new window around the target when it lies
        outside the loaded one, keeping the play state. */
    void seekTo (double fractionOfTake);

    /** A fraction 0..1 of the loaded window. */
    void seekInWindow (double fractionOfWindow);

    /** True when `key` is the current non-empty key and the engine is loading, playing or
        still holds the window it loaded for it. */
    bool isCurrent (const juce::String& key) const;

    juce::String getStatus() const;
    juce::String getCurrentKey() const;
    juce::String getOverviewKey() const;
    WaveformOverview getOverview() const;

    double getTotalSeconds() const;
    WindowInfo getWindow() const;
    double getPlayFraction() const;     // of the take, 0..1; -1 when nothing is loaded
    double getPositionSeconds() const;  // of the take; 0 when nothing is loaded
    double getBufferFraction() const;   // of the window, 0..1; -1 when nothing is loaded

    //==============================================================================
    // juce::AudioSource: called by the device (or the owner, when driven by the caller).
    void prepareToPlay (int samplesPerBlockExpected, double sampleRate) override;
    void releaseResources() override;
    void getNextAudioBlock (const juce::AudioSourceChannelInfo& info) override;

    //==============================================================================
    bool deviceOpen = false;  // only then can anything play; pages test it before auditioning
    juce::String deviceError; // a sentence saying why there is no output (empty when open)

    std::atomic<bool> playing { false };
    std::atomic<bool> loading { false };
    std::atomic<float> progress { 0.0f };

private:
    using SharedBuffer = std::shared_ptr<const juce::AudioBuffer<float>>;

    void run() override;
    void timerCallback() override;

    void openDefaultDevice();
    void load (double startSeconds, bool autoplay, double cursorSeconds);
    void finishWithFailure (const juce::String& errorText);
    void renderBlock (const juce::AudioBuffer<float>& source, juce::AudioBuffer<float>& output,
                      int startSample, int numSamples);
    double playedSeconds() const;  // call under bufferLock

    // In samples, from the device rate: 2 ms and 6 ms.
    int fadeLength() const;
    int crossfadeLengthForRate() const;

    const OutputMode outputMode;

    juce::AudioDeviceManager deviceManager;
    juce::AudioSourcePlayer player;

    juce::CriticalSection requestLock;
    juce::Array<juce::File> requestFiles;
    double requestRate = 48000.0;
    double requestStart = 0.0;
    double requestCursor = 0.0;
    bool requestAutoplay = true;

    juce::SpinLock bufferLock;
    SharedBuffer buffer;
    double bufferRate = 48000.0;
    double windowStart = 0.0;
    double totalSeconds = 0.0;

    juce::CriticalSection overviewLock;
    WaveformOverview overview;
    juce::String overviewKey;

    std::atomic<juce::int64> position { 0 };
    std::atomic<double> deviceRate { 48000.0 };
    std::atomic<int> outputLatency { 0 };
    std::atomic<juce::int64> pendingSeek { -1 };
    std::atomic<int> fadeInRemaining { 0 }, fadeInLength { 1 };
    std::atomic<int> fadeOutRemaining { 0 }, fadeOutLength { 1 };

    // Touched only under bufferLock: by the audio callback, and reset by a publish.
    juce::int64 crossfadeFrom = 0;
    int crossfadeRemaining = 0;
    int crossfadeLength = 1;

    juce::CriticalSection statusLock;
    juce::String label;
    juce::String key;
    juce::String status;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PreviewEngine)
};

} // namespace korvid::ui
