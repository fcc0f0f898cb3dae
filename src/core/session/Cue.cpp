#include "core/session/Cue.h"

#include "core/model/OutputNaming.h"

#include <cstdint>

namespace korvid
{

namespace
{
    juce::String safeFolderName (const juce::String& text)
    {
        return sanitiseFileName (text, "-", "untitled", 120);
    }
} // namespace

juce::StringArray Cue::stemsForSubmix (const Submix& submix) const
{
    const auto found = submixOverrides.find (submix.id);
    return found != submixOverrides.end() ? found->second : submix.stems;
}

juce::String cueIdForFolder (const juce::File& folder)
{
    const auto path = folder.getFullPathName().toLowerCase();
    std::uint64_t hash = 0;

    for (auto p = path.getCharPointer(); ! p.isEmpty();)
        hash = hash * 101u + (std::uint64_t) (juce::uint32) p.getAndAdvance();

    if (hash == 0)
        return "0";

    static const char digits[] = "0123456789abcdef";
    char text[17] {};
    int start = 16;

    while (hash != 0)
    {
        text[--start] = digits[hash & 15u];
        hash >>= 4;
    }

    return juce::String (text + start);
}

juce::File cueOutputFolder (const Cue& cue, const juce::File& exportFolder,
                            bool mirrorFolderStructure, bool folderPerCue)
{
    const auto cueName = cue.name.trim();

    if (mirrorFolderStructure && cue.relativeFolder.trim().isNotEmpty())
    {
        juce::StringArray parts;
        parts.addTokens (cue.relativeFolder, "/", {});
        parts.removeEmptyStrings (false);

        if (parts.isEmpty())
            return exportFolder;

        if (cueName.isNotEmpty())
            parts.set (parts.size() - 1, cueName);

        auto folder = exportFolder;

        for (const auto& part : parts)
        {
            const auto clean = safeFolderName (part);

            if (clean.isEmpty())
                return exportFolder;

            folder = folder.getChildFile (clean);
        }

        return folder;
    }

    if (folderPerCue)
    {
        const auto clean = safeFolderName (cueName);

        if (clean.isNotEmpty())
            return exportFolder.getChildFile (clean);
    }

    return exportFolder;
}

} // namespace korvid
