#pragma once

#include "core/model/Preset.h"

#include <juce_core/juce_core.h>

#include <initializer_list>

namespace korvid::test
{

/** The hybrid built-in made a user preset with every kind of value set: alternative
    mixes, the plural flag off, rule notes and exclusions, a stem's own empty policy,
    two formats and non-default export groups. */
Preset makeRichPreset();

/** The object reached from `root` through the member keys (each must be an object). */
juce::DynamicObject& objectAt (const juce::var& root, std::initializer_list<const char*> keys);

/** Sets a member, replacing any old one. (setProperty keeps an old array that only
    compares loosely equal to the new one.) */
void put (juce::DynamicObject& object, const juce::Identifier& key, const juce::var& value);

/** Structural equality of two JSON trees: objects by their member sets (order ignored),
    arrays element by element, values with the same type. */
bool sameJsonTree (const juce::var& a, const juce::var& b);

} // namespace korvid::test
