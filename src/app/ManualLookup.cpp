#include "app/ManualLookup.h"

namespace korvid::ui
{
    juce::File findLocalManual (const juce::File& startFolder)
    {
        static const char* const candidates[] = { "manual/index.html", "Resources/manual/index.html",
                                                  "docs/manual/index.html" };
        auto folder = startFolder;

        while (folder.getFullPathName().isNotEmpty())
        {
            for (const auto* candidate : candidates)
            {
                const auto file = folder.getChildFile (candidate);

                if (file.existsAsFile())
                    return file;
            }

            const auto parent = folder.getParentDirectory();

            if (parent == folder)
                break;

            folder = parent;
        }

        return {};
    }
}
