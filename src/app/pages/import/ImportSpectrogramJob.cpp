#include "app/pages/import/ImportPage.h"

#include "app/AppState.h"
#include "core/audio/AudioProbe.h"
#include "core/audio/AudioReading.h"

// The spectrogram of the shown track, computed on the page's one-thread pool.
namespace korvid::ui
{
    ImportPage::SpectrogramJob::SpectrogramJob (juce::Component::SafePointer<ImportPage> pageToAnswer,
                                                juce::String pathToRead, int jobGeneration,
                                                double start, double length)
        : juce::ThreadPoolJob ("spectrogram"),
          page (std::move (pageToAnswer)),
          path (std::move (pathToRead)),
          generation (jobGeneration),
          startSeconds (start),
          lengthSeconds (length)
    {
    }

    ImportPage::SpectrogramResult ImportPage::SpectrogramJob::analyse (const juce::String& path, double startSeconds,
                                                                       double lengthSeconds,
                                                                       const std::function<bool()>& shouldCancel)
    {
        SpectrogramResult result;
        result.wholeFile = lengthSeconds <= 0.0;
        juce::String error;
        const juce::File file (path);

        if (result.wholeFile)
        {
            result.spectrogram = readSpectrogram (file, error, fftOrder, maxFrames, shouldCancel);
            return result;
        }

        juce::AudioBuffer<double> samples;

        if (! readAudioRange (file, 0.0, startSeconds, lengthSeconds, samples, error, shouldCancel)
            || samples.getNumSamples() <= 0)
            return result;

        AudioFileInfo info;
        const double rate = probeAudioFile (file, info, error) && info.sampleRate > 0.0 ? info.sampleRate : 48000.0;

        result.spectrogram = spectrogramOfBuffer (samples, rate, fftOrder, maxFrames, shouldCancel);
        result.waveform = makeWaveformOverview (samples, rate, rangeBuckets, shouldCancel);
        return result;
    }

    juce::ThreadPoolJob::JobStatus ImportPage::SpectrogramJob::runJob()
    {
        juce::Thread::setCurrentThreadName ("Velvane spectrogram");

        auto result = analyse (path, startSeconds, lengthSeconds, [this] { return shouldExit(); });

        if (shouldExit())
            return jobHasFinished;

        result.page = std::move (page);
        result.generation = generation;

        juce::MessageManager::callAsync ([result = std::move (result)]() mutable
        {
            if (auto* target = result.page.getComponent())
                target->applySpectrogramResult (std::move (result));
        });

        return jobHasFinished;
    }

    //==============================================================================
    void ImportPage::startSpectrogram (const juce::String& path)
    {
        spectrogramView.setAnalysing (true);
        spectrogramPool.removeAllJobs (true, 200);

        const double seconds = currentTrackSeconds();
        double start = 0.0, length = 0.0;

        if (visibleRange.x > 0.0 || visibleRange.y < 1.0)
        {
            start = visibleRange.x * seconds;
            length = (visibleRange.y - visibleRange.x) * seconds;
        }

        const int jobGeneration = ++generation;
        spectrogramPool.addJob (new SpectrogramJob (juce::Component::SafePointer<ImportPage> (this), path,
                                                    jobGeneration, start, length),
                                true);
    }

    void ImportPage::applySpectrogramResult (SpectrogramResult&& result)
    {
        if (result.generation != generation.load())
            return;

        if (result.spectrogram.magnitudes.empty())
        {
            spectrogramView.clear();
        }
        else
        {
            // Only a whole-file job's picture may stand in for the whole file later.
            if (result.wholeFile)
            {
                wholeFileSpectrogram = result.spectrogram;
                wholeFileSpectrogramPath = currentPath;
            }

            spectrogramView.setSpectrogram (std::move (result.spectrogram));
        }

        spectrogramView.setDataRange (analysedRange.x, analysedRange.y);
        spectrogramView.setAnalysing (false);

        if (! result.waveform.minima.empty())
        {
            waveformView.setOverview (result.waveform);
            waveformView.setDataRange (analysedRange.x, analysedRange.y);
        }
        else if (! overview.minima.empty())
        {
            waveformView.setOverview (overview);
            waveformView.setDataRange (0.0, 1.0);
        }
        else
        {
            return;
        }

        waveformView.setLoading (false);
    }
}
