#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** Longest text a document field may hold, in characters. */
constexpr int maxDocumentTextLength = 4096;

/** Most entries of a keyword list in a document. */
constexpr int maxDocumentKeywordListSize = 256;

// Readers for one member of a JSON object. Each appends to `errors` one sentence
// per fault, made of the field's path (object path + "." + key) and the fault,
// and then gives its default. A key counts as present only when `object` is a
// JSON object holding it; an absent key gives the default without a message.

/** True for a JSON object. (juce::var::isObject is also true for arrays.) */
bool isJsonObject (const juce::var& value);

/** True when `object` is a JSON object that holds `key`. */
bool hasJsonField (const juce::var& object, const juce::String& key);

/** The path of a member: objectPath + "." + key. */
juce::String jsonFieldPath (const juce::String& objectPath, const juce::String& key);

/** True for an integer, a 64-bit integer or a double value (not for true and false). */
bool isJsonNumber (const juce::var& value);

/** A string of at most maxDocumentTextLength characters. */
juce::String readTextField (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                            const juce::String& path, const juce::String& defaultValue);

/** As readTextField, and not blank after trimming; absent gives " is missing.". */
juce::String readRequiredTextField (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                                    const juce::String& path);

bool readBoolField (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                    const juce::String& path, bool defaultValue);

/** A number in minimum..maximum, truncated toward zero. The value is range-checked
    as a double before it is converted, so a huge or non-finite number is refused. */
int readIntField (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                  const juce::String& path, int defaultValue, int minimum, int maximum);

/** A finite number in minimum..maximum. */
double readNumberField (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                        const juce::String& path, double defaultValue, double minimum, double maximum);

/** Any number that fits a 64-bit integer, with its fraction cut off. */
juce::int64 readInt64Field (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                            const juce::String& path, juce::int64 defaultValue);

/** An array of at most `limit` entries; JSON null reads as an empty array without a message.
    An over-long array is dropped whole. */
juce::Array<juce::var> readArrayField (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                                       const juce::String& path, int limit);

/** readArrayField, then every entry a string of at most maxDocumentTextLength characters.
    Entries blank after trimming are skipped silently; kept entries stay untrimmed. */
juce::StringArray readTextListField (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                                     const juce::String& path, int limit);

/** The message for an enumeration name the parser does not know. */
juce::String unknownEnumValueMessage (const juce::String& fieldPath, const juce::String& text);

/** A string the enumeration's parser accepts (it decides about case and blanks). */
template <typename Enum>
Enum readEnumField (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                    const juce::String& path, Enum defaultValue,
                    bool (*parser) (const juce::String&, Enum&))
{
    if (! hasJsonField (object, key))
        return defaultValue;

    const auto fieldPath = jsonFieldPath (path, key);
    const auto& value = object[juce::Identifier (key)];

    if (! value.isString())
    {
        errors.add (fieldPath + " must be a string.");
        return defaultValue;
    }

    Enum result = defaultValue;

    if (! parser (value.toString(), result))
    {
        errors.add (unknownEnumValueMessage (fieldPath, value.toString()));
        return defaultValue;
    }

    return result;
}

} // namespace korvid
