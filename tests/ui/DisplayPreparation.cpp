#include "ui/UiTestSupport.h"

// JUCE reads the window-manager atoms once, when it first connects to the display, so they
// must exist before any test (or the runner's JUCE initialiser) touches the GUI.
static const bool displayPreparedBeforeMain = (korvid::ui::testsupport::prepareDisplayForWindows(), true);
