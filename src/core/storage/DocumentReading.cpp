#include "core/storage/DocumentReading.h"

#include "core/storage/TextDecoding.h"

namespace korvid
{
    DocumentRead readDocumentText (const juce::File& file, juce::int64 maxBytes, juce::String& text)
    {
        text.clear();

        if (! file.existsAsFile())
            return DocumentRead::unreadable;

        // Refused before a byte is read: a far larger file would hold up whoever waits for it.
        if (file.getSize() > maxBytes)
            return DocumentRead::tooLarge;

        juce::FileInputStream input (file);

        if (! input.openedOk())
            return DocumentRead::unreadable;

        juce::MemoryBlock bytes;
        input.readIntoMemoryBlock (bytes, (ssize_t) maxBytes + 1);

        if ((juce::int64) bytes.getSize() > maxBytes)
            return DocumentRead::tooLarge;

        text = textFromBytes (bytes.getData(), bytes.getSize());
        return DocumentRead::ok;
    }

    juce::File unusedAsideFile (const juce::File& file)
    {
        const auto folder = file.getParentDirectory();
        const auto stem = file.getFileNameWithoutExtension() + ".unreadable";
        const auto extension = file.getFileExtension();

        auto candidate = folder.getChildFile (stem + extension);

        for (int counter = 2; candidate.exists() && counter < 10000; ++counter)
            candidate = folder.getChildFile (stem + "-" + juce::String (counter) + extension);

        return candidate.exists() ? juce::File() : candidate;
    }
}
