#include "app/pages/export/ExportPage.h"

#include "app/AppState.h"
#include "app/pages/PagePlaceholder.h"

namespace korvid::ui
{
    namespace
    {
        const juce::String blockColumnsKey ("exportBlockColumns");
        const juce::String columnWidthsKey ("exportColumnWidths");
        constexpr int renderStopTimeoutMs = 10000;
    }

    ExportPage::ExportPage (AppState& state)
        : appState (state)
    {
        appState.session.addListener (this);
    }

    ExportPage::~ExportPage()
    {
        stopTimer();
        appState.session.removeListener (this);

        if (renderJob != nullptr)
        {
            renderJob->cancel();
            renderJob->waitUntilFinished (renderStopTimeoutMs);
        }

        renderJob.reset();
    }

    bool ExportPage::isRendering() const
    {
        return renderJob != nullptr && renderJob->isThreadRunning();
    }

    bool ExportPage::startRender (std::vector<RenderRequest> requests)
    {
        if (isRendering() || requests.empty())
            return false;

        appState.preview.stop();

        auto job = std::make_unique<RenderJob>();
        juce::Component::SafePointer<ExportPage> safeThis (this);

        // Runs on the render thread: only a copy of the report crosses to the message thread.
        const bool started = job->start (std::move (requests), [safeThis] (const BatchReport& report)
        {
            juce::MessageManager::callAsync ([safeThis, finished = report]() mutable
            {
                if (auto* page = safeThis.getComponent())
                    page->renderFinished (std::move (finished));
            });
        });

        if (! started)
            return false;

        renderJob = std::move (job);
        renderStatusText = "Starting...";
        startTimerHz (10);
        repaint();
        return true;
    }

    void ExportPage::cancelRender()
    {
        if (renderJob != nullptr)
            renderJob->cancel();
    }

    void ExportPage::renderFinished (BatchReport report)
    {
        if (renderJob != nullptr)
            renderJob->waitUntilFinished (renderStopTimeoutMs);

        stopTimer();
        renderStatusText.clear();
        repaint();

        // A cancelled run keeps the report shown before; only a finished one replaces it.
        if (report.cancelled)
            return;

        appState.setLastReport (std::move (report));

        if (onExportFinished)
            onExportFinished();
    }

    void ExportPage::timerCallback()
    {
        if (renderJob == nullptr)
        {
            stopTimer();
            return;
        }

        const auto status = renderJob->getStatus();

        if (status.text != renderStatusText)
        {
            renderStatusText = status.text;
            repaint();
        }
    }

    bool ExportPage::toggleAudition()
    {
        auto& preview = appState.preview;

        if (preview.loading.load() || preview.playing.load())
        {
            preview.stop();
            return true;
        }

        // No cleaned track has been auditioned yet and the gated-track list is not shown.
        return false;
    }

    bool ExportPage::jumpGatedAudition (bool forward)
    {
        // Only the gated-track list moves an audition, and it is not shown.
        juce::ignoreUnused (forward);
        return false;
    }

    void ExportPage::resetBlockLayout()
    {
        if (appState.settings != nullptr)
        {
            appState.settings->removeValue (blockColumnsKey);
            appState.saveSettings();
            appState.settings->removeValue (columnWidthsKey);
            appState.saveSettings();
        }

        resized();
        repaint();
    }

    void ExportPage::paint (juce::Graphics& g)
    {
        const juce::String line = renderStatusText.isNotEmpty()
                                      ? renderStatusText
                                      : juce::String ("Formats, naming, headroom and the delivery folder are set here.");
        drawPagePlaceholder (g, getLocalBounds(), "Levels & export", line);
    }

    void ExportPage::tracksChanged()      { refresh(); }
    void ExportPage::assignmentsChanged() { refresh(); }
    void ExportPage::presetChanged()      { refresh(); }

    void ExportPage::refresh()
    {
        repaint();
    }
}
