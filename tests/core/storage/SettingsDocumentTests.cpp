#include "core/storage/SettingsDocument.h"

#include "core/storage/ScratchFolder.h"
#include "core/storage/XmlScreening.h"

#include <juce_data_structures/juce_data_structures.h>

#include <gtest/gtest.h>

#include <string>

using namespace korvid;

namespace
{
    juce::PropertiesFile::Options xmlOptions()
    {
        juce::PropertiesFile::Options options;
        options.storageFormat = juce::PropertiesFile::storeAsXML;
        options.millisecondsBeforeSaving = -1;
        return options;
    }

    juce::StringPairArray properties (std::initializer_list<std::pair<juce::String, juce::String>> pairs)
    {
        juce::StringPairArray result;

        for (const auto& [key, value] : pairs)
            result.set (key, value);

        return result;
    }

    // The file's bytes as they are, so a byte-order mark or a changed line end shows.
    std::string bytesIn (const juce::File& file)
    {
        juce::MemoryBlock bytes;
        file.loadFileAsData (bytes);
        return { static_cast<const char*> (bytes.getData()), bytes.getSize() };
    }

    juce::StringPairArray readByTheFramework (const juce::File& file)
    {
        auto options = xmlOptions();
        options.doNotSave = true;
        juce::PropertiesFile read (file, options);
        return read.getAllProperties();
    }

    juce::String nested (int depth)
    {
        return juce::String::repeatedString ("<a>", depth) + juce::String::repeatedString ("</a>", depth);
    }
} // namespace

TEST (SettingsDocument, IsTheDocumentTheFrameworkWrites)
{
    test::ScratchFolder scratch;

    struct Case
    {
        const char* name;
        juce::StringPairArray values;
    };

    const Case cases[] {
        { "no keys", {} },
        { "plain values in their order", properties ({ { "uiScalePercent", "125" }, { "presetId", "builtin-empty" }, { "empty", "" } }) },
        { "text that needs escaping", properties ({ { "recentProjects", "/a/One.vlpr\n/b/Two & \"three\" <four>.vlpr\r\n\ttab" } }) },
        { "a value that is XML", properties ({ { "customPalette", "<PALETTE a=\"ff000000\"><C v=\"1\"/>text</PALETTE>" } }) },
        { "XML-looking text that does not parse", properties ({ { "names", "<not closed" }, { "other", "a < b > c" } }) },
        { "letters beyond ASCII", properties ({ { juce::CharPointer_UTF8 ("compos\xc3\xa9r"), juce::CharPointer_UTF8 ("Zo\xc3\xab \xe5\xb1\xb1\xe7\x94\xb0") } }) },
        { "a long line that wraps", properties ({ { juce::String::repeatedString ("key", 30), juce::String::repeatedString ("value ", 40) } }) },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto file = scratch.file ("framework.settings");
        {
            juce::PropertiesFile framework (file, xmlOptions());
            framework.getAllProperties() = c.values;
            ASSERT_TRUE (framework.save());
        }

        const auto text = settingsDocumentText (c.values);
        EXPECT_EQ (text.toStdString(), bytesIn (file));
    }
}

// Where the framework's own form would not come back as it was, or would be refused by
// the screen at the next start, values are stored as text, which always reads back.
TEST (SettingsDocument, ValuesThatCannotBeElementsAreStoredAsTextAndReadBackExactly)
{
    test::ScratchFolder scratch;

    juce::StringPairArray manyElements;

    for (int i = 0; i < 100; ++i)
        manyElements.set ("list" + juce::String (i), "<L>" + juce::String::repeatedString ("<I/>", 50) + "</L>");

    struct Case
    {
        const char* name;
        juce::StringPairArray values;
    };

    const Case cases[] {
        { "XML holding line breaks", properties ({ { "layout", "<LAYOUT>one\r\ntwo\nthree</LAYOUT>" } }) },
        { "XML nested deeper than the screen lets through", properties ({ { "deep", nested (1000) } }) },
        { "XML that fits alone but not inside the document", properties ({ { "deep", nested (maxXmlNestingDepth - 1) } }) },
        { "more elements than a settings file may hold", manyElements },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto text = settingsDocumentText (c.values);

        juce::String problem;
        EXPECT_TRUE (screenXmlText (text, problem)) << problem;

        const auto file = scratch.file ("ours.settings");
        ASSERT_TRUE (file.replaceWithData (text.toRawUTF8(), text.getNumBytesAsUTF8()));
        EXPECT_TRUE (readByTheFramework (file) == c.values);
    }

    // The parser would recurse once per level until the stack runs out.
    EXPECT_TRUE (settingsDocumentText (properties ({ { "deep", nested (200000) } })).contains ("val=\"&lt;a&gt;&lt;a&gt;"));
}
