#pragma once

#include <juce_core/juce_core.h>

#include "core/model/StemTemplate.h"

#include <vector>

namespace korvid
{

/** The user's own stem templates, kept in "StemTemplates.json". Every template held
    here has the category "User", a trimmed non-empty name and at least one keyword.
    Message thread only. */
class TemplateStore
{
public:
    /** Keeps the file and loads it. */
    explicit TemplateStore (juce::File storeFile);

    /** The user's application-data folder / "Velvane" / "StemTemplates.json". */
    static juce::File defaultFile();

    /** Replaces the list by the file's content, in the file's order, keeping the first
        500 usable templates. A missing or unreadable file gives an empty list, and so does
        a file larger than maxFileBytes, which is not read at all. */
    void load();

    /** Stores the template under its name (a template of the same name, ignoring case,
        is replaced), sorts the list by name and saves. A change the store could not
        save for its size (see save) is refused and the list stays as it was. */
    bool addOrReplace (StemTemplate stemTemplate, juce::String& error);

    /** Whether addOrReplace would keep that template now: the same checks (its name and
        keywords, the count, the file's size), without saving anything. */
    bool canTake (const StemTemplate& stemTemplate) const;

    /** Removes every template of that name, ignoring case; saves only when one went. */
    bool remove (const juce::String& displayName, juce::String& error);

    /** Writes the whole list. A document larger than maxFileBytes, which load would not
        read back, is refused with a sentence naming the limit and nothing is written. A
        file that could not be read at load is first moved aside
        ("StemTemplates.unreadable.json"), never overwritten. */
    bool save (juce::String& error);

    /** When the file could not be read at load, moves it aside now and gives the user's
        sentences: why it was not read and where it was kept, or that it stays where it is
        and nothing can be saved over it. Empty when there is nothing to say. */
    juce::String setAsideUnreadableFile();

    juce::File file;
    std::vector<StemTemplate> templates;

    static constexpr int maxTemplates = 500;

    /** The largest file that is read: 500 templates with dozens of words each take a
        fraction of it. */
    static constexpr juce::int64 maxFileBytes = 4 * 1024 * 1024;

private:
    bool fileWasUnreadable = false;
    juce::String unreadableReason;    // one sentence, while fileWasUnreadable

    /** The list as addOrReplace would store it with that template, and its document;
        false, with the sentence, when the store would refuse it. */
    bool listWith (StemTemplate stemTemplate, std::vector<StemTemplate>& changed, juce::String& document,
                   juce::String& error) const;
    bool saveList (std::vector<StemTemplate> changed, juce::String& error);
    bool writeDocument (const juce::String& document, juce::String& error);
    bool moveUnreadableFileAside (juce::File& aside);
};

/** The words of an array under `key` of a template object: trimmed, blanks dropped,
    each cut to 4096 characters, at most 2000. Anything else gives an empty list. */
juce::StringArray readWordList (const juce::var& element, const juce::String& key);

/** Reads the text of a template store into `result` (emptied first). Gives false when
    the text is not a JSON object holding a "templates" array, or is JSON the safe parser
    refuses (too deeply nested, overlong numbers); `result` is then empty. */
bool parseTemplateStoreJson (const juce::String& text, std::vector<StemTemplate>& result);

/** The store's document for these templates, in their order (multi-line JSON). */
juce::String templateStoreToJson (const std::vector<StemTemplate>& templates);

} // namespace korvid
