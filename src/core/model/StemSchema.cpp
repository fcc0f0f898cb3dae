#include "core/model/StemSchema.h"

#include "core/model/Uuid.h"

#include <cmath>

namespace korvid
{

//==============================================================================
KeywordRule::KeywordRule (juce::String patternToUse, int priorityToUse, juce::String noteToUse)
    : pattern (std::move (patternToUse)),
      mode (pattern.containsChar (' ') ? KeywordMode::phrase : KeywordMode::token),
      priority (priorityToUse),
      note (std::move (noteToUse))
{
}

bool operator== (const KeywordRule& a, const KeywordRule& b)
{
    return a.pattern == b.pattern
        && a.mode == b.mode
        && a.priority == b.priority
        && a.excludes == b.excludes
        && a.note == b.note;
}

//==============================================================================
Stem::Stem (juce::String displayNameToUse,
            juce::String shortCodeToUse,
            juce::uint32 colourToUse,
            bool requiredToUse,
            int priorityToUse,
            std::vector<KeywordRule> rulesToUse,
            juce::StringArray excludeKeywordsToUse)
    : id (newUuidString()),
      displayName (std::move (displayNameToUse)),
      shortCode (std::move (shortCodeToUse)),
      fileNameToken (displayName),
      colour (colourToUse),
      priority (priorityToUse),
      required (requiredToUse),
      rules (std::move (rulesToUse)),
      excludeKeywords (std::move (excludeKeywordsToUse))
{
}

juce::String Stem::effectiveFileNameToken() const
{
    const auto token = fileNameToken.trim();
    return token.isNotEmpty() ? token : displayName.trim();
}

bool operator== (const Stem& a, const Stem& b)
{
    return a.id == b.id
        && a.index == b.index
        && a.displayName == b.displayName
        && a.shortCode == b.shortCode
        && a.fileNameToken == b.fileNameToken
        && a.colour == b.colour
        && a.required == b.required
        && a.priority == b.priority
        && a.rules == b.rules
        && a.excludeKeywords == b.excludeKeywords
        && a.emptyPolicy == b.emptyPolicy
        && a.namingTemplate == b.namingTemplate;
}

bool operator== (const Submix& a, const Submix& b)
{
    return a.id == b.id
        && a.name == b.name
        && a.shortCode == b.shortCode
        && a.stems == b.stems;
}

//==============================================================================
Stem& StemSchema::addStem (Stem stem)
{
    if (stem.id.isEmpty())
        stem.id = newUuidString();

    stems.push_back (std::move (stem));
    renumberStems();
    return stems.back();
}

juce::String StemSchema::duplicateStem (const juce::String& stemId)
{
    const int position = indexOfStem (stemId);

    if (position < 0)
        return {};

    Stem copy = stems[(size_t) position];
    copy.id = newUuidString();
    copy.displayName << " copy";

    // A token of blanks is still the user's own token, so it gets the suffix too.
    if (copy.fileNameToken.isNotEmpty())
        copy.fileNameToken << " copy";

    copy.shortCode.clear();

    const auto newId = copy.id;
    stems.insert (stems.begin() + position + 1, std::move (copy));
    renumberStems();
    return newId;
}

bool StemSchema::moveStem (const juce::String& stemId, int newPosition)
{
    const int current = indexOfStem (stemId);

    if (current < 0)
        return false;

    const int target = juce::jlimit (0, (int) stems.size() - 1, newPosition);

    if (target != current)
    {
        Stem moving = std::move (stems[(size_t) current]);
        stems.erase (stems.begin() + current);
        stems.insert (stems.begin() + target, std::move (moving));
        renumberStems();
    }

    return true;
}

bool StemSchema::removeStem (const juce::String& stemId)
{
    const int position = indexOfStem (stemId);

    if (position < 0)
        return false;

    stems.erase (stems.begin() + position);
    renumberStems();
    pruneSubmixMembers();
    return true;
}

void StemSchema::renumberStems()
{
    for (size_t i = 0; i < stems.size(); ++i)
        stems[i].index = (int) i + 1;
}

int StemSchema::indexOfStem (const juce::String& stemId) const
{
    for (size_t i = 0; i < stems.size(); ++i)
        if (stems[i].id == stemId)
            return (int) i;

    return -1;
}

Stem* StemSchema::findStem (const juce::String& stemId)
{
    const int position = indexOfStem (stemId);
    return position >= 0 ? &stems[(size_t) position] : nullptr;
}

const Stem* StemSchema::findStem (const juce::String& stemId) const
{
    const int position = indexOfStem (stemId);
    return position >= 0 ? &stems[(size_t) position] : nullptr;
}

const Stem* StemSchema::findStemWithSameName (const juce::String& name, const juce::String& skipStemId) const
{
    const auto key = name.trim().toLowerCase();

    if (key.isEmpty())
        return nullptr;

    for (const auto& stem : stems)
    {
        if (stem.id == skipStemId)
            continue;

        if (stem.displayName.trim().toLowerCase() == key
             || stem.effectiveFileNameToken().toLowerCase() == key)
            return &stem;
    }

    return nullptr;
}

const Stem* StemSchema::findStemWithSimilarName (const juce::String& name, const juce::String& skipStemId) const
{
    if (findStemWithSameName (name, skipStemId) != nullptr)
        return nullptr;

    const auto key = normaliseStemName (name);

    if (key.isEmpty())
        return nullptr;

    for (const auto& stem : stems)
    {
        if (stem.id == skipStemId)
            continue;

        if (normaliseStemName (stem.displayName) == key
             || normaliseStemName (stem.effectiveFileNameToken()) == key)
            return &stem;
    }

    return nullptr;
}

Submix* StemSchema::findSubmix (const juce::String& submixId)
{
    for (auto& submix : submixes)
        if (submix.id == submixId)
            return &submix;

    return nullptr;
}

const Submix* StemSchema::findSubmix (const juce::String& submixId) const
{
    for (const auto& submix : submixes)
        if (submix.id == submixId)
            return &submix;

    return nullptr;
}

juce::String StemSchema::addSubmix (const juce::String& name)
{
    if ((int) submixes.size() >= maxSubmixes)
        return {};

    auto baseName = name.trim();

    if (baseName.isEmpty())
        baseName = "Submix " + juce::String ((int) submixes.size() + 1);

    juce::StringArray takenNames;

    for (const auto& submix : submixes)
        takenNames.add (submix.name.toLowerCase());

    auto candidate = baseName;

    for (int k = 2; takenNames.contains (candidate.toLowerCase()); ++k)
        candidate = baseName + " " + juce::String (k);

    Submix submix;
    submix.id = newUuidString();
    submix.name = candidate;

    for (const auto& stem : stems)
        submix.stems.add (stem.id);

    submixes.push_back (std::move (submix));
    return submixes.back().id;
}

bool StemSchema::removeSubmix (const juce::String& submixId)
{
    for (auto it = submixes.begin(); it != submixes.end(); ++it)
    {
        if (it->id == submixId)
        {
            submixes.erase (it);
            return true;
        }
    }

    return false;
}

bool StemSchema::setSubmixMember (const juce::String& submixId, const juce::String& stemId, bool member)
{
    auto* submix = findSubmix (submixId);

    if (submix == nullptr || indexOfStem (stemId) < 0)
        return false;

    if (submix->stems.contains (stemId) == member)
        return false;

    if (member)
        submix->stems.add (stemId);
    else
        submix->stems.removeString (stemId);

    return true;
}

void StemSchema::pruneSubmixMembers()
{
    for (auto& submix : submixes)
        for (int i = submix.stems.size(); --i >= 0;)
            if (indexOfStem (submix.stems[i]) < 0)
                submix.stems.remove (i);
}

juce::String StemSchema::matchingFingerprint() const
{
    const juce::juce_wchar unitSep = 0x1f, recordSep = 0x1e, groupSep = 0x1d, fileSep = 0x1c;
    const juce::String recordSepText = juce::String::charToString (recordSep);

    juce::String fingerprint;
    fingerprint << (matchPlurals ? "P" : "-") << juce::String::charToString (unitSep);

    for (const auto& stem : stems)
    {
        fingerprint << stem.id << juce::String::charToString (unitSep)
                    << juce::String (stem.priority) << juce::String::charToString (unitSep)
                    << stem.excludeKeywords.joinIntoString (recordSepText) << juce::String::charToString (unitSep);

        for (const auto& rule : stem.rules)
        {
            fingerprint << rule.pattern << juce::String::charToString (groupSep)
                        << juce::String ((int) rule.mode) << juce::String::charToString (groupSep)
                        << juce::String (rule.priority) << juce::String::charToString (groupSep)
                        << rule.excludes.joinIntoString (recordSepText) << recordSepText;
        }

        fingerprint << juce::String::charToString (fileSep);
    }

    return fingerprint;
}

//==============================================================================
juce::String normaliseStemName (const juce::String& name)
{
    juce::String result;

    for (auto p = name.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = p.getAndAdvance();

        if (juce::CharacterFunctions::isLetterOrDigit (c))
            result << juce::String::charToString (juce::CharacterFunctions::toLowerCase (c));
    }

    return result;
}

juce::uint32 autoStemColour (int n)
{
    const double m = n > 0 ? (double) n : 0.0;
    const double scaled = m * 0.61803398875;
    const double hue = scaled - std::floor (scaled);
    const double h6 = hue * 6.0;
    const int i = (int) h6;
    const double f = h6 - i;

    const double v = 0.82;
    const double p = 0.451;
    const double q = v * (1.0 - 0.45 * f);
    const double t = v * (1.0 - 0.45 * (1.0 - f));

    double r = v, g = t, b = p;

    switch (i % 6)
    {
        case 0:  r = v; g = t; b = p; break;
        case 1:  r = q; g = v; b = p; break;
        case 2:  r = p; g = v; b = t; break;
        case 3:  r = p; g = q; b = v; break;
        case 4:  r = t; g = p; b = v; break;
        default: r = v; g = p; b = q; break;
    }

    const auto channel = [] (double value)
    {
        return (juce::uint32) juce::jlimit (0.0, 255.0, std::round (value * 255.0));
    };

    return 0xff000000u | (channel (r) << 16) | (channel (g) << 8) | channel (b);
}

//==============================================================================
ValidationResult validateSchema (const StemSchema& schema)
{
    ValidationResult result;

    if (schema.stems.empty())
        result.warnings.add ("The schema contains no stems yet.");

    juce::StringArray ids, names, normalisedNames, shortCodes, tokens;

    for (const auto& stem : schema.stems)
    {
        const auto subject = stem.displayName.isNotEmpty() ? stem.displayName
                                                           : "stem #" + juce::String (stem.index);

        if (stem.id.trim().isEmpty())
            result.errors.add (subject + ": missing id.");
        else if (ids.contains (stem.id))
            result.errors.add (subject + ": duplicate id '" + stem.id + "'.");
        else
            ids.add (stem.id);

        const auto trimmedName = stem.displayName.trim();

        if (trimmedName.isEmpty())
        {
            result.errors.add (subject + ": display name is empty.");
        }
        else if (names.contains (trimmedName.toLowerCase()))
        {
            result.warnings.add (subject + ": another stem uses the same display name.");
        }
        else
        {
            const auto normalised = normaliseStemName (stem.displayName);

            if (normalisedNames.contains (normalised))
                result.warnings.add (subject + ": another stem has the same name apart from spacing or punctuation. Both will be written, as two files.");

            names.add (trimmedName.toLowerCase());
            normalisedNames.add (normalised);
        }

        const auto code = stem.shortCode.trim().toLowerCase();

        if (code.isNotEmpty())
        {
            if (shortCodes.contains (code))
                result.errors.add (subject + ": duplicate short code '" + stem.shortCode + "'.");
            else
                shortCodes.add (code);
        }

        const auto token = stem.effectiveFileNameToken();
        const auto tokenKey = token.toLowerCase();

        if (tokenKey.isEmpty())
            result.errors.add (subject + ": nothing to expand {stemName} to.");
        else if (tokens.contains (tokenKey))
            result.errors.add (subject + ": another stem produces the same file name token '" + token + "'.");
        else
            tokens.add (tokenKey);

        for (const auto& rule : stem.rules)
            if (rule.pattern.trim().isEmpty())
                result.errors.add (subject + ": a keyword rule has an empty pattern.");
    }

    if ((int) schema.submixes.size() > StemSchema::maxSubmixes)
        result.errors.add ("A schema may define at most " + juce::String (StemSchema::maxSubmixes) + " alternative mixes.");

    juce::StringArray submixNames;

    for (const auto& submix : schema.submixes)
    {
        const auto subject = "Submix '" + submix.name + "'";
        const auto key = submix.name.trim().toLowerCase();

        if (key.isEmpty())
            result.errors.add ("An alternative mix has no name.");
        else if (submixNames.contains (key))
            result.errors.add (subject + ": another alternative mix has the same name.");
        else
            submixNames.add (key);

        if (key.isNotEmpty() && tokens.contains (key))
            result.errors.add (subject + ": a stem already produces this file name.");

        if (submix.stems.isEmpty())
            result.warnings.add (subject + ": no stems selected, it would be silent and is skipped.");

        for (const auto& memberId : submix.stems)
            if (schema.indexOfStem (memberId) < 0)
                result.errors.add (subject + ": refers to a stem that is not in the schema.");
    }

    return result;
}

} // namespace korvid
