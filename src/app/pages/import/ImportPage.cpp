#include "app/pages/import/ImportPage.h"

#include "app/AppState.h"
#include "app/pages/PagePlaceholder.h"

namespace korvid::ui
{
    ImportPage::ImportPage (AppState& state)
        : appState (state)
    {
        appState.session.addListener (this);
        appState.waveforms.listeners.add (this);
    }

    ImportPage::~ImportPage()
    {
        appState.waveforms.listeners.remove (this);
        appState.session.removeListener (this);
    }

    void ImportPage::togglePlay()
    {
        // No track can be selected yet, and without a selected track the key does nothing.
    }

    void ImportPage::paint (juce::Graphics& g)
    {
        drawPagePlaceholder (g, getLocalBounds(), "Import", "The tracks and cues of the session are listed here.");
    }

    void ImportPage::tracksChanged()      { refresh(); }
    void ImportPage::assignmentsChanged() { refresh(); }
    void ImportPage::presetChanged()      { refresh(); }
    void ImportPage::waveformsChanged()   { repaint(); }

    void ImportPage::refresh()
    {
        repaint();
    }
}
