#include "core/model/OutputNaming.h"

#include "core/model/CodecCapabilities.h"
#include "core/model/DirectionControls.h"
#include "core/model/PathGuards.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace korvid
{

namespace
{
    constexpr int outputNameMaxLength = 108;
    constexpr int subFolderNameMaxLength = 120;
    constexpr int maxVersionTries = 999;

    const char* const reservedDeviceNames[] { "CON", "PRN", "AUX", "NUL",
                                              "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9",
                                              "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9" };

    // The characters of namingSeparatorChars(), tested without a search: names are built
    // a character at a time, many thousands of times when a delivery is planned.
    bool isSeparatorChar (juce::juce_wchar c)
    {
        return c == '_' || c == '-' || c == ' ' || c == '.';
    }

    bool isIllegalInName (juce::juce_wchar c)
    {
        static const auto table = []
        {
            std::array<bool, 128> illegal {};

            for (auto p = illegalFileNameCharacters().getCharPointer(); ! p.isEmpty(); ++p)
                if (*p < 128)
                    illegal[(size_t) *p] = true;

            return illegal;
        }();

        return c < 32 || c == 127 || (c < 128 && table[(size_t) c]);
    }

    juce::String sampleRateText (double rate)
    {
        if (! std::isfinite (rate) || rate <= 0.0)
            return {};

        const double k = rate / 1000.0;

        if (k - std::floor (k) < 0.05)
            return juce::String ((juce::int64) std::llround (k)) + "k";

        return juce::String (k, 1) + "k";
    }

    juce::String bitDepthText (const NamingValues& values)
    {
        if (usesBitrate (values.codec))
            return juce::String (values.mp3Bitrate) + "k";

        if (values.sampleFormat == SampleFormat::float32)
            return "32f";

        return juce::String (bitsPerSample (values.sampleFormat));
    }

    juce::String tokenText (const juce::String& token, const NamingValues& values, bool& known)
    {
        known = true;

        if (token == "{publisher}")   return values.publisher;
        if (token == "{project}")     return values.project;
        if (token == "{pubcode}")     return values.project;
        if (token == "{cue}")         return values.cue;
        if (token == "{composer}")    return values.composer;
        if (token == "{version}")     return values.version;
        if (token == "{stemName}")    return values.stemName;
        if (token == "{stemCode}")    return values.stemCode;
        if (token == "{sampleRate}")  return sampleRateText (values.sampleRate);
        if (token == "{bitDepth}")    return bitDepthText (values);
        if (token == "{format}")      return toString (values.codec);

        if (token == "{stemIndex}")
        {
            const int width = juce::jlimit (1, 6, values.indexPadding);
            return juce::String (juce::jmax (0, values.stemIndex)).paddedLeft ('0', width);
        }

        known = false;
        return {};
    }

    // Names are built a character at a time; one buffer, made into text once, keeps that cheap.
    using CodePoints = std::vector<juce::juce_wchar>;

    void appendText (CodePoints& out, const juce::String& text)
    {
        for (auto p = text.getCharPointer(); ! p.isEmpty(); ++p)
            out.push_back (*p);
    }

    juce::String toText (CodePoints chars)
    {
        chars.push_back (0);
        return juce::String (juce::CharPointer_UTF32 (chars.data()));
    }

    bool isDotOrBlank (juce::juce_wchar c)
    {
        return c == '.' || juce::CharacterFunctions::isWhitespace (c);
    }

    // Dots, blanks and other white space at both ends go; they would hide or break a name.
    void dropDotsAndBlanksAtEnds (CodePoints& chars)
    {
        size_t end = chars.size();

        while (end > 0 && isDotOrBlank (chars[end - 1]))
            --end;

        size_t start = 0;

        while (start < end && isDotOrBlank (chars[start]))
            ++start;

        chars.erase (chars.begin() + (std::ptrdiff_t) end, chars.end());
        chars.erase (chars.begin(), chars.begin() + (std::ptrdiff_t) start);
    }

    bool isReservedDeviceName (const juce::String& name)
    {
        const auto base = name.upToFirstOccurrenceOf (".", false, false).trim();

        // Every reserved name has three or four letters.
        if (base.length() < 3 || base.length() > 4)
            return false;

        const auto upper = base.toUpperCase();

        for (auto* reserved : reservedDeviceNames)
            if (upper == reserved)
                return true;

        return false;
    }

    // The cleaned folder names of a relative path, as a delivery's folders are made from it.
    bool subFolderParts (const juce::String& relativePath, juce::StringArray& parts)
    {
        const auto path = relativePath.trim();

        if (path.isEmpty())
            return true;

        if (juce::File::isAbsolutePath (path) || path.startsWithChar ('/') || path.startsWithChar ('\\')
            || (path.length() > 1 && path[1] == ':'))
            return false;

        juce::StringArray raw;
        raw.addTokens (path, "/\\", {});
        raw.removeEmptyStrings (false);

        for (auto part : raw)
        {
            part = part.trim();

            if (part == ".")
                continue;

            if (part == "..")
                return false;

            parts.add (sanitiseFileName (part, "-", "untitled", subFolderNameMaxLength));
        }

        return true;
    }

    bool isTaken (const juce::File& file, const juce::StringArray& writtenPaths)
    {
        // A folder of that name is as much in the way as a file.
        return file.exists() || writtenPaths.contains (file.getFullPathName(), true);
    }

    // "v09" gives "v10", "v99" gives "v100": the digits count on as text, so no run is too long.
    juce::String incrementDigits (const juce::String& digits)
    {
        juce::String result;
        bool carry = true;

        for (int i = digits.length(); --i >= 0;)
        {
            auto c = digits[i];

            if (carry)
            {
                carry = (c == '9');
                c = carry ? '0' : (juce::juce_wchar) (c + 1);
            }

            result = juce::String::charToString (c) + result;
        }

        return carry ? "1" + result : result;
    }

    // The stem with its trailing "v" + digits counted on, or empty when it has none.
    juce::String nextVersionStem (const juce::String& stem)
    {
        int start = stem.length();

        while (start > 0 && stem[start - 1] >= '0' && stem[start - 1] <= '9')
            --start;

        if (start == stem.length() || start == 0)
            return {};

        const auto before = stem[start - 1];

        if (before != 'v' && before != 'V')
            return {};

        return stem.substring (0, start) + incrementDigits (stem.substring (start));
    }
}

juce::StringArray namingTokens()
{
    return { "{publisher}", "{project}", "{cue}", "{composer}", "{version}", "{stemIndex}",
             "{stemName}", "{stemCode}", "{sampleRate}", "{bitDepth}", "{format}" };
}

const juce::String& namingSeparatorChars()
{
    static const juce::String characters ("_- .");
    return characters;
}

namespace
{
    void expandInto (CodePoints& out, const juce::String& templateText, const NamingValues& values,
                     juce::StringArray* unknownTokens)
    {
        auto p = templateText.getCharPointer();

        while (! p.isEmpty())
        {
            if (*p != '{')
            {
                out.push_back (p.getAndAdvance());
                continue;
            }

            auto close = p;
            ++close;

            while (! close.isEmpty() && *close != '}')
                ++close;

            // A "{" without a later "}" is plain text to the end.
            if (close.isEmpty())
            {
                appendText (out, juce::String (p));
                return;
            }

            ++close;
            const juce::String token (p, close);
            bool known = false;
            const auto text = tokenText (token, values, known);

            if (known)
                appendText (out, text);
            else if (unknownTokens != nullptr)
                unknownTokens->addIfNotAlreadyThere (token);

            p = close;
        }
    }

    CodePoints collapsed (const CodePoints& text, const juce::String& separator)
    {
        CodePoints wanted;
        appendText (wanted, separator);

        CodePoints result, pendingRun;
        result.reserve (text.size());
        bool seenWord = false;

        for (const auto c : text)
        {
            if (isSeparatorChar (c))
            {
                if (seenWord)
                    pendingRun.push_back (c);

                continue;
            }

            if (! pendingRun.empty())
            {
                const bool holdsSeparator = ! wanted.empty()
                    && std::search (pendingRun.begin(), pendingRun.end(), wanted.begin(), wanted.end()) != pendingRun.end();
                const auto& run = holdsSeparator ? wanted : pendingRun;
                result.insert (result.end(), run.begin(), run.end());
                pendingRun.clear();
            }

            result.push_back (c);
            seenWord = true;
        }

        return result;
    }

    juce::String sanitised (const CodePoints& name, const juce::String& replacement, const juce::String& fallback,
                            int maxLength)
    {
        // A replacement that is itself unsafe would undo the cleaning.
        auto replacementInUse = replacement;

        for (auto p = replacement.getCharPointer(); ! p.isEmpty(); ++p)
            if (illegalFileNameCharacters().containsChar (*p) || *p < 32 || *p == 127 || isDirectionControl (*p))
                replacementInUse = "-";

        CodePoints replacementChars;
        appendText (replacementChars, replacementInUse);

        CodePoints text;
        text.reserve (name.size());

        for (const auto c : name)
        {
            // Dropped rather than replaced: a name must not be able to disguise its extension.
            if (isDirectionControl (c))
                continue;

            if (isIllegalInName (c))
                text.insert (text.end(), replacementChars.begin(), replacementChars.end());
            else
                text.push_back (c);
        }

        dropDotsAndBlanksAtEnds (text);

        if (maxLength > 0 && text.size() > (size_t) maxLength)
        {
            text.resize ((size_t) maxLength);
            dropDotsAndBlanksAtEnds (text);
        }

        const bool onlyFillers = std::all_of (text.begin(), text.end(), [] (juce::juce_wchar c)
        {
            return c == '-' || c == '_' || c == '.' || c == ' ';
        });

        if (onlyFillers)
            return fallback;

        auto result = toText (std::move (text));

        if (isReservedDeviceName (result))
            result << "_";

        return result;
    }
}

juce::String expandNamingTemplate (const juce::String& templateText,
                                   const NamingValues& values,
                                   juce::StringArray* unknownTokens)
{
    CodePoints result;
    expandInto (result, templateText, values, unknownTokens);
    return toText (std::move (result));
}

juce::String collapseSeparatorRuns (const juce::String& text, const juce::String& separator)
{
    CodePoints chars;
    appendText (chars, text);
    return toText (collapsed (chars, separator));
}

juce::String sanitiseFileName (const juce::String& name,
                               const juce::String& replacement,
                               const juce::String& fallback,
                               int maxLength)
{
    CodePoints chars;
    appendText (chars, name);
    return sanitised (chars, replacement, fallback, maxLength);
}

juce::File fileRenamedInPlace (const juce::File& file, const juce::String& newName)
{
    const auto cleanName = sanitiseFileName (newName.trim(), "-", {}, 120);

    if (cleanName.isEmpty())
        return {};

    return file.getParentDirectory().getChildFile (cleanName + file.getFileExtension());
}

juce::String makeOutputFileName (const juce::String& templateText,
                                 const NamingValues& values,
                                 const NamingSettings& naming,
                                 juce::StringArray* unknownTokens)
{
    CodePoints expanded;
    expandInto (expanded, templateText, values, unknownTokens);

    auto fallback = values.stemName.trim();

    if (fallback.isEmpty())
        fallback = "stem";

    return sanitised (collapsed (expanded, naming.separator), naming.replacementChar, fallback, outputNameMaxLength)
         + codecExtension (values.codec);
}

bool findFreeFileName (juce::File& file,
                       CollisionPolicy policy,
                       const juce::StringArray& writtenPaths,
                       juce::String& error,
                       const juce::StringArray* stillBeingWritten)
{
    const bool writtenThisRun = writtenPaths.contains (file.getFullPathName(), true);

    if (! writtenThisRun && ! file.exists())
        return true;

    const auto writtenTwice = "Two outputs of this run would both be named '" + file.getFileName() + "'.";

    if (policy == CollisionPolicy::overwrite)
    {
        // Overwriting is for files of earlier runs; an output of this run is never replaced.
        if (! writtenThisRun)
            return true;

        error = writtenTwice;
        return false;
    }

    if (policy == CollisionPolicy::abort)
    {
        const bool exists = file.exists()
                         || (stillBeingWritten != nullptr && stillBeingWritten->contains (file.getFullPathName(), true));
        error = exists ? "'" + file.getFileName() + "' already exists." : writtenTwice;
        return false;
    }

    const auto folder = file.getParentDirectory();
    const auto extension = file.getFileExtension();
    const auto originalStem = file.getFileNameWithoutExtension();
    auto stem = originalStem;

    for (int attempt = 0; attempt < maxVersionTries; ++attempt)
    {
        const auto versioned = nextVersionStem (stem);
        stem = versioned.isNotEmpty() ? versioned : originalStem + "-" + juce::String (attempt + 2);

        const auto candidate = folder.getChildFile (stem + extension);

        if (! isTaken (candidate, writtenPaths))
        {
            file = candidate;
            return true;
        }
    }

    error = "Could not find a free name for '" + file.getFileName() + "'.";
    return false;
}

bool resolveSubFolder (const juce::File& base, const juce::String& relativePath, juce::File& result)
{
    if (base == juce::File())
        return false;

    juce::StringArray parts;

    if (! subFolderParts (relativePath, parts))
        return false;

    auto folder = base;

    for (const auto& part : parts)
        folder = folder.getChildFile (part);

    if (! isWithinFolder (base, folder))
        return false;

    result = folder;
    return true;
}

bool cleanSubFolderPath (const juce::String& relativePath, juce::String& cleaned)
{
    juce::StringArray parts;

    if (! subFolderParts (relativePath, parts))
        return false;

    cleaned = parts.joinIntoString ("/");
    return true;
}

double writtenSampleRate (const OutputFormat& format, double projectRate)
{
    const double requested = format.sampleRate > 0.0 ? format.sampleRate : projectRate;
    return nearestSupportedSampleRate (format.codec, requested);
}

juce::String makeDeliveredFileName (const PresetMetadata& metadata,
                                    const NamingSettings& naming,
                                    const OutputFormat& format,
                                    double projectRate,
                                    const OutputNameSource& output,
                                    juce::StringArray* unknownTokens)
{
    NamingValues values;
    values.publisher = metadata.publisher;
    values.project = metadata.project;
    values.cue = metadata.cue;
    values.composer = metadata.composer;
    values.version = metadata.version;
    values.stemName = output.fileNameToken;
    values.stemCode = output.shortCode;
    values.stemIndex = output.fileIndex;
    values.indexPadding = naming.indexPadding;
    values.sampleRate = writtenSampleRate (format, projectRate);
    values.codec = format.codec;
    values.sampleFormat = format.sampleFormat;
    values.mp3Bitrate = nearestMp3Bitrate (format.mp3Bitrate);
    return makeOutputFileName (output.namingTemplate, values, naming, unknownTokens);
}

juce::String deliveredSubFolder (const ExportSettings& settings, const OutputFormat& format, bool stemFile)
{
    juce::StringArray parts;
    const auto formatFolder = format.subFolder.trim();
    const auto stemsFolder = settings.stemsSubFolder.trim();

    if (formatFolder.isNotEmpty())
        parts.add (formatFolder);

    if (stemFile && stemsFolder.isNotEmpty())
        parts.add (stemsFolder);

    return parts.joinIntoString ("/");
}

int firstStemNumber (const ExportSettings& settings, int alternativeMixCount)
{
    if (! settings.naming.numberMixesFirst || ! settings.exportFullMix)
        return 1;

    // Every alternative mix of the schema keeps its number, written or not.
    return settings.fullMixIndex + 1 + (settings.exportSubmixes ? alternativeMixCount : 0);
}

juce::String alternativeMixCode (const Submix& mix)
{
    const auto code = mix.shortCode.trim();
    return code.isNotEmpty() ? code : mix.name;
}

std::vector<NamingPiece> splitNamingTemplate (const juce::String& templateText,
                                              juce::String* separatorOut,
                                              const juce::String& separator)
{
    const auto offered = namingTokens();
    std::vector<NamingPiece> pieces;
    juce::StringArray separatorsMet;
    juce::String pending;

    const auto flush = [&]
    {
        if (pending.isEmpty())
            return;

        auto text = pending;
        pending.clear();

        if (separator.isNotEmpty())
        {
            const auto before = text;

            while (text.startsWith (separator))
                text = text.substring (separator.length());

            while (text.endsWith (separator))
                text = text.dropLastCharacters (separator.length());

            if (text != before)
                separatorsMet.addIfNotAlreadyThere (separator);

            if (text.isEmpty())
                return;
        }

        const auto& chars = namingSeparatorChars();
        const auto core = text.trimCharactersAtStart (chars).trimCharactersAtEnd (chars);

        if (core.isEmpty())
        {
            separatorsMet.addIfNotAlreadyThere (text);
            return;
        }

        const auto lead = text.substring (0, text.length() - text.trimCharactersAtStart (chars).length());
        const auto trail = text.substring (text.trimCharactersAtEnd (chars).length());

        if (lead.isNotEmpty())
            separatorsMet.addIfNotAlreadyThere (lead);
        else if (trail.isNotEmpty())
            separatorsMet.addIfNotAlreadyThere (trail);

        pieces.push_back ({ false, core });
    };

    int position = 0;

    while (position < templateText.length())
    {
        const int open = templateText.indexOfChar (position, '{');

        if (open < 0)
        {
            pending << templateText.substring (position);
            break;
        }

        pending << templateText.substring (position, open);
        const int close = templateText.indexOfChar (open + 1, '}');

        if (close < 0)
        {
            pending << templateText.substring (open);
            break;
        }

        flush();
        const auto token = templateText.substring (open, close + 1);

        if (offered.contains (token))
        {
            pieces.push_back ({ true, token });
        }
        else
        {
            const auto word = token.removeCharacters ("{}").trim();

            if (word.isNotEmpty())
                pieces.push_back ({ false, word });
        }

        position = close + 1;
    }

    flush();

    if (separatorOut != nullptr)
    {
        if (! separatorsMet.isEmpty())
            *separatorOut = separatorsMet[0];
        else if (pieces.size() >= 2)
            separatorOut->clear();
    }

    return pieces;
}

juce::String joinNamingPieces (const std::vector<NamingPiece>& pieces, const juce::String& separator)
{
    juce::StringArray texts;

    for (const auto& piece : pieces)
        if (piece.text.isNotEmpty())
            texts.add (piece.text);

    return texts.joinIntoString (separator);
}

} // namespace korvid
