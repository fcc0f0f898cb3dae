#include "core/storage/JsonParsing.h"

#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

namespace korvid
{

namespace
{
    bool isDigit (char c)
    {
        return c >= '0' && c <= '9';
    }

    // The framework's parser recurses once per level, accumulates the digits before
    // a decimal point in a 64-bit integer and an exponent in an int without overflow
    // checks, reads past the end of the text after a trailing minus sign, and slows
    // down with the square of an object's members and of the names it pools. This
    // walks the text once, outside strings, and refuses those inputs up front.
    class JsonScreen
    {
    public:
        explicit JsonScreen (const char* textToScreen) : p (textToScreen) {}

        bool run (juce::String& error)
        {
            while (*p != 0)
            {
                const char c = *p;

                if (c == '"' || c == '\'')
                {
                    if (! screenString (error))
                        return false;
                }
                else if (c == '{' || c == '[')
                {
                    if ((int) containers.size() >= maxJsonNestingDepth)
                    {
                        error = "The document nests its values more than " + juce::String (maxJsonNestingDepth)
                              + " levels deep.";
                        return false;
                    }

                    containers.push_back ({ c == '{', c == '{', 0 });
                    ++p;
                }
                else if (c == ',')
                {
                    if (! containers.empty() && containers.back().isObject)
                        containers.back().expectingName = true;

                    ++p;
                }
                else if (c == '}' || c == ']')
                {
                    if (! containers.empty())
                        containers.pop_back();

                    ++p;
                }
                else if (c == '-' || isDigit (c))
                {
                    if (! screenNumber (error))
                        return false;
                }
                else
                {
                    ++p;
                }
            }

            return true;
        }

    private:
        struct Container
        {
            bool isObject;
            bool expectingName;   // after "{" or "," in an object the next string is a member name
            int members;
        };

        const char* p;
        std::vector<Container> containers;
        std::unordered_set<std::string> names;

        bool screenString (juce::String& error)
        {
            const char quote = *p++;
            const char* start = p;

            while (*p != 0 && *p != quote)
            {
                if (*p == '\\' && p[1] != 0)
                    ++p;

                ++p;
            }

            const char* end = p;

            if (*p != 0)
                ++p;

            if (containers.empty() || ! containers.back().expectingName)
                return true;

            containers.back().expectingName = false;

            if (++containers.back().members > maxJsonObjectMembers)
            {
                error = "The document holds an object with more than " + juce::String (maxJsonObjectMembers)
                      + " members.";
                return false;
            }

            names.emplace (start, (size_t) (end - start));

            if ((int) names.size() > maxJsonDistinctNames)
            {
                error = "The document uses more than " + juce::String (maxJsonDistinctNames)
                      + " different member names.";
                return false;
            }

            return true;
        }

        bool screenNumber (juce::String& error)
        {
            if (*p == '-')
            {
                ++p;

                if (! isDigit (*p))
                {
                    error = "This is not valid JSON: a minus sign must be followed by a digit.";
                    return false;
                }
            }

            // The whole part is gathered in a signed 64-bit integer before any
            // decimal point or exponent is looked at.
            const char* firstDigit = p;

            while (*firstDigit == '0' && isDigit (firstDigit[1]))
                ++firstDigit;

            while (isDigit (*p))
                ++p;

            const auto significantDigits = (int) (p - firstDigit);
            const bool wholePartTooLarge = significantDigits > 19
                || (significantDigits == 19 && std::strncmp (firstDigit, "9223372036854775807", 19) > 0);

            if (*p == '.')
            {
                ++p;

                while (isDigit (*p))
                    ++p;
            }

            int exponentDigits = 0;

            if (*p == 'e' || *p == 'E')
            {
                ++p;

                if (*p == '+' || *p == '-')
                    ++p;

                while (isDigit (*p))
                {
                    ++exponentDigits;
                    ++p;
                }
            }

            if (wholePartTooLarge || exponentDigits > maxJsonExponentDigits)
            {
                error = "The document holds a number with more digits than can be read.";
                return false;
            }

            return true;
        }
    };
} // namespace

bool parseJsonDocument (const juce::String& text, juce::var& result, juce::String& error)
{
    result = juce::var();

    JsonScreen screen (text.toRawUTF8());

    if (! screen.run (error))
        return false;

    const auto parsed = juce::JSON::parse (text, result);

    if (parsed.failed())
    {
        result = juce::var();
        error = "This is not valid JSON: " + parsed.getErrorMessage();
        return false;
    }

    error.clear();
    return true;
}

} // namespace korvid
