#pragma once

#include "core/render/RenderJob.h"
#include "core/render/RenderPlanning.h"
#include "core/session/Session.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>
#include <vector>

namespace korvid::ui
{
    class AppState;

    /** The Levels & export step: delivery settings, analysis and render runs. */
    class ExportPage : public juce::Component,
                       private Session::Listener,
                       private juce::Timer
    {
    public:
        explicit ExportPage (AppState& state);

        /** Cancels a render still running and waits for its thread (up to 10 s): closing
            the program relies on this. */
        ~ExportPage() override;

        /** Called on the message thread after a run that was not cancelled has ended and
            its report was stored in the application state. */
        std::function<void()> onExportFinished;

        /** True while the page holds a render job whose thread runs. */
        bool isRendering() const;

        /** Stops the preview, then renders the requests on a new render job. False, with
            nothing started, while a run is under way or when there is nothing to render. */
        bool startRender (std::vector<RenderRequest> requests);

        /** Asks a running render to stop at its next cancel point. */
        void cancelRender();

        /** The space-key action: stops the preview while it loads or plays, otherwise
            auditions the cleaned track heard last. True when it did either. */
        bool toggleAudition();

        /** Moves a running gated-track audition to the next or previous gated region.
            True only when it moved. */
        bool jumpGatedAudition (bool forward);

        /** Forgets the stored block order and column widths and lays the page out anew. */
        void resetBlockLayout();

        void paint (juce::Graphics& g) override;

    private:
        void tracksChanged() override;
        void assignmentsChanged() override;
        void presetChanged() override;
        void timerCallback() override;

        void renderFinished (BatchReport report);
        void refresh();

        AppState& appState;
        std::unique_ptr<RenderJob> renderJob;
        juce::String renderStatusText;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ExportPage)
    };
}
