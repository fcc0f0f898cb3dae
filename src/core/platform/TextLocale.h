#pragma once

namespace korvid
{
    /** Lets the C library classify and lower-case non-ASCII letters ("É" -> "é"),
        which JUCE 7's character functions rely on. Touches only LC_CTYPE, so number
        formatting stays in the "C" locale. Call it first thing in every main. */
    void setTextLocale();
}
