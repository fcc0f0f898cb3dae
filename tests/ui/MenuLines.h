#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

namespace korvid::ui::testing
{
    /** One item of a popup menu as a test reads it. */
    struct MenuLine
    {
        int id;
        juce::String text;
        bool enabled, ticked, header;
    };

    /** The items of a menu, without separators and sub-menus, in menu order. */
    inline std::vector<MenuLine> linesOf (const juce::PopupMenu& menu)
    {
        std::vector<MenuLine> lines;

        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
        {
            const auto& item = it.getItem();

            if (! item.isSeparator && item.subMenu == nullptr)
                lines.push_back ({ item.itemID, item.text, item.isEnabled, item.isTicked, item.isSectionHeader });
        }

        return lines;
    }

    inline const MenuLine* findLine (const std::vector<MenuLine>& lines, int id)
    {
        for (const auto& line : lines)
            if (line.id == id)
                return &line;

        return nullptr;
    }
}
