#include "app/pages/report/ReportPage.h"

#include "app/AppState.h"
#include "app/pages/PagePlaceholder.h"

namespace korvid::ui
{
    ReportPage::ReportPage (AppState& state)
        : appState (state)
    {
        appState.addChangeListener (this);
    }

    ReportPage::~ReportPage()
    {
        appState.removeChangeListener (this);
    }

    void ReportPage::togglePlay()
    {
        // The delivered files are not listed yet, so none can be selected and the key does nothing.
    }

    void ReportPage::paint (juce::Graphics& g)
    {
        drawPagePlaceholder (g, getLocalBounds(), "Report",
                             "The results of the last render and its delivered files are shown here.");
    }

    void ReportPage::changeListenerCallback (juce::ChangeBroadcaster*)
    {
        repaint();
    }
}
