#pragma once

#include <juce_core/juce_core.h>

#include "core/model/StemSchema.h"
#include "core/model/Types.h"

#include <memory>
#include <vector>

namespace korvid
{

// The schema's rules and exclusions cut into words once, for matching many names against
// one schema. Refers to the schema, which must outlive it unchanged.
class PreparedSchema
{
public:
    explicit PreparedSchema (const StemSchema& schema);
    ~PreparedSchema();

    const StemSchema& schema;

    struct Words;   // the words of every rule pattern and exclusion, in schema order
    const std::unique_ptr<Words> words;

    JUCE_DECLARE_NON_COPYABLE (PreparedSchema)
};

// A file name prepared for matching: lower-case words, split at separators,
// camel-case humps and letter/digit boundaries.
struct TokenisedName
{
    juce::String fileName;
    juce::String baseName;
    juce::String normalised;
    juce::StringArray tokens;
};

struct RuleHit
{
    juce::String pattern;
    KeywordMode mode = KeywordMode::token; // the effective mode of the hit
    int priority = 0;
};

struct MatchCandidate
{
    juce::String stemId;
    juce::String stemName;
    bool exact = false;
    bool phrase = false;
    int matchedRules = 0;
    int bestRulePriority = 0;
    int stemPriority = 0;
    std::vector<RuleHit> hits;
};

struct MatchResult
{
    juce::String stemId;
    Confidence confidence = Confidence::unassigned;
    juce::String reason;
    juce::StringArray matchedKeywords;
    std::vector<MatchCandidate> candidates; // ranked, best first
};

// The matcher's settings. Stateless otherwise: match() may run on any thread.
struct KeywordMatcher
{
    bool fuzzyEnabled = false;
    int maxEditDistance = 1;
    int minFuzzyLength = 5;

    void match (MatchResult& result, const StemSchema& schema, const TokenisedName& name) const;
    void match (MatchResult& result, const PreparedSchema& schema, const TokenisedName& name) const;
};

void matchFileName (const KeywordMatcher& settings, MatchResult& result,
                    const StemSchema& schema, const juce::String& fileName);
void matchFileName (const KeywordMatcher& settings, MatchResult& result,
                    const PreparedSchema& schema, const juce::String& fileName);

TokenisedName tokeniseFileName (const juce::String& fileName);

juce::String normaliseForMatching (const juce::String& text);

juce::StringArray ruleWords (const juce::String& text);

juce::StringArray pluralVariants (const juce::String& word);

// Gives limit + 1 as soon as the distance is known to exceed the limit.
int editDistance (const juce::String& a, const juce::String& b, int limit);

// True when a ranks ahead of b.
bool compareCandidates (const MatchCandidate& a, const MatchCandidate& b);

} // namespace korvid
