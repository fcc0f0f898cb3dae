#include "core/storage/TemplateStore.h"
#include "core/storage/DocumentReading.h"

#include "core/storage/JsonParsing.h"
#include "core/platform/SafeFileWriter.h"

#include <algorithm>
#include <cmath>

namespace korvid
{

namespace
{
    constexpr int maxTextLength = 4096;
    constexpr int maxWordsPerList = 2000;
    constexpr juce::uint32 defaultColour = 0xff8a8f94;

    // Objects and arrays have no text of their own; they read as empty.
    juce::String textOf (const juce::var& value)
    {
        if (value.isObject() || value.isArray())
            return {};

        return value.toString();
    }

    // The value as a 64-bit integer the way the JSON library converts it, but without
    // its undefined corners: overflowing digit strings wrap and out-of-range or
    // non-finite numbers give 0. Only the low 32 bits are used, so wrapping changes nothing.
    juce::uint64 integerOf (const juce::var& value)
    {
        if (value.isString())
        {
            auto p = value.toString().getCharPointer().findEndOfWhitespace();
            const bool negative = *p == '-';

            if (negative)
                ++p;

            juce::uint64 result = 0;

            for (; ! p.isEmpty() && *p >= '0' && *p <= '9'; ++p)
                result = result * 10 + (juce::uint64) (*p - '0');

            return negative ? 0 - result : result;
        }

        if (value.isDouble())
        {
            const auto number = (double) value;

            if (! std::isfinite (number) || number >= 9.2233720368547758e18 || number <= -9.2233720368547758e18)
                return 0;

            return (juce::uint64) (juce::int64) number;
        }

        return (juce::uint64) (juce::int64) value;
    }

    juce::uint32 colourOf (const juce::var& element)
    {
        const auto value = integerOf (element.getProperty ("colourARGB", {}));
        return value == 0 ? defaultColour : (juce::uint32) (value & 0xffffffffu);
    }

    juce::var wordsToJson (const juce::StringArray& words)
    {
        juce::Array<juce::var> list;

        for (const auto& word : words)
            list.add (word);

        return list;
    }
} // namespace

juce::StringArray readWordList (const juce::var& element, const juce::String& key)
{
    juce::StringArray words;

    if (! element.isObject())
        return words;

    const auto list = element.getProperty (juce::Identifier (key), {});
    const auto* values = list.getArray();

    if (values == nullptr)
        return words;

    for (const auto& value : *values)
    {
        if (words.size() >= maxWordsPerList)
            break;

        const auto word = textOf (value).trim();

        if (word.isNotEmpty())
            words.add (word.substring (0, maxTextLength));
    }

    return words;
}

bool parseTemplateStoreJson (const juce::String& text, std::vector<StemTemplate>& result)
{
    result.clear();

    juce::var root;
    juce::String parseError;

    if (! parseJsonDocument (text, root, parseError) || ! root.isObject())
        return false;

    const auto list = root.getProperty ("templates", {});
    const auto* elements = list.getArray();

    if (elements == nullptr)
        return false;

    for (const auto& element : *elements)
    {
        if ((int) result.size() >= TemplateStore::maxTemplates)
            break;

        StemTemplate stemTemplate;
        stemTemplate.category = "User";

        if (element.isObject())
        {
            stemTemplate.displayName = textOf (element.getProperty ("displayName", {})).substring (0, maxTextLength).trim();
            stemTemplate.shortCode = textOf (element.getProperty ("shortCode", {})).substring (0, maxTextLength).trim();
        }

        stemTemplate.keywords = readWordList (element, "keywords");
        stemTemplate.excludeKeywords = readWordList (element, "excludeKeywords");
        stemTemplate.colourARGB = element.isObject() ? colourOf (element) : defaultColour;

        if (stemTemplate.displayName.isNotEmpty() && ! stemTemplate.keywords.isEmpty())
            result.push_back (std::move (stemTemplate));
    }

    return true;
}

juce::String templateStoreToJson (const std::vector<StemTemplate>& templates)
{
    auto list = juce::Array<juce::var>();

    for (const auto& held : templates)
    {
        auto object = juce::DynamicObject::Ptr (new juce::DynamicObject());
        object->setProperty ("displayName", held.displayName);
        object->setProperty ("shortCode", held.shortCode);
        object->setProperty ("colourARGB", (juce::int64) held.colourARGB);
        object->setProperty ("keywords", wordsToJson (held.keywords));
        object->setProperty ("excludeKeywords", wordsToJson (held.excludeKeywords));
        list.add (juce::var (object.get()));
    }

    auto document = juce::DynamicObject::Ptr (new juce::DynamicObject());
    document->setProperty ("format", "velvane.stemtemplates");
    document->setProperty ("schemaVersion", 1);
    document->setProperty ("templates", list);

    return juce::JSON::toString (juce::var (document.get()), false, 15);
}

TemplateStore::TemplateStore (juce::File storeFile)
    : file (std::move (storeFile))
{
    load();
}

juce::File TemplateStore::defaultFile()
{
    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
        .getChildFile ("Velvane")
        .getChildFile ("StemTemplates.json");
}

void TemplateStore::load()
{
    templates.clear();
    fileWasUnreadable = false;

    if (! file.existsAsFile())
        return;

    // Whatever cannot be read is kept until the first save moves it aside. A file far
    // larger than any store is not read at all: parsing it would hold up the start.
    juce::String text;

    if (readDocumentText (file, maxFileBytes, text) != DocumentRead::ok || ! parseTemplateStoreJson (text, templates))
        fileWasUnreadable = file.getSize() > 0;
}

bool TemplateStore::addOrReplace (StemTemplate stemTemplate, juce::String& error)
{
    stemTemplate.category = "User";
    stemTemplate.displayName = stemTemplate.displayName.trim();

    if (stemTemplate.displayName.isEmpty())
    {
        error = "A template needs a name.";
        return false;
    }

    if (stemTemplate.keywords.isEmpty())
    {
        error = "A template needs at least one keyword, or it would match nothing.";
        return false;
    }

    const auto existing = std::find_if (templates.begin(), templates.end(), [&] (const StemTemplate& held)
    {
        return held.displayName.equalsIgnoreCase (stemTemplate.displayName);
    });

    if (existing != templates.end())
    {
        *existing = std::move (stemTemplate);
    }
    else
    {
        if ((int) templates.size() >= maxTemplates)
        {
            error = "That is as many templates as you can keep.";
            return false;
        }

        templates.push_back (std::move (stemTemplate));
    }

    std::sort (templates.begin(), templates.end(), [] (const StemTemplate& a, const StemTemplate& b)
    {
        return a.displayName.compareIgnoreCase (b.displayName) < 0;
    });

    return save (error);
}

bool TemplateStore::remove (const juce::String& displayName, juce::String& error)
{
    const auto sizeBefore = templates.size();

    templates.erase (std::remove_if (templates.begin(), templates.end(), [&] (const StemTemplate& held)
    {
        return held.displayName.equalsIgnoreCase (displayName);
    }), templates.end());

    if (templates.size() == sizeBefore)
        return true;

    return save (error);
}

bool TemplateStore::save (juce::String& error)
{
    // The former content was never loaded: keep it beside the new file.
    if (fileWasUnreadable && file.existsAsFile())
    {
        const auto aside = unusedAsideFile (file);

        if (aside == juce::File() || ! file.moveFileTo (aside))
        {
            error = "'" + file.getFileName() + "' could not be read and could not be moved aside, "
                    "so it was not replaced.";
            return false;
        }
    }

    fileWasUnreadable = false;

    file.getParentDirectory().createDirectory();
    return writeFileSafely (file, templateStoreToJson (templates), error);
}

} // namespace korvid
