#pragma once

#include "core/model/Types.h"
#include "core/model/ValidationResult.h"

#include <optional>
#include <vector>

namespace korvid
{

// One keyword rule of a stem: the pattern looked for in file names and how.
struct KeywordRule
{
    KeywordRule() = default;

    // Mode is phrase when the pattern holds a blank, token otherwise.
    KeywordRule (juce::String pattern, int priority = 0, juce::String note = {});

    juce::String pattern;
    KeywordMode mode = KeywordMode::token;
    int priority = 0;
    juce::StringArray excludes;
    juce::String note;
};

bool operator== (const KeywordRule& a, const KeywordRule& b);

struct Stem
{
    Stem() = default;

    // Gets a new UUID id, index 1 and a file-name token equal to the display name.
    Stem (juce::String displayName,
          juce::String shortCode,
          juce::uint32 colour,
          bool required,
          int priority,
          std::vector<KeywordRule> rules = {},
          juce::StringArray excludeKeywords = {});

    // The text behind {stemName}: the token when not blank, else the display name (trimmed).
    juce::String effectiveFileNameToken() const;

    juce::String id;
    int index = 1;
    juce::String displayName;
    juce::String shortCode;
    juce::String fileNameToken;
    juce::uint32 colour = 0xff8a8a8a;
    int priority = 0;
    bool required = false;
    std::vector<KeywordRule> rules;
    juce::StringArray excludeKeywords;
    std::optional<EmptyPolicy> emptyPolicy;
    juce::String namingTemplate;
};

bool operator== (const Stem& a, const Stem& b);

// An alternative mix built from some of the stems.
struct Submix
{
    juce::String id;
    juce::String name { "Submix" };
    juce::String shortCode;
    juce::StringArray stems;   // member stem ids
};

// Exact: id, name, short code and members in order.
bool operator== (const Submix& a, const Submix& b);

struct StemSchema
{
    static constexpr int maxSubmixes = 10;

    bool matchPlurals = true;
    juce::String publisher;
    juce::String name;
    juce::String description;
    std::vector<Stem> stems;
    std::vector<Submix> submixes;

    // Appends the stem (a new id when its id is empty) and renumbers.
    Stem& addStem (Stem stem);
    // Inserts a copy right after the stem; gives the copy's id, empty when unknown.
    juce::String duplicateStem (const juce::String& stemId);
    // Moves to the 0-based position (clamped); false only for an unknown id.
    bool moveStem (const juce::String& stemId, int newPosition);
    // Erases the stem, renumbers and drops it from every alternative mix.
    bool removeStem (const juce::String& stemId);
    void renumberStems();

    int indexOfStem (const juce::String& stemId) const;
    Stem* findStem (const juce::String& stemId);
    const Stem* findStem (const juce::String& stemId) const;

    // Another stem (not skipStemId) whose name or token is the same, ignoring case and blanks.
    const Stem* findStemWithSameName (const juce::String& name, const juce::String& skipStemId) const;
    // Another stem whose normalised name or token equals the name's, when none has the same name.
    const Stem* findStemWithSimilarName (const juce::String& name, const juce::String& skipStemId) const;

    Submix* findSubmix (const juce::String& submixId);
    const Submix* findSubmix (const juce::String& submixId) const;
    // Gives the new mix's id (all stems as members), or empty when maxSubmixes exist.
    juce::String addSubmix (const juce::String& name);
    bool removeSubmix (const juce::String& submixId);
    // True when the membership changed.
    bool setSubmixMember (const juce::String& submixId, const juce::String& stemId, bool member);
    // Drops member ids that name no stem of the schema.
    void pruneSubmixMembers();

    // Changes exactly when something that affects keyword matching changes.
    juce::String matchingFingerprint() const;
};

// Letters and digits only, lower-cased: "Strings-1" gives "strings1".
juce::String normaliseStemName (const juce::String& name);

// Colour for a new stem; n is the number of stems the schema already holds.
juce::uint32 autoStemColour (int n);

ValidationResult validateSchema (const StemSchema& schema);

} // namespace korvid
