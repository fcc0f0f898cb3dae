#pragma once

#include <vector>

#include "core/model/StemTemplate.h"

namespace korvid
{

/** Builds the built-in palette: the default schema's stems, then the "Combined",
    "Specialised" and "Blank" templates, 31 in all. */
std::vector<StemTemplate> buildTemplatePalette();

/** The built-in palette, built once on first use (thread-safe) and never changed. */
const std::vector<StemTemplate>& builtInTemplates();

/** The distinct categories of the built-in palette, in palette order. */
juce::StringArray templateCategories();

} // namespace korvid
