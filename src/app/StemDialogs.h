#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    class AppState;

    /** Result ids of the new-stem menu items, in the host menu's id space. The host pages
        keep clear of the whole range [first, first + count). */
    namespace newStemMenuIds
    {
        constexpr int first = 200000;
        constexpr int count = 3000;
        constexpr int newStem = 200000;               // asks for a name
        constexpr int firstUserTemplate = 201000;     // + position in the template store
        constexpr int firstBuiltInTemplate = 202000;  // + position in builtInTemplates()
    }

    /** No new stem is made once the session's schema holds this many. */
    constexpr int maxStemsInSchema = 256;

    /** Appends, after a separator, "New stem from user template" (only when the store holds
        any), "New stem from template" (one sub-menu per built-in category but "Blank") and
        "New stem"; all disabled once the schema is full. */
    void addNewStemMenuItems (juce::PopupMenu& menu, AppState& state);

    /** False when the id is not a new-stem id (the caller handles it). Otherwise makes the
        stem the id stands for and puts the tracks in it, or with a template whose name a
        stem already has, puts them in that stem; does nothing without tracks or with a full
        schema; and gives true. */
    bool handleNewStemMenuResult (int id, AppState& state, juce::Component* parent, const juce::StringArray& trackIds);

    /** Asks for a name, then makes a stem of it holding the tracks and keeps it as a user
        template for next time. A name a stem already has is refused with a warning; a
        template the store refuses is said in a warning, and the stem is made all the same. */
    void askForNameThenAdd (AppState& state, juce::Component* parent, const juce::StringArray& trackIds);
}
