#pragma once

#include <cstddef>

namespace korvid::ui
{
    /** One column of a table as it is first added: its id, caption, starting width and the
        least a drag can make it. */
    struct TableColumnSetup
    {
        int id;
        const char* header;
        int width;
        int minimum;
    };

    /** The setup of the column with that id; the first one when none has it. */
    template <std::size_t count>
    const TableColumnSetup& findColumnSetup (const TableColumnSetup (&setups)[count], int columnId)
    {
        for (const auto& setup : setups)
            if (setup.id == columnId)
                return setup;

        return setups[0];
    }
}
