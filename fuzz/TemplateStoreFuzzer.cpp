#include "core/platform/TextLocale.h"
#include "core/storage/TemplateStore.h"
#include "core/storage/TextDecoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    korvid::setTextLocale();
    return 0;
}

namespace
{
    bool isStoredWord (const juce::String& word)
    {
        return word.trim().isNotEmpty() && word.length() <= 4096;
    }

    // What the store promises about every template it reads.
    bool keepsTheRules (const std::vector<korvid::StemTemplate>& templates)
    {
        if (templates.size() > 500)
            return false;

        for (const auto& t : templates)
        {
            if (t.category != "User" || t.displayName.isEmpty() || t.displayName != t.displayName.trim()
                || t.displayName.length() > 4096 || t.shortCode.length() > 4096
                || t.keywords.isEmpty() || t.keywords.size() > 2000 || t.excludeKeywords.size() > 2000)
                return false;

            for (const auto& word : t.keywords)
                if (! isStoredWord (word))
                    return false;

            for (const auto& word : t.excludeKeywords)
                if (! isStoredWord (word))
                    return false;
        }

        return true;
    }

    bool sameWords (const juce::StringArray& a, const juce::StringArray& b)
    {
        if (a.size() != b.size())
            return false;

        // A word is trimmed before it is cut, so a cut word may end in a blank that the next read trims.
        for (int i = 0; i < a.size(); ++i)
            if (a[i].trim() != b[i].trim())
                return false;

        return true;
    }

    bool sameTemplates (const std::vector<korvid::StemTemplate>& a, const std::vector<korvid::StemTemplate>& b)
    {
        if (a.size() != b.size())
            return false;

        for (size_t i = 0; i < a.size(); ++i)
        {
            // A colour of 0 is written as 0, which reads back as the default colour.
            const auto colour = [] (juce::uint32 c) { return c == 0 ? 0xff8a8f94u : c; };

            if (a[i].displayName != b[i].displayName || a[i].shortCode != b[i].shortCode
                || colour (a[i].colourARGB) != colour (b[i].colourARGB)
                || ! sameWords (a[i].keywords, b[i].keywords) || ! sameWords (a[i].excludeKeywords, b[i].excludeKeywords))
                return false;
        }

        return true;
    }
} // namespace

// Whatever the reader takes must keep the store's rules, and what the store writes
// for it must read back as the same templates.
extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    // The same conversion the store file goes through when it is loaded.
    const auto text = korvid::textFromBytes (data, size);

    std::vector<korvid::StemTemplate> templates;

    if (! korvid::parseTemplateStoreJson (text, templates))
    {
        if (! templates.empty())
            std::abort();

        return 0;
    }

    if (! keepsTheRules (templates))
        std::abort();

    std::vector<korvid::StemTemplate> again;

    if (! korvid::parseTemplateStoreJson (korvid::templateStoreToJson (templates), again)
        || ! sameTemplates (templates, again))
        std::abort();

    return 0;
}
