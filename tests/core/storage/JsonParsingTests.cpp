#include "core/storage/JsonParsing.h"

#include <gtest/gtest.h>

using namespace korvid;

namespace
{
    juce::String nested (int depth)
    {
        return juce::String::repeatedString ("[", depth) + juce::String::repeatedString ("]", depth);
    }

    // One object with `members` members named k0, k1, ...
    juce::String objectWithMembers (int members, int firstName = 0, const char* beforeColon = " ")
    {
        juce::StringArray parts;

        for (int i = 0; i < members; ++i)
            parts.add ("\"k" + juce::String (firstName + i) + "\"" + beforeColon + ": 1");

        return "{" + parts.joinIntoString (",") + "}";
    }

    // `objects` objects of 500 members each, all names different.
    juce::String manyNames (int objects)
    {
        juce::StringArray parts;

        for (int i = 0; i < objects; ++i)
            parts.add (objectWithMembers (500, i * 500));

        return "[" + parts.joinIntoString (",") + "]";
    }
} // namespace

TEST (JsonParsing, ScreensWhatTheParserCannotTakeSafely)
{
    struct Case
    {
        const char* name;
        juce::String text;
        const char* error;   // empty: accepted
    };

    const auto depthError = "The document nests its values more than 64 levels deep.";
    const auto digitsError = "The document holds a number with more digits than can be read.";

    const Case cases[] {
        { "64 levels", nested (64), "" },
        { "65 levels", nested (65), depthError },
        { "brackets inside strings do not count", "[\"" + juce::String::repeatedString ("[", 200) + "\"]", "" },
        { "escaped quote keeps the string open", "[\"\\\"[[[[\", 1]", "" },
        { "single-quoted string", "['" + juce::String::repeatedString ("{", 100) + "']", "" },
        { "largest 64-bit integer", "[9223372036854775807, -9223372036854775807]", "" },
        { "one more", "[9223372036854775808]", digitsError },
        { "one more, negative", "[-9223372036854775808]", digitsError },
        { "too large before a fraction", "[9223372036854775808.5]", digitsError },
        { "20 digits", "[12345678901234567890]", digitsError },
        { "leading zeros do not count", "[000000000000000000000000000001]", "" },
        { "long fraction", "[0." + juce::String::repeatedString ("7", 500) + "]", "" },
        { "digits inside a string", "[\"" + juce::String::repeatedString ("9", 40) + "\"]", "" },
        { "9 exponent digits", "[1e999999999]", "" },
        { "10 exponent digits", "[1e9999999999]", digitsError },
        { "exponent digits count with their leading zeros", "[1E-0000000001]", digitsError },
        { "trailing minus", "[-", "This is not valid JSON: a minus sign must be followed by a digit." },
        { "minus before a blank", "[- 1]", "This is not valid JSON: a minus sign must be followed by a digit." },
        { "negative number", "[-12.5e-3]", "" },
        { "1000 members", "[" + objectWithMembers (1000) + "]", "" },
        { "1001 members", "[" + objectWithMembers (1001) + "]",
          "The document holds an object with more than 1000 members." },
        { "1001 members with form feeds before the colons", "[" + objectWithMembers (1001, 0, "\f") + "]",
          "The document holds an object with more than 1000 members." },
        { "members of sibling objects count apart", "[" + objectWithMembers (1000) + "," + objectWithMembers (1000) + "]", "" },
        { "10000 names", manyNames (20), "" },
        { "10500 names", manyNames (21), "The document uses more than 10000 different member names." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        juce::var result ("stale");
        juce::String error ("stale");
        const bool ok = parseJsonDocument (c.text, result, error);

        if (juce::String (c.error).isEmpty())
        {
            EXPECT_TRUE (ok) << error;
            EXPECT_TRUE (error.isEmpty());
            EXPECT_TRUE (result.isArray());
        }
        else
        {
            EXPECT_FALSE (ok);
            EXPECT_EQ (error, juce::String (c.error));
            EXPECT_TRUE (result.isVoid());
        }
    }
}

TEST (JsonParsing, ParserFailuresAndEmptyText)
{
    juce::var result;
    juce::String error;

    EXPECT_FALSE (parseJsonDocument ("{\"a\": }", result, error));
    EXPECT_TRUE (error.startsWith ("This is not valid JSON: ")) << error;
    EXPECT_GT (error.length(), 30);

    EXPECT_TRUE (parseJsonDocument ("", result, error));
    EXPECT_TRUE (result.isVoid());

    EXPECT_TRUE (parseJsonDocument ("{\"a\": [1, -2, 3.5]}", result, error));
    EXPECT_EQ (static_cast<int> (result["a"][1]), -2);
}
