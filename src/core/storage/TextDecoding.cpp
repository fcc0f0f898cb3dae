#include "core/storage/TextDecoding.h"

namespace korvid
{
    juce::String textFromBytes (const void* data, size_t size)
    {
        // JUCE's decoder reads one byte beyond the data for some inputs (a lone UTF-8
        // byte-order mark), so it decodes a copy that ends in a zero byte.
        juce::MemoryBlock padded (size + 1, true);

        if (size > 0)
            padded.copyFrom (data, 0, size);

        return juce::String::createStringFromData (padded.getData(), (int) size);
    }

    juce::String loadTextFile (const juce::File& file)
    {
        juce::MemoryBlock bytes;

        if (! file.loadFileAsData (bytes))
            return {};

        return textFromBytes (bytes.getData(), bytes.getSize());
    }
}
