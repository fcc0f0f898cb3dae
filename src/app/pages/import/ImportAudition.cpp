#include "app/pages/import/ImportPage.h"

#include "app/AppState.h"
#include "core/model/Types.h"

#include <cmath>

// The audition panel: which track is shown, playing it, the transport and the zoom.
namespace korvid::ui
{
    namespace
    {
        constexpr double rangeTolerance = 0.000001;

        // Two paths name one file when the platform says so (letter case counts on Linux).
        bool samePath (const juce::String& a, const juce::String& b)
        {
            if (a.isEmpty() || b.isEmpty())
                return a.isEmpty() && b.isEmpty();

            return juce::File (a) == juce::File (b);
        }

        bool isWholeFile (juce::Point<double> range)
        {
            return range.x <= 0.0 && range.y >= 1.0;
        }
    }

    double ImportPage::currentTrackSeconds() const
    {
        const auto* track = appState.session.findTrack (currentTrackId);

        if (track == nullptr || ! (track->info.sampleRate > 0.0))
            return 0.0;

        return (double) track->info.lengthInSamples / track->info.sampleRate;
    }

    double ImportPage::fileFractionForView (double viewFraction) const
    {
        return visibleRange.x + (visibleRange.y - visibleRange.x) * viewFraction;
    }

    void ImportPage::showTrack (const juce::String& path, const juce::String& trackId)
    {
        // The same file may come back as another track (removed, then imported again): that
        // track is shown afresh, so that splitting, renaming and playing follow it.
        if (samePath (path, currentPath) && trackId == currentTrackId)
            return;

        currentPath = path;
        currentTrackId = trackId;

        const auto seconds = currentTrackSeconds();
        waveformView.setDurationSeconds (seconds);
        spectrogramView.setDurationSeconds (seconds);

        setSplitMarker (-1.0);
        visibleRange = { 0.0, 1.0 };
        analysedRange = { 0.0, 1.0 };

        waveformView.setVisibleRange (0.0, 1.0);
        waveformView.setDataRange (0.0, 1.0);
        spectrogramView.setVisibleRange (0.0, 1.0);
        spectrogramView.setDataRange (0.0, 1.0);
        wholeFileButton->setEnabled (false);
        zoomSettleTimer->stopTimer();
        ++generation;

        if (path.isEmpty())
        {
            fileNameLabel.setText ("Nothing selected", juce::dontSendNotification);
            spectrogramView.clear();
            refreshWaveform();
            return;
        }

        fileNameLabel.setText (juce::File (path).getFileName(), juce::dontSendNotification);
        refreshWaveform();
        startSpectrogram (path);
        showSplitState();

        if (autoplayToggle.getToggleState() && ! isShownTrackSplitting())
        {
            const auto start = overview.lengthSeconds > 0.0 ? firstSoundFraction() * overview.lengthSeconds : 0.0;
            appState.preview.play ({ juce::File (path) }, appState.session.getPreset().exportSettings.masterSampleRate,
                                   juce::File (path).getFileName(), getTrackPreviewKey(), start, -1.0);
        }
    }

    void ImportPage::refreshWaveform()
    {
        if (currentPath.isEmpty())
        {
            overview = {};
            overviewPath.clear();
            waveformView.clear();
            waveformView.setLoading (false);
            return;
        }

        if (samePath (overviewPath, currentPath) && ! overview.minima.empty())
            return;

        const auto* cached = appState.waveforms.request (currentPath);

        if (cached != nullptr)
        {
            overview = *cached;
            overviewPath = currentPath;
            waveformView.setOverview (overview);
            waveformView.setDataRange (0.0, 1.0);
            waveformView.setLoading (false);
            return;
        }

        overview = {};
        overviewPath.clear();
        waveformView.clear();
        waveformView.setLoading (true);
    }

    bool ImportPage::canAudition()
    {
        // A track being split has no file at its path until the split ends.
        if (currentPath.isEmpty() || isShownTrackSplitting())
            return false;

        if (! appState.preview.deviceOpen)
        {
            showWarning ("No audio output", juce::String ("Velvane")
                                                + " could not open an audio device, so auditioning is unavailable.\n\n"
                                                + appState.preview.deviceError);
            return false;
        }

        return true;
    }

    double ImportPage::firstSoundFraction() const
    {
        if (! jumpSilenceToggle.getToggleState() || overview.minima.empty())
            return 0.0;

        return overview.firstSoundPosition (0.005f, 0.05);
    }

    void ImportPage::playFrom (double fileFraction)
    {
        if (! canAudition())
            return;

        const double length = overview.lengthSeconds > 0.0 ? overview.lengthSeconds : 0.0;
        const double start = juce::jlimit (0.0, 1.0, fileFraction) * length;
        const juce::File file (currentPath);

        appState.preview.play ({ file }, appState.session.getPreset().exportSettings.masterSampleRate,
                               file.getFileName(), getTrackPreviewKey(), start, -1.0);
        updateTransport();
    }

    void ImportPage::togglePlay()
    {
        if (! canAudition())
            return;

        auto& engine = appState.preview;

        if (engine.isCurrent (getTrackPreviewKey()) && (engine.playing.load() || engine.loading.load()))
        {
            engine.stop();
            updateTransport();
            return;
        }

        playFrom (firstSoundFraction());
    }

    void ImportPage::seekFromView (double viewFraction)
    {
        const auto fileFraction = juce::jlimit (0.0, 1.0, fileFractionForView (viewFraction));
        auto& engine = appState.preview;

        if (currentPath.isNotEmpty() && engine.isCurrent (getTrackPreviewKey())
            && (engine.playing.load() || engine.loading.load()))
        {
            engine.seekTo (fileFraction);
            updateTransport();
            return;
        }

        playFrom (fileFraction);
    }

    void ImportPage::updateTransport()
    {
        auto& engine = appState.preview;
        const bool current = currentPath.isNotEmpty() && engine.isCurrent (getTrackPreviewKey());

        transportButton.setEnabled (currentPath.isNotEmpty() && ! isShownTrackSplitting());
        transportButton.setPlaying (current && engine.playing.load());
        transportButton.setLoading (current && engine.loading.load());

        const double playFraction = current ? engine.getPlayFraction() : -1.0;
        double playhead = -1.0;

        if (playFraction >= 0.0)
        {
            const double length = visibleRange.y - visibleRange.x;
            const double view = length > 0.0 ? (playFraction - visibleRange.x) / length : -1.0;
            playhead = view >= 0.0 && view <= 1.0 ? view : -1.0;
        }

        waveformView.setPlayheadFraction (playhead);
        spectrogramView.setPlayheadFraction (playhead);

        juce::String time;

        if (current && engine.getTotalSeconds() > 0.0)
            time = formatDuration (engine.getPositionSeconds()) + " / " + formatDuration (engine.getTotalSeconds());
        else if (! overview.minima.empty())
            time = formatDuration (overview.lengthSeconds);

        if (timeLabel.getText() != time)
            timeLabel.setText (time, juce::dontSendNotification);
    }

    void ImportPage::setSplitMarker (double fileFraction)
    {
        double view = -1.0;

        if (fileFraction >= 0.0)
        {
            const double length = visibleRange.y - visibleRange.x;

            if (length > 0.0)
            {
                view = (fileFraction - visibleRange.x) / length;

                if (view < 0.0 || view > 1.0)
                    view = -1.0;
            }
        }

        waveformView.setMarkerFraction (view);
        spectrogramView.setMarkerFraction (view);
    }

    //==============================================================================
    void ImportPage::zoomBy (double factor, double anchorViewFraction)
    {
        if (currentPath.isEmpty())
            return;

        const double length = visibleRange.y - visibleRange.x;
        const double newLength = juce::jlimit (minimumVisibleLength, 1.0, length * factor);
        const double anchor = juce::jlimit (0.0, 1.0, anchorViewFraction);
        const double position = visibleRange.x + anchor * length;
        const double newStart = length > 0.0 ? position - newLength * (position - visibleRange.x) / length
                                             : position - newLength * 0.5;

        setVisibleRange (newStart, newStart + newLength);
    }

    void ImportPage::setVisibleRange (double start, double end)
    {
        const double length = juce::jlimit (minimumVisibleLength, 1.0, end - start);
        const double newStart = juce::jlimit (0.0, 1.0 - length, start);
        const double newEnd = newStart + length;

        if (std::abs (newStart - visibleRange.x) < rangeTolerance && std::abs (newEnd - visibleRange.y) < rangeTolerance)
            return;

        visibleRange = { newStart, newEnd };
        wholeFileButton->setEnabled (! isWholeFile (visibleRange));
        waveformView.setVisibleRange (newStart, newEnd);
        spectrogramView.setVisibleRange (newStart, newEnd);
        updateTransport();

        if (isWholeFile (visibleRange) && samePath (wholeFileSpectrogramPath, currentPath)
            && ! wholeFileSpectrogram.magnitudes.empty())
        {
            restoreWholeFileSpectrogram();
            return;
        }

        zoomSettleTimer->startTimer (zoomSettleMs);
    }

    void ImportPage::restoreWholeFileSpectrogram()
    {
        analysedRange = { 0.0, 1.0 };
        ++generation;
        spectrogramPool.removeAllJobs (true, 200);

        spectrogramView.setSpectrogram (wholeFileSpectrogram);
        spectrogramView.setDataRange (0.0, 1.0);
        spectrogramView.setAnalysing (false);

        if (const auto* cached = appState.waveforms.request (currentPath); cached != nullptr && ! cached->minima.empty())
        {
            waveformView.setOverview (*cached);
            waveformView.setDataRange (0.0, 1.0);
            waveformView.setLoading (false);
        }

        zoomSettleTimer->stopTimer();
    }

    bool ImportPage::isZoomSettling() const
    {
        return zoomSettleTimer->isTimerRunning();
    }

    void ImportPage::zoomSettled()
    {
        if (currentPath.isEmpty())
            return;

        if (std::abs (analysedRange.x - visibleRange.x) < rangeTolerance
            && std::abs (analysedRange.y - visibleRange.y) < rangeTolerance)
            return;

        analysedRange = visibleRange;
        startSpectrogram (currentPath);
    }

    void ImportPage::ZoomSettleTimer::timerCallback()
    {
        stopTimer();
        page.zoomSettled();
    }
}
