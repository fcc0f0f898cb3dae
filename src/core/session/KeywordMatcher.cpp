#include "core/session/KeywordMatcher.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace korvid
{

namespace
{

using juce::juce_wchar;

// Matching runs for every rule of every stem for every file name, so the hot
// path works on UTF-8 bytes in reused buffers instead of building strings.

bool isAsciiUpper (juce_wchar c) noexcept  { return c >= 'A' && c <= 'Z'; }
bool isAsciiLower (juce_wchar c) noexcept  { return c >= 'a' && c <= 'z'; }
bool isAsciiLetter (juce_wchar c) noexcept { return isAsciiUpper (c) || isAsciiLower (c); }
bool isAsciiDigit (juce_wchar c) noexcept  { return c >= '0' && c <= '9'; }

// Anything above ASCII counts as part of a word, so accented letters never split one.
bool isWordCharacter (juce_wchar c) noexcept
{
    return isAsciiLetter (c) || isAsciiDigit (c) || c > 127;
}

juce_wchar toLowerCodePoint (juce_wchar c) noexcept
{
    if (isAsciiUpper (c))
        return c + ('a' - 'A');

    if (c < 128)
        return c;

    return juce::CharacterFunctions::toLowerCase (c);
}

void appendUtf8 (std::string& out, juce_wchar c)
{
    const auto u = (std::uint32_t) c;

    if (u < 0x80)
    {
        out.push_back ((char) u);
    }
    else if (u < 0x800)
    {
        out.push_back ((char) (0xc0 | (u >> 6)));
        out.push_back ((char) (0x80 | (u & 0x3f)));
    }
    else if (u < 0x10000)
    {
        out.push_back ((char) (0xe0 | (u >> 12)));
        out.push_back ((char) (0x80 | ((u >> 6) & 0x3f)));
        out.push_back ((char) (0x80 | (u & 0x3f)));
    }
    else
    {
        out.push_back ((char) (0xf0 | ((u >> 18) & 0x07)));
        out.push_back ((char) (0x80 | ((u >> 12) & 0x3f)));
        out.push_back ((char) (0x80 | ((u >> 6) & 0x3f)));
        out.push_back ((char) (0x80 | (u & 0x3f)));
    }
}

// Writes the normalised form as UTF-8: lower-case words joined by single blanks,
// and the byte offset where each word starts. No blank is ever written first or
// last, so no trimming is needed.
void normaliseInto (const juce::String& text, std::string& out, std::vector<size_t>& wordStarts)
{
    out.clear();
    wordStarts.clear();

    const char* s = text.toRawUTF8();
    juce_wchar previous = 0;
    bool blankPending = false;

    while (*s != 0)
    {
        juce_wchar c;

        if ((unsigned char) *s < 0x80)
        {
            c = (juce_wchar) *s++;
        }
        else
        {
            juce::CharPointer_UTF8 p (s);
            c = p.getAndAdvance();
            s = p.getAddress();
        }

        if (isWordCharacter (c))
        {
            if (out.empty())
            {
                wordStarts.push_back (0);
            }
            else if (blankPending)
            {
                out.push_back (' ');
                wordStarts.push_back (out.size());
                blankPending = false;
            }
            else
            {
                // stringsHigh splits, celloFX stays one word; a multi-byte
                // lead byte is never an ASCII capital, so peeking one byte is enough
                const bool camelHump = isAsciiLower (previous) && isAsciiUpper (c) && ! isAsciiUpper (*s);
                const bool digitEdge = (isAsciiLetter (previous) && isAsciiDigit (c))
                                    || (isAsciiDigit (previous) && isAsciiLetter (c));

                if (camelHump || digitEdge)
                {
                    out.push_back (' ');
                    wordStarts.push_back (out.size());
                }
            }

            if (c < 0x80)
                out.push_back ((char) toLowerCodePoint (c));
            else
                appendUtf8 (out, toLowerCodePoint (c));
        }
        else if (! out.empty())
        {
            blankPending = true;
        }

        previous = c;
    }
}

// A normalised text and its words. Views may point into the source text, which
// must outlive them.
struct WordList
{
    std::string_view normalised;
    std::vector<std::string_view> words;

    void assign (const juce::String& source)
    {
        words.clear();

        // Most patterns are plain lower-case words and already normalised.
        const char* raw = source.toRawUTF8();
        size_t length = 0;

        while (raw[length] >= 'a' && raw[length] <= 'z')
            ++length;

        if (raw[length] == 0)
        {
            normalised = { raw, length };

            if (length > 0)
                words.push_back (normalised);

            return;
        }

        normaliseInto (source, buffer, starts);
        normalised = buffer;

        for (size_t i = 0; i < starts.size(); ++i)
        {
            const auto end = i + 1 < starts.size() ? starts[i + 1] - 1 : normalised.size();
            words.push_back (normalised.substr (starts[i], end - starts[i]));
        }
    }

private:
    std::string buffer;
    std::vector<size_t> starts;
};

// The tokens of a name, with the set of their first bytes so that most rules
// are turned down without scanning the tokens.
struct TokenSet
{
    std::vector<std::string_view> tokens;
    std::bitset<256> firstBytes;

    explicit TokenSet (const juce::StringArray& source)
    {
        tokens.reserve ((size_t) source.size());

        for (const auto& token : source)
        {
            tokens.push_back ({ token.toRawUTF8(), token.getNumBytesAsUTF8() });

            if (! tokens.back().empty())
                firstBytes.set ((unsigned char) tokens.back()[0]);
        }
    }

    bool mayStartWith (std::string_view word) const noexcept
    {
        return ! word.empty() && firstBytes.test ((unsigned char) word[0]);
    }
};

juce::StringArray toStringArray (const WordList& list)
{
    juce::StringArray result;
    result.ensureStorageAllocated ((int) list.words.size());

    for (auto w : list.words)
        result.add (juce::String::fromUTF8 (w.data(), (int) w.size()));

    return result;
}

// Words are short: a plain loop after the length test beats a call to memcmp.
bool sameBytes (std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size())
        return false;

    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return false;

    return true;
}

int countCodePoints (std::string_view s) noexcept
{
    int n = 0;

    for (auto b : s)
        if ((((unsigned char) b) & 0xc0) != 0x80)
            ++n;

    return n;
}

bool endsWith (std::string_view s, std::string_view suffix) noexcept
{
    return s.size() >= suffix.size() && sameBytes (s.substr (s.size() - suffix.size()), suffix);
}

bool isVowel (char c) noexcept
{
    return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u';
}

// The forms a normalised word takes, as head + tail pairs: the word itself and,
// with plurals on, the forms of pluralVariants() without building any string.
struct WordForms
{
    struct Form
    {
        std::string_view head, tail;
    };

    std::array<Form, 7> forms {};
    size_t count = 0;

    WordForms (std::string_view word, bool withPlurals) noexcept
    {
        add (word, {});

        if (! withPlurals)
            return;

        const int length = countCodePoints (word);

        if (length <= 2)
            return;

        const auto n = word.size();

        if (! endsWith (word, "s"))
            add (word, "s");

        add (word, "es");

        if (endsWith (word, "y") && length > 3 && ! isVowel (word[n - 2]))
            add (word.substr (0, n - 1), "ies");

        if (endsWith (word, "ies") && length > 4)
            add (word.substr (0, n - 3), "y");

        if (endsWith (word, "es") && length > 4)
            add (word.substr (0, n - 2), {});

        if (endsWith (word, "s") && ! endsWith (word, "ss") && length > 3)
            add (word.substr (0, n - 1), {});
    }

    void add (std::string_view head, std::string_view tail) noexcept
    {
        forms[count++] = { head, tail };
    }

    bool matches (std::string_view token) const noexcept
    {
        for (size_t i = 0; i < count; ++i)
        {
            const auto& f = forms[i];

            if (token.size() == f.head.size() + f.tail.size()
                && sameBytes (token.substr (0, f.head.size()), f.head)
                && sameBytes (token.substr (f.head.size()), f.tail))
                return true;
        }

        return false;
    }
};

// Consecutive tokens in order; plural forms apply to the last word only.
// A single word is the same test as the word test.
bool phraseHits (const std::vector<std::string_view>& words, const TokenSet& tokenSet, bool matchPlurals) noexcept
{
    const auto& tokens = tokenSet.tokens;
    const auto count = words.size();

    if (count == 0 || count > tokens.size())
        return false;

    // every plural form starts with its word's first byte
    if (! tokenSet.mayStartWith (words.front()) || ! tokenSet.mayStartWith (words.back()))
        return false;

    const auto last = count - 1;
    const auto lastWord = words[last];
    std::optional<WordForms> lastForms; // built only when a token could be one of them

    for (size_t start = 0; start + count <= tokens.size(); ++start)
    {
        bool leadingMatch = true;

        for (size_t i = 0; i < last && leadingMatch; ++i)
            leadingMatch = sameBytes (tokens[start + i], words[i]);

        const auto token = tokens[start + last];

        if (! leadingMatch || token.empty() || token[0] != lastWord[0])
            continue;

        if (! lastForms)
            lastForms.emplace (lastWord, matchPlurals);

        if (lastForms->matches (token))
            return true;
    }

    return false;
}

bool exclusionsHit (const std::vector<const WordList*>& entries, const TokenSet& tokens, bool matchPlurals)
{
    for (const auto* entry : entries)
        if (phraseHits (entry->words, tokens, matchPlurals))
            return true;

    return false;
}

void decodeUtf8 (std::string_view s, std::vector<juce_wchar>& out)
{
    out.clear();
    juce::CharPointer_UTF8 p (s.data());
    const auto* end = s.data() + s.size();

    while (p.getAddress() < end)
        out.push_back (p.getAndAdvance());
}

void decodeString (const juce::String& s, std::vector<juce_wchar>& out)
{
    out.clear();

    for (auto p = s.getCharPointer(); ! p.isEmpty();)
        out.push_back (p.getAndAdvance());
}

int editDistanceOf (const std::vector<juce_wchar>& a, const std::vector<juce_wchar>& b,
                    int limit, std::vector<int>& row)
{
    const auto na = (int) a.size();
    const auto nb = (int) b.size();

    if (std::abs (na - nb) > limit)
        return limit + 1;

    if (na == 0)
        return nb;

    if (nb == 0)
        return na;

    row.resize ((size_t) nb + 1);

    for (int j = 0; j <= nb; ++j)
        row[(size_t) j] = j;

    for (int i = 1; i <= na; ++i)
    {
        int diagonal = row[0];
        row[0] = i;
        int rowMinimum = i;

        for (int j = 1; j <= nb; ++j)
        {
            const int above = row[(size_t) j];
            const int substitution = diagonal + (a[(size_t) i - 1] != b[(size_t) j - 1] ? 1 : 0);
            const int value = std::min ({ above + 1, row[(size_t) j - 1] + 1, substitution });
            diagonal = above;
            row[(size_t) j] = value;
            rowMinimum = std::min (rowMinimum, value);
        }

        if (rowMinimum > limit)
            return limit + 1;
    }

    return row[(size_t) nb];
}

struct FuzzyScratch
{
    std::vector<juce_wchar> word, token;
    std::vector<int> row;
};

bool fuzzyHits (const KeywordMatcher& settings, std::string_view word,
                const TokenSet& tokens, FuzzyScratch& scratch)
{
    decodeUtf8 (word, scratch.word);

    if ((int) scratch.word.size() < settings.minFuzzyLength)
        return false;

    for (auto token : tokens.tokens)
    {
        decodeUtf8 (token, scratch.token);

        if ((int) scratch.token.size() < settings.minFuzzyLength)
            continue;

        if (editDistanceOf (scratch.token, scratch.word, settings.maxEditDistance, scratch.row) <= settings.maxEditDistance)
            return true;
    }

    return false;
}

bool rankEqual (const MatchCandidate& a, const MatchCandidate& b) noexcept
{
    return a.exact == b.exact
        && a.phrase == b.phrase
        && a.matchedRules == b.matchedRules
        && a.bestRulePriority == b.bestRulePriority
        && a.stemPriority == b.stemPriority;
}

juce::StringArray patternsOf (const MatchCandidate& candidate)
{
    juce::StringArray patterns;

    for (const auto& hit : candidate.hits)
        patterns.addIfNotAlreadyThere (hit.pattern);

    return patterns;
}

juce::String describeHit (const RuleHit& hit)
{
    const auto quoted = "'" + hit.pattern + "'";

    switch (hit.mode)
    {
        case KeywordMode::exact:  return quoted + " (whole name)";
        case KeywordMode::phrase: return quoted + " (phrase)";
        case KeywordMode::fuzzy:  return quoted + " (approximate)";
        case KeywordMode::token:  break;
    }

    return quoted;
}

const char* const productName = "Velvane";

} // namespace

//==============================================================================
// A list never moves once made, so the views of its words stay valid.
struct PreparedSchema::Words
{
    struct Rule
    {
        const WordList* pattern = nullptr;
        std::vector<const WordList*> excludes;
    };

    struct Stem
    {
        std::vector<const WordList*> excludes;
        std::vector<Rule> rules;
    };

    std::deque<WordList> lists;
    std::vector<Stem> stems;

    const WordList* add (const juce::String& text)
    {
        lists.emplace_back().assign (text);
        return &lists.back();
    }

    std::vector<const WordList*> addAll (const juce::StringArray& texts)
    {
        std::vector<const WordList*> added;
        added.reserve ((size_t) texts.size());

        for (const auto& text : texts)
            added.push_back (add (text));

        return added;
    }
};

PreparedSchema::PreparedSchema (const StemSchema& schemaToMatch)
    : schema (schemaToMatch), words (std::make_unique<Words>())
{
    words->stems.reserve (schema.stems.size());

    for (const auto& stem : schema.stems)
    {
        auto& prepared = words->stems.emplace_back();
        prepared.excludes = words->addAll (stem.excludeKeywords);
        prepared.rules.reserve (stem.rules.size());

        for (const auto& rule : stem.rules)
            prepared.rules.push_back ({ words->add (rule.pattern), words->addAll (rule.excludes) });
    }
}

PreparedSchema::~PreparedSchema() = default;

//==============================================================================
juce::String normaliseForMatching (const juce::String& text)
{
    WordList list;
    list.assign (text);
    return juce::String::fromUTF8 (list.normalised.data(), (int) list.normalised.size());
}

juce::StringArray ruleWords (const juce::String& text)
{
    WordList list;
    list.assign (text);
    return toStringArray (list);
}

TokenisedName tokeniseFileName (const juce::String& fileName)
{
    TokenisedName name;
    name.fileName = fileName;
    name.baseName = fileName;

    const int dot = fileName.lastIndexOfChar ('.');

    if (dot > 0)
    {
        const auto extension = fileName.substring (dot + 1);
        const int length = extension.length();

        if (length >= 1 && length <= 5
            && extension.containsOnly ("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"))
            name.baseName = fileName.substring (0, dot);
    }

    WordList list;
    list.assign (name.baseName);
    name.normalised = juce::String::fromUTF8 (list.normalised.data(), (int) list.normalised.size());
    name.tokens = toStringArray (list);
    return name;
}

juce::StringArray pluralVariants (const juce::String& word)
{
    const auto w = word.trim().toLowerCase();
    juce::StringArray forms;

    if (w.isEmpty())
        return forms;

    forms.add (w);

    const int length = w.length();

    if (length <= 2)
        return forms;

    auto addForm = [&forms] (const juce::String& form) { forms.addIfNotAlreadyThere (form); };

    if (! w.endsWithChar ('s'))
        addForm (w + "s");

    addForm (w + "es");

    if (w.endsWithChar ('y') && length > 3 && ! juce::String ("aeiou").containsChar (w[length - 2]))
        addForm (w.dropLastCharacters (1) + "ies");

    if (w.endsWith ("ies") && length > 4)
        addForm (w.dropLastCharacters (3) + "y");

    if (w.endsWith ("es") && length > 4)
        addForm (w.dropLastCharacters (2));

    if (w.endsWithChar ('s') && ! w.endsWith ("ss") && length > 3)
        addForm (w.dropLastCharacters (1));

    return forms;
}

int editDistance (const juce::String& a, const juce::String& b, int limit)
{
    std::vector<juce_wchar> first, second;
    std::vector<int> row;
    decodeString (a, first);
    decodeString (b, second);
    return editDistanceOf (first, second, limit, row);
}

bool compareCandidates (const MatchCandidate& a, const MatchCandidate& b)
{
    if (a.exact != b.exact)                       return a.exact;
    if (a.phrase != b.phrase)                     return a.phrase;
    if (a.matchedRules != b.matchedRules)         return a.matchedRules > b.matchedRules;
    if (a.bestRulePriority != b.bestRulePriority) return a.bestRulePriority > b.bestRulePriority;
    if (a.stemPriority != b.stemPriority)         return a.stemPriority > b.stemPriority;

    return a.stemName.compareIgnoreCase (b.stemName) < 0;
}

void KeywordMatcher::match (MatchResult& result, const StemSchema& schema, const TokenisedName& name) const
{
    match (result, PreparedSchema (schema), name);
}

void KeywordMatcher::match (MatchResult& result, const PreparedSchema& prepared, const TokenisedName& name) const
{
    result = MatchResult();

    const auto& schema = prepared.schema;
    const bool plurals = schema.matchPlurals;
    const std::string_view normalised (name.normalised.toRawUTF8(), name.normalised.getNumBytesAsUTF8());
    const TokenSet tokens (name.tokens);

    FuzzyScratch fuzzy;
    std::vector<MatchCandidate> candidates;

    for (size_t s = 0; s < schema.stems.size(); ++s)
    {
        const auto& stem = schema.stems[s];
        const auto& stemWords = prepared.words->stems[s];

        if (exclusionsHit (stemWords.excludes, tokens, plurals))
            continue;

        MatchCandidate candidate;

        for (size_t r = 0; r < stem.rules.size(); ++r)
        {
            const auto& rule = stem.rules[r];
            const auto& preparedRule = stemWords.rules[r];
            const auto& pattern = *preparedRule.pattern;

            if (pattern.words.empty())
                continue;

            if (exclusionsHit (preparedRule.excludes, tokens, plurals))
                continue;

            auto effectiveMode = rule.mode;
            bool hit = false;

            switch (rule.mode)
            {
                case KeywordMode::token:
                    hit = phraseHits (pattern.words, tokens, plurals);
                    if (pattern.words.size() > 1)
                        effectiveMode = KeywordMode::phrase;
                    break;

                case KeywordMode::exact:
                    hit = sameBytes (pattern.normalised, normalised);
                    break;

                case KeywordMode::phrase:
                    hit = phraseHits (pattern.words, tokens, plurals);
                    break;

                case KeywordMode::fuzzy:
                    hit = fuzzyEnabled && pattern.words.size() == 1
                       && fuzzyHits (*this, pattern.words.front(), tokens, fuzzy);
                    break;
            }

            if (! hit)
                continue;

            if (candidate.hits.empty())
            {
                candidate.stemId = stem.id;
                candidate.stemName = stem.displayName;
                candidate.stemPriority = stem.priority;
            }

            ++candidate.matchedRules;
            candidate.bestRulePriority = std::max (candidate.bestRulePriority, rule.priority);
            candidate.exact = candidate.exact || effectiveMode == KeywordMode::exact;
            candidate.phrase = candidate.phrase || effectiveMode == KeywordMode::phrase;
            candidate.hits.push_back ({ rule.pattern, effectiveMode, rule.priority });
        }

        if (! candidate.hits.empty())
            candidates.push_back (std::move (candidate));
    }

    std::stable_sort (candidates.begin(), candidates.end(), compareCandidates);
    result.candidates = std::move (candidates);

    if (result.candidates.empty())
    {
        result.confidence = Confidence::unassigned;
        result.reason = "No keyword from the schema appears in this file name.";
        return;
    }

    const auto& winner = result.candidates.front();
    result.matchedKeywords = patternsOf (winner);

    if (result.candidates.size() > 1 && rankEqual (result.candidates[1], winner))
    {
        // Each tied stem with the words it matched on: the stems seldom share their words.
        juce::StringArray tied;

        for (const auto& c : result.candidates)
            if (rankEqual (c, winner))
                tied.add (c.stemName + " (" + patternsOf (c).joinIntoString (", ") + ")");

        result.confidence = Confidence::ambiguous;
        result.reason = "Equally strong match for " + tied.joinIntoString (", ")
                      + ". " + productName + " will not choose for you.";
        return;
    }

    result.stemId = winner.stemId;

    const bool confident = winner.exact || winner.phrase || winner.matchedRules > 1
                        || result.candidates.size() == 1;
    result.confidence = confident ? Confidence::confident : Confidence::review;

    juce::StringArray described;

    for (const auto& hit : winner.hits)
        described.add (describeHit (hit));

    auto reason = "Matched " + winner.stemName + " on " + described.joinIntoString (", ");

    if (result.candidates.size() > 1)
    {
        const auto& second = result.candidates[1];
        reason << "; ahead of " << second.stemName << " (" << patternsOf (second).joinIntoString (", ") << ")";
    }

    reason << ".";

    if (! confident)
        reason << " Only one keyword matched while another stem also matched, so this is worth a check.";

    result.reason = reason;
}

void matchFileName (const KeywordMatcher& settings, MatchResult& result,
                    const StemSchema& schema, const juce::String& fileName)
{
    settings.match (result, schema, tokeniseFileName (fileName));
}

void matchFileName (const KeywordMatcher& settings, MatchResult& result,
                    const PreparedSchema& schema, const juce::String& fileName)
{
    settings.match (result, schema, tokeniseFileName (fileName));
}

} // namespace korvid
