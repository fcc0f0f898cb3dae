#pragma once

#include <juce_core/juce_core.h>

#include "core/model/StemSchema.h"

namespace korvid
{

/** A ready-made stem: what the "Add stem" menus offer, built in or kept by the user.
    It carries plain keywords only; rule modes, priorities, per-rule exclusions and
    notes are not kept and are rebuilt by toStem. */
struct StemTemplate
{
    juce::String category;
    juce::String displayName;
    juce::String shortCode;
    juce::uint32 colourARGB = 0xff8a8f94;
    juce::StringArray keywords;
    juce::StringArray excludeKeywords;

    StemTemplate() = default;
    StemTemplate (juce::String category, juce::String displayName, juce::String shortCode,
                  juce::uint32 colourARGB, juce::StringArray keywords, juce::StringArray excludeKeywords);

    /** A new stem with a fresh id and one priority-0 rule per keyword; the caller adds it
        with StemSchema::addStem, which numbers it. */
    Stem toStem() const;

    /** "12 keywords, 1 exclusion", as shown beside the template's name in menus. */
    juce::String summaryText() const;
};

} // namespace korvid
