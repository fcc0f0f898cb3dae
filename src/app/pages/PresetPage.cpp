#include "app/pages/PresetPage.h"

#include "app/AppState.h"
#include "app/pages/PagePlaceholder.h"

namespace korvid::ui
{
    PresetPage::PresetPage (AppState& state)
        : appState (state)
    {
        appState.session.addListener (this);
    }

    PresetPage::~PresetPage()
    {
        appState.session.removeListener (this);
    }

    void PresetPage::toggleAudition()
    {
        // The page starts no audition yet and no stem can be selected, so the key does nothing.
    }

    void PresetPage::paint (juce::Graphics& g)
    {
        drawPagePlaceholder (g, getLocalBounds(), "Preset & stems",
                             "The stems, keyword rules and alternative mixes of the preset are edited here.");
    }

    void PresetPage::tracksChanged()      { refresh(); }
    void PresetPage::assignmentsChanged() { refresh(); }
    void PresetPage::presetChanged()      { refresh(); }

    void PresetPage::refresh()
    {
        repaint();
    }
}
