#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{
    /** Turns the bytes of a document into text (UTF-8 with or without a byte-order mark,
        UTF-16 with one, else Windows-1252), never reading past the given bytes. */
    juce::String textFromBytes (const void* data, size_t size);

    /** The whole file as text, decoded as textFromBytes does; empty when it cannot be read. */
    juce::String loadTextFile (const juce::File& file);
}
