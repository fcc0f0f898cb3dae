#include "app/pages/review/ReviewPage.h"

#include "app/AppState.h"
#include "app/pages/PagePlaceholder.h"

namespace korvid::ui
{
    ReviewPage::ReviewPage (AppState& state)
        : appState (state)
    {
        appState.session.addListener (this);
        appState.waveforms.listeners.add (this);
        startTimerHz (10);
    }

    ReviewPage::~ReviewPage()
    {
        stopTimer();
        appState.waveforms.listeners.remove (this);
        appState.session.removeListener (this);
    }

    void ReviewPage::auditionSelection (std::optional<double> startFraction)
    {
        // No track can be selected yet, and an empty selection has nothing to audition.
        juce::ignoreUnused (startFraction);
    }

    void ReviewPage::paint (juce::Graphics& g)
    {
        drawPagePlaceholder (g, getLocalBounds(), "Review",
                             "Every track is shown under its stem here, to be corrected and locked.");
    }

    void ReviewPage::tracksChanged()      { rebuildPending = true; }
    void ReviewPage::assignmentsChanged() { rebuildPending = true; }
    void ReviewPage::presetChanged()      { rebuildPending = true; }
    void ReviewPage::waveformsChanged()   { repaint(); }

    void ReviewPage::timerCallback()
    {
        if (! rebuildPending)
            return;

        rebuildPending = false;
        repaint();
    }
}
