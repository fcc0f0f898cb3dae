#include "core/storage/SettingsDocument.h"

#include "core/storage/XmlScreening.h"

namespace korvid
{
    namespace
    {
        // The framework's names, which its reader looks for.
        const char* const valueTag = "VALUE";
        const char* const nameAttribute = "name";
        const char* const valueAttribute = "val";

        // The element a value is stored as, or null when it is stored as text. Screened
        // first: the parser would recurse through a deeply nested value.
        std::unique_ptr<juce::XmlElement> valueAsElement (const juce::String& value)
        {
            juce::String problem;

            if (value.containsAnyOf ("\r\n") || ! screenXmlText (value, problem))
                return {};

            return juce::parseXML (value);
        }

        juce::String documentText (const juce::StringPairArray& properties, bool valuesAsElements)
        {
            juce::XmlElement document (settingsDocumentTag);
            const auto& keys = properties.getAllKeys();
            const auto& values = properties.getAllValues();

            for (int i = 0; i < keys.size(); ++i)
            {
                auto* entry = document.createNewChildElement (valueTag);
                entry->setAttribute (nameAttribute, keys[i]);

                if (auto element = valuesAsElements ? valueAsElement (values[i]) : nullptr)
                    entry->addChildElement (element.release());
                else
                    entry->setAttribute (valueAttribute, values[i]);
            }

            return document.toString();
        }
    }

    juce::String settingsDocumentText (const juce::StringPairArray& properties)
    {
        auto text = documentText (properties, true);
        juce::String problem;

        // Values that pass one by one may still add up to more nesting or elements than
        // the next start reads; as text they add none.
        if (! screenXmlText (text, problem))
            text = documentText (properties, false);

        return text;
    }
}
