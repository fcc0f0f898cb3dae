#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{
    enum class DocumentRead : int
    {
        ok,
        unreadable,   // missing, or could not be opened
        tooLarge
    };

    /** Reads a whole document of at most `maxBytes` bytes as text, decoded as textFromBytes
        does. Never reads more than one byte past the limit, so a file that grows while it is
        read is refused as well; `text` is empty unless the result is ok. */
    DocumentRead readDocumentText (const juce::File& file, juce::int64 maxBytes, juce::String& text);

    /** Where a document that could not be read is kept before a new one takes its name:
        beside it, "StemTemplates.unreadable.json" for "StemTemplates.json", then
        "StemTemplates.unreadable-2.json" and on, never a file that exists. An empty
        juce::File when every such name is taken. */
    juce::File unusedAsideFile (const juce::File& file);
}
