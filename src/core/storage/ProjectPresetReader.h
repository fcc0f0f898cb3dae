#pragma once

#include "core/model/Preset.h"
#include "core/model/ValidationResult.h"

#include <juce_core/juce_core.h>

namespace korvid
{

/** Reads the preset document held by a project ({"korvid": {...}, "preset": {...}}).

    A preset is saved with its project whatever state its editing is in, so one that reads
    but does not pass validatePreset (a stem without a name yet, two equal short codes)
    is kept, and every finding of the validation lands in `findings` as a warning.
    Only a document the preset reader cannot read is refused: false, with the preset
    reader's own sentences as the errors of `findings`. */
bool readProjectPreset (const juce::var& presetDocument, Preset& preset, ValidationResult& findings);

} // namespace korvid
