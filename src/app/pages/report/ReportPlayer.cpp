#include "app/pages/report/ReportPage.h"

#include "app/AppState.h"
#include "core/model/Types.h"
#include "core/report/FileKind.h"

// The player under the delivered-files table: showing a file, playing, seeking, the
// transport, and the spectrogram job.
namespace korvid::ui
{
    void ReportPage::showDeliveredFile (int row, bool autoplay, double startFraction)
    {
        const auto* target = deliveryTable->rowAt (row);

        if (target == nullptr)
            return;

        deliveryTable->selectOnly (row);

        if (target->path.isEmpty())
        {
            shownRow = -1;
            shownPath.clear();
            appState.preview.stop();
            waveformView.clear();
            stopSpectrogram();
            spectrogramView.clear();
            fileCaption.setText (target->fileName + "   (nothing was written)", juce::dontSendNotification);
            updateTransport();
            return;
        }

        shownRow = row;
        shownPath = target->path;

        waveformView.setWaveformColour (juce::Colour (fileKindColours (static_cast<FileKind> (target->kind)).top));
        waveformView.setDurationSeconds (target->lengthSeconds);
        spectrogramView.setDurationSeconds (target->lengthSeconds);

        if (target->overview.minima.empty())
            waveformView.clear();
        else
            waveformView.setOverview (target->overview);

        fileCaption.setText (target->fileName, juce::dontSendNotification);
        const juce::File file (target->path);

        if (! file.existsAsFile())
        {
            fileCaption.setText (target->fileName + "   (no longer on disk)", juce::dontSendNotification);
            stopSpectrogram();
            spectrogramView.clear();
            appState.preview.stop();
            updateTransport();
            return;
        }

        // A click into the shown file does not analyse it again.
        if (spectrogramPath != shownPath)
            startSpectrogram (shownPath);

        if (autoplay && appState.preview.deviceOpen)
        {
            const auto* cue = selectedCue();
            const double rate = cue != nullptr && cue->sampleRate > 0.0 ? cue->sampleRate : 48000.0;
            const double start = target->lengthSeconds > 0.0
                                     ? target->lengthSeconds * juce::jlimit (0.0, 1.0, startFraction)
                                     : 0.0;

            appState.preview.play ({ file }, rate, target->fileName, previewKey(), start, -1.0);
        }

        updateTransport();
    }

    void ReportPage::togglePlay()
    {
        auto& engine = appState.preview;

        if (engine.isCurrent (previewKey()) && (engine.playing.load() || engine.loading.load()))
        {
            engine.stop();
            updateTransport();
            return;
        }

        const int row = shownRow >= 0 ? shownRow : deliveryTable->firstRowWithFile();

        if (deliveryTable->rowAt (row) == nullptr)
            return;

        if (! canAudition())
        {
            showDeliveredFile (row, false, 0.0);
            return;
        }

        showDeliveredFile (row, true, 0.0);
    }

    void ReportPage::seekShownFile (double fraction)
    {
        auto& engine = appState.preview;

        if (engine.isCurrent (previewKey()))
        {
            engine.seekTo (juce::jlimit (0.0, 1.0, fraction));
            updateTransport();
            return;
        }

        if (shownRow < 0 || ! canAudition())
            return;

        showDeliveredFile (shownRow, true, fraction);
    }

    bool ReportPage::canAudition()
    {
        if (appState.preview.deviceOpen)
            return true;

        showWarning ("No audio output", juce::String ("Velvane")
                                            + " could not open an audio device, so auditioning is unavailable.\n\n"
                                            + appState.preview.deviceError);
        return false;
    }

    void ReportPage::updateTransport()
    {
        auto& engine = appState.preview;
        const auto key = previewKey();
        const bool current = key.isNotEmpty() && engine.isCurrent (key);

        playButton.setEnabled (deliveryTable->firstRowWithFile() >= 0);
        playButton.setPlaying (current && engine.playing.load());
        playButton.setLoading (current && engine.loading.load());

        const double fraction = current ? engine.getPlayFraction() : -1.0;
        waveformView.setPlayheadFraction (fraction);
        spectrogramView.setPlayheadFraction (fraction);
        deliveryTable->setPlayhead (current ? shownPath : juce::String(), fraction);

        juce::String time;

        if (current && engine.getTotalSeconds() > 0.0)
            time = formatDuration (engine.getPositionSeconds()) + " / " + formatDuration (engine.getTotalSeconds());
        else if (const auto* row = deliveryTable->rowAt (shownRow))
            time = formatDuration (row->lengthSeconds);

        if (timeLabel.getText() != time)
            timeLabel.setText (time, juce::dontSendNotification);
    }

    //==============================================================================
    void ReportPage::startSpectrogram (const juce::String& path)
    {
        spectrogramView.setAnalysing (true);
        spectrogramPool.removeAllJobs (true, 200);
        spectrogramPath = path;

        const int generation = ++spectrogramGeneration;
        spectrogramPool.addJob (new SpectrogramJob (juce::Component::SafePointer<ReportPage> (this), juce::File (path),
                                                    generation),
                                true);
    }

    void ReportPage::stopSpectrogram()
    {
        ++spectrogramGeneration;
        spectrogramPool.removeAllJobs (true, 200);
        spectrogramPath.clear();
        spectrogramView.setAnalysing (false);
    }

    void ReportPage::applySpectrogram (int generation, SpectrogramData data)
    {
        if (generation != spectrogramGeneration.load())
            return;

        if (data.magnitudes.empty())
            spectrogramView.clear();
        else
            spectrogramView.setSpectrogram (std::move (data));

        spectrogramView.setAnalysing (false);
    }

    ReportPage::SpectrogramJob::SpectrogramJob (juce::Component::SafePointer<ReportPage> pageToAnswer, juce::File fileToRead,
                                                int jobGeneration)
        : juce::ThreadPoolJob ("report spectrogram"),
          page (std::move (pageToAnswer)),
          file (std::move (fileToRead)),
          generation (jobGeneration)
    {
    }

    juce::ThreadPoolJob::JobStatus ReportPage::SpectrogramJob::runJob()
    {
        juce::Thread::setCurrentThreadName ("Velvane report spectrogram");

        juce::String error;   // an unreadable file just shows no spectrogram
        auto data = readSpectrogram (file, error, fftOrder, maxFrames, [this] { return shouldExit(); });

        if (shouldExit())
            return jobHasFinished;

        juce::MessageManager::callAsync ([target = std::move (page), data = std::move (data), jobGeneration = generation]() mutable
        {
            if (auto* reportPage = target.getComponent())
                reportPage->applySpectrogram (jobGeneration, std::move (data));
        });

        return jobHasFinished;
    }
}
