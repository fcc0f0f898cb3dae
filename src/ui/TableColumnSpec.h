#pragma once

#include <cstddef>

namespace korvid::ui
{
    /** One column of a table as it is first added: its id, caption, starting width and the
        least a drag can make it. */
    struct TableColumnSpec
    {
        int id;
        const char* header;
        int width;
        int minimum;
    };

    /** The spec of the column with that id; the first one when none has it. */
    template <std::size_t count>
    const TableColumnSpec& findColumnSpec (const TableColumnSpec (&specs)[count], int columnId)
    {
        for (const auto& spec : specs)
            if (spec.id == columnId)
                return spec;

        return specs[0];
    }
}
