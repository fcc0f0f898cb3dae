#include "core/storage/JsonFieldReaders.h"

#include <cmath>

namespace korvid
{

namespace
{
    const juce::var& fieldValue (const juce::var& object, const juce::String& key)
    {
        return object[juce::Identifier (key)];
    }

    // Reads a JSON number without converting through int first: a double is
    // range-checked before any conversion, an integer is exact.
    double numberAsDouble (const juce::var& value)
    {
        if (value.isInt())
            return (double) static_cast<int> (value);

        if (value.isInt64())
            return (double) static_cast<juce::int64> (value);

        return static_cast<double> (value);
    }
} // namespace

bool isJsonObject (const juce::var& value)
{
    return value.getDynamicObject() != nullptr;
}

bool hasJsonField (const juce::var& object, const juce::String& key)
{
    if (auto* dynamicObject = object.getDynamicObject())
        return dynamicObject->hasProperty (juce::Identifier (key));

    return false;
}

juce::String jsonFieldPath (const juce::String& objectPath, const juce::String& key)
{
    return objectPath + "." + key;
}

bool isJsonNumber (const juce::var& value)
{
    return value.isInt() || value.isInt64() || value.isDouble();
}

namespace
{
    // The field's value when it is present and a number; otherwise null, with an error
    // for a present field of another type.
    const juce::var* numberFieldValue (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                                       const juce::String& path)
    {
        if (! hasJsonField (object, key))
            return nullptr;

        const auto& value = fieldValue (object, key);

        if (! isJsonNumber (value))
        {
            errors.add (jsonFieldPath (path, key) + " must be a number.");
            return nullptr;
        }

        return &value;
    }
} // namespace

juce::String readTextField (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                            const juce::String& path, const juce::String& defaultValue)
{
    if (! hasJsonField (object, key))
        return defaultValue;

    const auto& value = fieldValue (object, key);

    if (! value.isString())
    {
        errors.add (jsonFieldPath (path, key) + " must be a string.");
        return defaultValue;
    }

    const auto text = value.toString();

    if (text.length() > maxDocumentTextLength)
    {
        errors.add (jsonFieldPath (path, key) + " is longer than the " + juce::String (maxDocumentTextLength)
                    + " character limit.");
        return defaultValue;
    }

    return text;
}

juce::String readRequiredTextField (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                                    const juce::String& path)
{
    if (! hasJsonField (object, key))
    {
        errors.add (jsonFieldPath (path, key) + " is missing.");
        return {};
    }

    const auto text = readTextField (errors, object, key, path, {});

    if (text.trim().isEmpty())
        errors.add (jsonFieldPath (path, key) + " must not be empty.");

    return text;
}

bool readBoolField (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                    const juce::String& path, bool defaultValue)
{
    if (! hasJsonField (object, key))
        return defaultValue;

    const auto& value = fieldValue (object, key);

    if (! value.isBool())
    {
        errors.add (jsonFieldPath (path, key) + " must be true or false.");
        return defaultValue;
    }

    return static_cast<bool> (value);
}

int readIntField (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                  const juce::String& path, int defaultValue, int minimum, int maximum)
{
    const auto* field = numberFieldValue (errors, object, key, path);

    if (field == nullptr)
        return defaultValue;

    const auto& value = *field;

    const auto number = numberAsDouble (value);

    // The comparisons are false for NaN, so it lands here too.
    if (! (number >= (double) minimum && number <= (double) maximum))
    {
        errors.add (jsonFieldPath (path, key) + " must be between " + juce::String (minimum) + " and "
                    + juce::String (maximum) + ".");
        return defaultValue;
    }

    return (int) std::trunc (number);
}

double readNumberField (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                        const juce::String& path, double defaultValue, double minimum, double maximum)
{
    const auto* field = numberFieldValue (errors, object, key, path);

    if (field == nullptr)
        return defaultValue;

    const auto& value = *field;

    const auto number = numberAsDouble (value);

    if (! std::isfinite (number) || number < minimum || number > maximum)
    {
        errors.add (jsonFieldPath (path, key) + " is out of range.");
        return defaultValue;
    }

    return number;
}

juce::int64 readInt64Field (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                            const juce::String& path, juce::int64 defaultValue)
{
    const auto* field = numberFieldValue (errors, object, key, path);

    if (field == nullptr)
        return defaultValue;

    const auto& value = *field;

    if (value.isInt() || value.isInt64())
        return static_cast<juce::int64> (value);

    const auto number = static_cast<double> (value);

    // 2^63 is exactly representable. -2^63 itself would fit, but its text could not be
    // read back, so the range is kept symmetric.
    if (! (number > -9223372036854775808.0 && number < 9223372036854775808.0))
    {
        errors.add (jsonFieldPath (path, key) + " is out of range.");
        return defaultValue;
    }

    return (juce::int64) std::trunc (number);
}

juce::Array<juce::var> readArrayField (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                                       const juce::String& path, int limit)
{
    if (! hasJsonField (object, key))
        return {};

    const auto& value = fieldValue (object, key);

    if (value.isVoid())
        return {};

    const auto* array = value.getArray();

    if (array == nullptr)
    {
        errors.add (jsonFieldPath (path, key) + " must be an array.");
        return {};
    }

    if (array->size() > limit)
    {
        errors.add (jsonFieldPath (path, key) + " has " + juce::String (array->size()) + " entries, the limit is "
                    + juce::String (limit) + ".");
        return {};
    }

    return *array;
}

juce::StringArray readTextListField (juce::StringArray& errors, const juce::var& object, const juce::String& key,
                                     const juce::String& path, int limit)
{
    juce::StringArray result;

    for (const auto& entry : readArrayField (errors, object, key, path, limit))
    {
        if (! entry.isString())
        {
            errors.add (jsonFieldPath (path, key) + " must contain only strings.");
            continue;
        }

        const auto text = entry.toString();

        if (text.length() > maxDocumentTextLength)
        {
            errors.add (jsonFieldPath (path, key) + " contains an over-long entry.");
            continue;
        }

        if (text.trim().isNotEmpty())
            result.add (text);
    }

    return result;
}

juce::String unknownEnumValueMessage (const juce::String& fieldPath, const juce::String& text)
{
    return fieldPath + ": '" + text + "' is not a value this version understands.";
}

} // namespace korvid
