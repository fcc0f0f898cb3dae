#pragma once

#include <juce_core/juce_core.h>

#include <memory>

namespace korvid
{
    /** Deepest nesting of elements a document may have. A settings file needs three. */
    constexpr int maxXmlNestingDepth = 64;

    /** Most elements one document may hold. A settings file holds one per key. */
    constexpr int maxXmlElements = 4096;

    /** Screens XML text for what the framework's parser cannot take safely: elements nested
        deeper than maxXmlNestingDepth (the parser recurses once per level and its elements
        are freed the same way), more than maxXmlElements elements, a declaration such as a
        document type (its entities expand into further entities and read other files), and
        a "<" inside a tag, where the parser would start reading elements again. False with
        one sentence in `error`; on success `error` is emptied. */
    bool screenXmlText (const juce::String& text, juce::String& error);

    /** Screens the text, then parses it; the outermost element must be named `outerTag`.
        Null with one sentence in `error` otherwise. */
    std::unique_ptr<juce::XmlElement> parseScreenedXml (const juce::String& text, const juce::String& outerTag,
                                                        juce::String& error);
}
