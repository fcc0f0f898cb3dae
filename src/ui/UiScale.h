#pragma once

namespace korvid::ui
{
    /** Scales the whole interface to a percentage, clamped to 80..120, and shrinks any
        window that no longer fits its display. Windows are never enlarged. */
    void applyUiScale (int percent);
}
