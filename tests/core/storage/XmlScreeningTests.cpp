#include "core/storage/XmlScreening.h"

#include <gtest/gtest.h>

using namespace korvid;

namespace
{
    juce::String nested (int depth, const juce::String& inside = {})
    {
        return juce::String::repeatedString ("<a>", depth) + inside + juce::String::repeatedString ("</a>", depth);
    }

    juce::String siblings (int count)
    {
        return "<r>" + juce::String::repeatedString ("<v n=\"k\" val=\"1\"/>", count) + "</r>";
    }
} // namespace

TEST (XmlScreening, RefusesWhatTheParserCannotTakeSafely)
{
    struct Case
    {
        const char* name;
        juce::String text;
        const char* refusal;   // the start of the sentence, or nullptr when it passes
    };

    const Case cases[] {
        { "as deep as allowed", nested (maxXmlNestingDepth), nullptr },
        { "one level deeper", nested (maxXmlNestingDepth + 1), "The document nests its elements more than 64 levels deep." },
        { "deep and never closed", juce::String::repeatedString ("<a>", 200000), "The document nests" },
        { "opened with a space", juce::String::repeatedString ("< a>", 100), "The document nests" },
        { "self-closed siblings are no depth", siblings (maxXmlElements - 1), nullptr },
        { "too many elements", siblings (maxXmlElements), "The document holds more than 4096 elements." },
        { "\"/>\" inside a value closes nothing", "<r v=\"/>\">" + nested (maxXmlNestingDepth) + "</r>", "The document nests" },
        { "closing tags hidden in a comment", "<r><!-- </a></a></a> -->" + nested (maxXmlNestingDepth) + "</r>",
          "The document nests" },
        { "closing tags hidden in character data", "<r><![CDATA[</a></a>]]>" + nested (maxXmlNestingDepth) + "</r>",
          "The document nests" },
        { "elements inside a comment", "<r><!-- " + nested (100) + " --></r>", nullptr },
        { "a header and a processing instruction", "<?xml version=\"1.0\"?><?x " + nested (100) + " ?><r/>", nullptr },
        { "a document type", "<!DOCTYPE r [<!ENTITY e \"&e;&e;\">]><r>&e;</r>", "The document holds a declaration" },
        { "an entity declaration later on", "<r><!ENTITY e \"x\"></r>", "The document holds a declaration" },
        { "a \"<\" inside a value", "<r v=\"" + nested (100) + "\"/>", "The document holds a \"<\" inside a tag." },
        { "a tag never closed before the next", "<r <a><a>", "The document holds a \"<\" inside a tag." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        juce::String error ("earlier");
        const bool passed = screenXmlText (c.text, error);

        if (c.refusal == nullptr)
        {
            EXPECT_TRUE (passed) << error;
            EXPECT_TRUE (error.isEmpty());
        }
        else
        {
            EXPECT_FALSE (passed);
            EXPECT_TRUE (error.startsWith (c.refusal)) << error;
        }
    }
}

TEST (XmlScreening, ParsesOnlyScreenedDocumentsOfTheExpectedKind)
{
    juce::String error;
    const auto settings = parseScreenedXml ("<?xml version=\"1.0\"?>\n<PROPERTIES><VALUE name=\"a\" val=\"1 &gt; 0\"/>"
                                            "<VALUE name=\"b\"><LIST><ITEM/></LIST></VALUE></PROPERTIES>",
                                            "PROPERTIES", error);
    ASSERT_NE (settings, nullptr) << error;
    EXPECT_TRUE (error.isEmpty());
    EXPECT_EQ (settings->getChildByAttribute ("name", "a")->getStringAttribute ("val"), "1 > 0");

    struct Case
    {
        const char* name;
        juce::String text;
        const char* refusal;
    };

    const Case cases[] {
        { "nothing", "", "This is not valid XML: " },
        { "not XML", "{ \"presetId\": 1 }", "This is not valid XML: " },
        { "cut off", "<PROPERTIES><VALUE name=\"a\" val=\"1", "This is not valid XML: " },
        { "unmatched", "<PROPERTIES><VALUE>", "This is not valid XML: " },
        { "another kind", "<PRESET/>", "The document holds <PRESET> where <PROPERTIES> was expected." },
        { "too deep", "<PROPERTIES>" + nested (200) + "</PROPERTIES>", "The document nests" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        EXPECT_EQ (parseScreenedXml (c.text, "PROPERTIES", error), nullptr);
        EXPECT_TRUE (error.startsWith (c.refusal)) << error;
        EXPECT_TRUE (error.endsWith (".")) << error;
    }
}
