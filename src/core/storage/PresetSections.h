#pragma once

#include "core/model/Preset.h"
#include "core/model/StemSchema.h"

#include <juce_core/juce_core.h>

namespace korvid
{

// Limits of a preset document beyond the text and keyword-list limits of the field readers.
constexpr int maxDocumentStems = 256;
constexpr int maxDocumentRulesPerStem = 2000;
constexpr int maxDocumentSubmixes = StemSchema::maxSubmixes;
constexpr int maxDocumentSubmixMembers = 256;
constexpr int maxDocumentFormats = 32;

// Writers of the parts of a preset document, members in document order.
juce::var stringArrayToJson (const juce::StringArray& strings);
juce::var keywordRuleToJson (const KeywordRule& rule);
juce::var stemToJson (const Stem& stem);
juce::var submixToJson (const Submix& submix);
juce::var outputFormatToJson (const OutputFormat& format);
juce::var exportSettingsToJson (const ExportSettings& settings);

/** The colour as 8 lower-case hexadecimal digits, alpha first ("ff8a8a8a"). */
juce::String colourToText (juce::uint32 argb);

// Readers of the same parts. Each appends one sentence per fault to `errors`,
// naming the value by its path, and gives the record read (defaults where a
// value was bad).

/** A rule given as an object or as a plain string; `path` is the rule's own path. */
KeywordRule readKeywordRuleJson (juce::StringArray& errors, const juce::var& entry, const juce::String& path);

/** One stem; a blank id is replaced by a new UUID. */
Stem readStemJson (juce::StringArray& errors, const juce::var& entry, const juce::String& path);

/** One alternative mix; an entry that is not an object reads as one with every key absent. */
Submix readSubmixJson (juce::StringArray& errors, const juce::var& entry, const juce::String& path);

/** One output format; an entry that is not an object gives an error and the default format. */
OutputFormat readOutputFormatJson (juce::StringArray& errors, const juce::var& entry, const juce::String& path);

/** The "export" object; a value that is not an object gives an error and the defaults. */
ExportSettings readExportSettingsJson (juce::StringArray& errors, const juce::var& exportObject,
                                       const juce::String& path);

/** "#00FF00", "00ff00" or "ff00ff00" to ARGB; otherwise an error naming `stemPath`
    and the default colour. */
juce::uint32 parseColourText (const juce::String& text, juce::StringArray& errors, const juce::String& stemPath,
                              juce::uint32 defaultColour);

} // namespace korvid
