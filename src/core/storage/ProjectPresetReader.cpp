#include "core/storage/ProjectPresetReader.h"

#include "core/model/PresetChecks.h"
#include "core/storage/PresetDocument.h"

namespace korvid
{

namespace
{
    // A blank preset name, stem name or rule pattern is refused by the document reader,
    // yet it is also what validation reports, and an ordinary state while editing.
    bool isBlankRequiredText (const juce::String& message)
    {
        return message.endsWith (" must not be empty.");
    }
} // namespace

bool readProjectPreset (const juce::var& presetDocument, Preset& preset, ValidationResult& findings)
{
    auto read = parsePresetJsonUnchecked (juce::JSON::toString (presetDocument, true, 15));
    auto readingErrors = read.validation.errors;
    readingErrors.strings.removeIf (isBlankRequiredText);

    if (! readingErrors.isEmpty())
    {
        findings.errors.addArray (read.validation.errors);
        findings.warnings.addArray (read.validation.warnings);
        return false;
    }

    // Only structural faults refuse a project; the preset's own findings become warnings.
    const auto checks = validatePreset (read.preset);
    findings.warnings.addArray (checks.errors);
    findings.warnings.addArray (checks.warnings);
    preset = std::move (read.preset);
    return true;
}

} // namespace korvid
