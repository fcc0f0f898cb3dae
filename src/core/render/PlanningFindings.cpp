#include "core/render/PlanningFindings.h"

namespace korvid
{

void appendFindings (ValidationResult& target, const ValidationResult& source)
{
    target.errors.addArray (source.errors);
    target.warnings.addArray (source.warnings);
}

void addFinding (ValidationResult& target, const juce::String& message, bool asWarning)
{
    (asWarning ? target.warnings : target.errors).add (message);
}

} // namespace korvid
