#include "core/storage/XmlScreening.h"

#include <cstring>

namespace korvid
{
    namespace
    {
        bool startsWith (const char* p, const char* prefix)
        {
            return std::strncmp (p, prefix, std::strlen (prefix)) == 0;
        }

        // Just past the first `terminator`, or the end of the text when there is none.
        const char* skipPast (const char* p, const char* terminator)
        {
            const char* found = std::strstr (p, terminator);
            return found != nullptr ? found + std::strlen (terminator) : p + std::strlen (p);
        }

        // Walks the text once and counts elements the way the parser opens and closes them.
        // Where the two could differ this one counts deeper, never shallower: an element the
        // parser gives up on is still counted as open here.
        class XmlScreen
        {
        public:
            explicit XmlScreen (const char* textToScreen) : p (textToScreen) {}

            bool run (juce::String& error)
            {
                while (*p != 0)
                {
                    if (*p != '<')
                        ++p;
                    else if (startsWith (p, "<!--"))
                        p = skipPast (p + 4, "-->");
                    else if (startsWith (p, "<![CDATA["))
                        p = skipPast (p + 9, "]]>");
                    else if (startsWith (p, "<?"))
                        p = skipPast (p + 2, "?>");
                    else if (p[1] == '!')
                        return refuse (error, "The document holds a declaration, which is not read.");
                    else if (p[1] == '/')
                        closeElement();
                    else if (! openElement (error))
                        return false;
                }

                return true;
            }

        private:
            const char* p;
            int depth = 0;
            int elements = 0;

            static bool refuse (juce::String& error, const juce::String& sentence)
            {
                error = sentence;
                return false;
            }

            void closeElement()
            {
                depth = juce::jmax (0, depth - 1);
                p = skipPast (p + 2, ">");
            }

            bool openElement (juce::String& error)
            {
                if (++elements > maxXmlElements)
                    return refuse (error, "The document holds more than " + juce::String (maxXmlElements) + " elements.");

                if (++depth > maxXmlNestingDepth)
                    return refuse (error, "The document nests its elements more than " + juce::String (maxXmlNestingDepth)
                                              + " levels deep.");

                // To the end of the tag. A quoted value may hold ">", never "<".
                char quote = 0;

                for (++p; *p != 0; ++p)
                {
                    if (*p == '<')
                        return refuse (error, "The document holds a \"<\" inside a tag.");

                    if (quote != 0)
                    {
                        if (*p == quote)
                            quote = 0;
                    }
                    else if (*p == '"' || *p == '\'')
                    {
                        quote = *p;
                    }
                    else if (*p == '>')
                    {
                        if (p[-1] == '/')
                            --depth;

                        ++p;
                        break;
                    }
                }

                return true;
            }
        };
    }

    bool screenXmlText (const juce::String& text, juce::String& error)
    {
        XmlScreen screen (text.toRawUTF8());

        if (! screen.run (error))
            return false;

        error.clear();
        return true;
    }

    std::unique_ptr<juce::XmlElement> parseScreenedXml (const juce::String& text, const juce::String& outerTag,
                                                        juce::String& error)
    {
        if (! screenXmlText (text, error))
            return {};

        juce::XmlDocument document (text);
        auto element = document.getDocumentElement();

        if (element == nullptr)
        {
            const auto reason = document.getLastParseError();
            error = "This is not valid XML: " + (reason.isNotEmpty() ? reason : juce::String ("no element was found")) + ".";
            return {};
        }

        if (! element->hasTagName (outerTag))
        {
            error = "The document holds <" + element->getTagName() + "> where <" + outerTag + "> was expected.";
            return {};
        }

        error.clear();
        return element;
    }
}
