#pragma once

namespace korvid::ui
{
    /** The five workflow pages in step order; also the step indices of the step bar. */
    enum class Page : int
    {
        importPage,
        presetPage,
        reviewPage,
        exportPage,
        reportPage
    };

    inline constexpr int pageCount = 5;
}
