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

    // "4 MB" for the reader's limit.
    juce::String limitText()
    {
        return juce::String (TemplateStore::maxFileBytes / (1024 * 1024)) + " MB";
    }

    // Megabytes with one decimal, rounded up, so a size just past the limit never reads as the limit.
    juce::String megabytesText (juce::int64 bytes)
    {
        return juce::String (std::ceil ((double) bytes * 10.0 / (1024.0 * 1024.0)) / 10.0, 1) + " MB";
    }

    // The reader refuses a larger file and would start with no templates at all, so a
    // document it would refuse is never written. The writer drops the carriage returns.
    bool documentWithinLimit (const std::vector<StemTemplate>& templates, juce::String& document, juce::String& error)
    {
        document = templateStoreToJson (templates).removeCharacters ("\r");
        const auto bytes = (juce::int64) document.getNumBytesAsUTF8();

        if (bytes <= TemplateStore::maxFileBytes)
            return true;

        error = "The stem templates would take " + megabytesText (bytes) + ", more than the " + limitText()
                + " their file may hold, so the change was not saved.";
        return false;
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
    unreadableReason.clear();

    if (! file.existsAsFile())
        return;

    // Whatever cannot be read is kept until it is set aside or the first save moves it. A
    // file far larger than any store is not read at all: parsing it would hold up the start.
    juce::String text;

    switch (readDocumentText (file, maxFileBytes, text))
    {
        case DocumentRead::unreadable: unreadableReason = "The file could not be opened for reading."; break;
        case DocumentRead::tooLarge:   unreadableReason = "The file is larger than the " + limitText() + " limit."; break;
        case DocumentRead::ok:
            if (! parseTemplateStoreJson (text, templates))
                unreadableReason = "The file does not hold a list of stem templates.";
            break;
    }

    // An empty file holds nothing to lose.
    fileWasUnreadable = unreadableReason.isNotEmpty() && file.getSize() > 0;

    if (! fileWasUnreadable)
        unreadableReason.clear();
}

bool TemplateStore::addOrReplace (StemTemplate stemTemplate, juce::String& error)
{
    std::vector<StemTemplate> changed;
    juce::String document;

    // A change too large to save is not kept either: every later save would carry it.
    if (! listWith (std::move (stemTemplate), changed, document, error))
        return false;

    templates = std::move (changed);
    return writeDocument (document, error);
}

bool TemplateStore::canTake (const StemTemplate& stemTemplate) const
{
    std::vector<StemTemplate> changed;
    juce::String document, error;
    return listWith (stemTemplate, changed, document, error);
}

bool TemplateStore::listWith (StemTemplate stemTemplate, std::vector<StemTemplate>& changed, juce::String& document,
                              juce::String& error) const
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

    changed = templates;

    const auto existing = std::find_if (changed.begin(), changed.end(), [&] (const StemTemplate& held)
    {
        return held.displayName.equalsIgnoreCase (stemTemplate.displayName);
    });

    if (existing != changed.end())
    {
        *existing = std::move (stemTemplate);
    }
    else
    {
        if ((int) changed.size() >= maxTemplates)
        {
            error = "That is as many templates as you can keep.";
            return false;
        }

        changed.push_back (std::move (stemTemplate));
    }

    std::sort (changed.begin(), changed.end(), [] (const StemTemplate& a, const StemTemplate& b)
    {
        return a.displayName.compareIgnoreCase (b.displayName) < 0;
    });

    return documentWithinLimit (changed, document, error);
}

bool TemplateStore::remove (const juce::String& displayName, juce::String& error)
{
    auto changed = templates;

    changed.erase (std::remove_if (changed.begin(), changed.end(), [&] (const StemTemplate& held)
    {
        return held.displayName.equalsIgnoreCase (displayName);
    }), changed.end());

    if (changed.size() == templates.size())
        return true;

    return saveList (std::move (changed), error);
}

bool TemplateStore::save (juce::String& error)
{
    juce::String document;
    return documentWithinLimit (templates, document, error) && writeDocument (document, error);
}

juce::String TemplateStore::setAsideUnreadableFile()
{
    if (! fileWasUnreadable || ! file.existsAsFile())
        return {};

    const auto opening = "The stem templates could not be read, so the list of your own templates starts empty. "
                         + unreadableReason + "\n\n";
    juce::File aside;

    if (moveUnreadableFileAside (aside))
        return opening + "The file was kept as " + aside.getFullPathName() + ".";

    return opening + "The file could not be set aside, so it was left as it is, and no template can be saved "
                     "until it is moved or removed.";
}

bool TemplateStore::saveList (std::vector<StemTemplate> changed, juce::String& error)
{
    // A change too large to save is not kept either: every later save would carry it.
    juce::String document;

    if (! documentWithinLimit (changed, document, error))
        return false;

    templates = std::move (changed);
    return writeDocument (document, error);
}

bool TemplateStore::writeDocument (const juce::String& document, juce::String& error)
{
    // The former content was never loaded: keep it beside the new file.
    juce::File aside;

    if (! moveUnreadableFileAside (aside))
    {
        error = "'" + file.getFileName() + "' could not be read and could not be moved aside, "
                "so it was not replaced.";
        return false;
    }

    file.getParentDirectory().createDirectory();
    return writeFileSafely (file, document, error);
}

bool TemplateStore::moveUnreadableFileAside (juce::File& aside)
{
    if (fileWasUnreadable && file.existsAsFile())
    {
        aside = unusedAsideFile (file);

        if (aside == juce::File() || ! file.moveFileTo (aside))
            return false;
    }

    fileWasUnreadable = false;
    unreadableReason.clear();
    return true;
}

} // namespace korvid
