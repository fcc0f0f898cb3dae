#pragma once

#include <vector>

namespace korvid::ui
{
    /** One item of a row of columns or controls: the width it wants, the least it can do
        with, and when it gives way: the lowest order first. */
    struct SqueezableWidth
    {
        int wanted = 0;
        int minimum = 0;
        int order = 0;
    };

    /** The widths of the items when the row holds `available` pixels. Each gets what it wants
        when they fit together; otherwise the items of the lowest order give way first, each in
        proportion to what it can spare, then those of the next order. None goes below its
        minimum (nor a minimum above its wish), so the widths may still add up to more than
        is available. */
    std::vector<int> squeezeWidths (const std::vector<SqueezableWidth>& items, int available);
}
