#include "core/model/ValidationResult.h"

namespace korvid
{

juce::String ValidationResult::toText() const
{
    juce::StringArray lines;

    for (const auto& error : errors)
        lines.add ("ERROR   " + error);

    for (const auto& warning : warnings)
        lines.add ("WARNING " + warning);

    return lines.joinIntoString ("\r\n");
}

void appendPrefixed (ValidationResult& target, const ValidationResult& source, const juce::String& context)
{
    const auto prefixed = [&context] (const juce::String& message)
    {
        return context.isEmpty() ? message : context + ": " + message;
    };

    // Copy first: target and source may be the same result.
    const auto errors = source.errors;
    const auto warnings = source.warnings;

    for (const auto& error : errors)
        target.errors.add (prefixed (error));

    for (const auto& warning : warnings)
        target.warnings.add (prefixed (warning));
}

} // namespace korvid
