#include "core/model/StemTemplate.h"

namespace korvid
{

StemTemplate::StemTemplate (juce::String category_, juce::String displayName_, juce::String shortCode_,
                            juce::uint32 colourARGB_, juce::StringArray keywords_, juce::StringArray excludeKeywords_)
    : category (std::move (category_)),
      displayName (std::move (displayName_)),
      shortCode (std::move (shortCode_)),
      colourARGB (colourARGB_),
      keywords (std::move (keywords_)),
      excludeKeywords (std::move (excludeKeywords_))
{
}

Stem StemTemplate::toStem() const
{
    std::vector<KeywordRule> rules;
    rules.reserve ((size_t) keywords.size());

    // The rule constructor picks phrase or token from the blank in the pattern.
    for (const auto& keyword : keywords)
        rules.emplace_back (keyword, 0);

    return Stem (displayName, shortCode, colourARGB, false, 0, std::move (rules),
                 juce::StringArray (excludeKeywords));
}

static juce::String countOf (int count, const char* noun)
{
    return juce::String (count) + " " + noun + (count == 1 ? "" : "s");
}

juce::String StemTemplate::summaryText() const
{
    auto text = countOf (keywords.size(), "keyword");

    if (! excludeKeywords.isEmpty())
        text << ", " << countOf (excludeKeywords.size(), "exclusion");

    return text;
}

} // namespace korvid
