#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

// The findings of a check: whole user-facing sentences. Only errors block;
// what to do with warnings is up to the caller.
struct ValidationResult
{
    juce::StringArray errors;
    juce::StringArray warnings;

    bool isValid() const noexcept       { return errors.isEmpty(); }
    bool hasWarnings() const noexcept   { return ! warnings.isEmpty(); }

    // "ERROR   " + each error, then "WARNING " + each warning, joined with "\r\n".
    juce::String toText() const;
};

// Appends the source's errors and warnings to the target's, each as
// context + ": " + message (unchanged when context is empty), order kept.
void appendPrefixed (ValidationResult& target, const ValidationResult& source, const juce::String& context);

} // namespace korvid
