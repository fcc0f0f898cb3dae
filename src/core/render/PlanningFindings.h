#pragma once

#include "core/model/ValidationResult.h"

namespace korvid
{

/** Adds the source's errors and warnings to the target's, as they are. */
void appendFindings (ValidationResult& target, const ValidationResult& source);

/** Adds one sentence to the target's warnings or errors. */
void addFinding (ValidationResult& target, const juce::String& message, bool asWarning);

} // namespace korvid
