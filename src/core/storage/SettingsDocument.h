#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{
    /** The outermost element of a settings document. */
    inline constexpr const char* settingsDocumentTag = "PROPERTIES";

    /** The settings file's text for these properties, laid out as the framework's XML
        properties file, so the framework's reader (and every earlier version) reads it: an
        outer <PROPERTIES>, then one <VALUE name="..." val="..."/> per key in the given
        order, where a value that parses as XML is stored as the VALUE's child element
        instead. Lines end in "\r\n", as the framework writes them.

        A value is stored as text although it parses, when it holds a line break (its line
        ends would be changed with the file's) or XML that the settings screen refuses; and
        when the document as a whole would still be refused, every value is stored as text. */
    juce::String settingsDocumentText (const juce::StringPairArray& properties);
}
