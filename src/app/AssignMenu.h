#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid
{
    class Session;
}

namespace korvid::ui
{
    class AppState;

    /** What an open assign menu acts on: the selected tracks and the schema's stems in
        schema order, both taken when the menu opened, so that an answer after the stems
        moved still means the stem the item showed. */
    struct AssignMenuContext
    {
        juce::StringArray trackIds;
        juce::StringArray stemIds;
    };

    /** Result ids of the assign menu; a stem is firstStem + its schema position when the
        menu opened. The new-stem items keep their own range (StemDialogs.h). */
    namespace assignMenuIds
    {
        constexpr int noStems = -1;
        constexpr int unassign = 1;
        constexpr int firstStem = 2;
        constexpr int sortAlphabetically = 100000;
        constexpr int renameFile = 100001;
    }

    AssignMenuContext makeAssignMenuContext (const Session& session, const juce::StringArray& trackIds);

    /** The header with the track count, "Unassigned", one item per stem ("03  Strings", in
        schema order or alphabetically), the new-stem items, "Rename file" (one track only)
        and "Sort stems alphabetically". With `sayWhenNoStems` a preset without stems shows
        that as a disabled item. */
    juce::PopupMenu createAssignMenu (AppState& state, const AssignMenuContext& context, bool sayWhenNoStems,
                                      juce::LookAndFeel& lookAndFeel);

    /** What a chosen item asked for beyond what the session and the dialogs do themselves. */
    enum class AssignMenuOutcome : int
    {
        nothing,
        done,
        sortOrderChanged
    };

    /** Carries out a chosen item: assigns or unassigns the tracks, makes a new stem for them,
        asks to rename the one track's file, or switches the alphabetical order. Below 1
        (dismissed) and a stem that has gone do nothing. */
    AssignMenuOutcome assignMenuItemChosen (int result, AppState& state, juce::Component* parent,
                                            const AssignMenuContext& context);
}
