#include "core/model/OutputNameClashes.h"

#include "core/model/OutputNaming.h"

namespace korvid
{

namespace
{
    // One file a cue may write, as far as its name is concerned.
    struct NamedOutput
    {
        juce::String label;          // the stem's display name or the mix's name
        juce::String token;          // {stemName}
        juce::String code;           // {stemCode}
        int index = 1;               // {stemIndex}
        juce::String templateText;
        bool usesSharedTemplate = true;
        bool isFullMix = false;
        bool refusedBesideFullMix = false;
    };

    bool sameText (const juce::String& a, const juce::String& b)
    {
        return a.trim().isNotEmpty() && a.trim().equalsIgnoreCase (b.trim());
    }

    // Placeholders stand in for metadata that planning may fill per cue, so that a
    // template leaning on an empty field is judged as it will be at render time.
    NamingValues sharedValues (const Preset& preset)
    {
        const auto orPlaceholder = [] (const juce::String& text, const char* placeholder)
        {
            return text.trim().isNotEmpty() ? text : juce::String (placeholder);
        };

        NamingValues values;
        values.publisher = orPlaceholder (preset.metadata.publisher, "Publisher");
        values.project = orPlaceholder (preset.metadata.project, "Project");
        values.cue = orPlaceholder (preset.metadata.cue, "Cue");
        values.composer = orPlaceholder (preset.metadata.composer, "Composer");
        values.version = orPlaceholder (preset.metadata.version, "v1");
        values.indexPadding = preset.exportSettings.naming.indexPadding;
        values.sampleRate = preset.exportSettings.masterSampleRate;
        return values;
    }

    juce::String fileNameOf (const NamedOutput& output, NamingValues values, const NamingSettings& naming)
    {
        values.stemName = output.token;
        values.stemCode = output.code;
        values.stemIndex = output.index;
        return makeOutputFileName (output.templateText, values, naming);
    }

    // Calls clash (later, earlier) once for each output whose name an earlier one already has.
    template <typename Skip, typename Clash>
    void forEachClash (const std::vector<NamedOutput>& outputs, const Preset& preset, Skip skip, Clash clash)
    {
        const auto values = sharedValues (preset);
        const auto& naming = preset.exportSettings.naming;

        juce::StringArray names;

        for (const auto& output : outputs)
            names.add (fileNameOf (output, values, naming));

        for (size_t later = 1; later < outputs.size(); ++later)
        {
            for (size_t earlier = 0; earlier < later; ++earlier)
            {
                if (names[(int) later].equalsIgnoreCase (names[(int) earlier])
                    && ! skip (outputs[earlier], outputs[later]))
                {
                    clash (outputs[later], outputs[earlier]);
                    break;
                }
            }
        }
    }

    bool templateNamesStems (const juce::String& templateText)
    {
        return templateText.contains ("{stemName}") || templateText.contains ("{stemCode}");
    }

    void addStemClashes (const Preset& preset, juce::StringArray& errors)
    {
        const auto& naming = preset.exportSettings.naming;
        std::vector<NamedOutput> stems;

        for (const auto& stem : preset.schema.stems)
        {
            NamedOutput output;
            output.label = stem.displayName;
            output.token = stem.effectiveFileNameToken();
            output.code = stem.shortCode;
            output.index = stem.index;
            output.usesSharedTemplate = stem.namingTemplate.trim().isEmpty();
            output.templateText = output.usesSharedTemplate ? naming.stemTemplate : stem.namingTemplate.trim();
            stems.push_back (output);
        }

        const auto alreadyRefused = [&naming] (const NamedOutput& a, const NamedOutput& b)
        {
            // The schema check refuses equal tokens and equal short codes; a shared
            // template without {stemName} or {stemCode} is refused by the settings check.
            if (sameText (a.token, b.token) || sameText (a.code, b.code))
                return true;

            return a.usesSharedTemplate && b.usesSharedTemplate && ! templateNamesStems (naming.stemTemplate);
        };

        forEachClash (stems, preset, alreadyRefused, [&errors] (const NamedOutput& later, const NamedOutput& earlier)
        {
            const auto subject = "Stems '" + earlier.label + "' and '" + later.label + "' would get the same file name";
            const bool shared = earlier.usesSharedTemplate && later.usesSharedTemplate;
            const auto& templateText = later.templateText;

            if (shared && templateText.contains ("{stemCode}") && ! templateText.contains ("{stemName}")
                && earlier.code.trim().isEmpty() && later.code.trim().isEmpty())
            {
                errors.add (subject + ": the stem naming template tells stems apart only by {stemCode}, and neither has a short code.");
            }
            else
            {
                errors.add (subject + (shared ? " from the stem naming template." : " from their naming templates."));
            }
        });
    }

    // True when the alternative mix takes the full mix's name or code; says so in the errors.
    bool refuseBesideFullMix (const Submix& mix, const ExportSettings& settings, juce::StringArray& errors)
    {
        const auto subject = "Alternative mix '" + mix.name + "'";
        bool refused = false;

        if (sameText (mix.name, settings.fullMixName))
        {
            errors.add (subject + " has the same name as the full mix.");
            refused = true;
        }

        if (mix.shortCode.trim().isNotEmpty())
        {
            if (sameText (mix.shortCode, settings.fullMixCode))
            {
                errors.add (subject + " has the same short code as the full mix.");
                refused = true;
            }
        }
        else if (sameText (mix.name, settings.fullMixCode))
        {
            // Without a code of its own a mix's name stands in for {stemCode}.
            errors.add (subject + " has no short code, and its name, which stands in for one, is the full mix's short code.");
            refused = true;
        }

        return refused;
    }

    void addMixClashes (const Preset& preset, juce::StringArray& errors)
    {
        const auto& settings = preset.exportSettings;

        if (! settings.exportSubmixes || preset.schema.submixes.empty())
            return;

        std::vector<NamedOutput> mixes;

        if (settings.exportFullMix)
        {
            NamedOutput fullMix;
            fullMix.token = settings.fullMixName;
            fullMix.code = settings.fullMixCode;
            fullMix.index = settings.fullMixIndex;
            fullMix.templateText = settings.naming.mixTemplate;
            fullMix.isFullMix = true;
            mixes.push_back (fullMix);
        }

        int number = settings.fullMixIndex + 1;

        for (const auto& mix : preset.schema.submixes)
        {
            NamedOutput output;
            output.label = mix.name;
            output.token = mix.name;
            output.code = mix.shortCode.trim().isNotEmpty() ? mix.shortCode : mix.name;
            output.index = number++;
            output.templateText = settings.naming.mixTemplate;
            output.refusedBesideFullMix = settings.exportFullMix && refuseBesideFullMix (mix, settings, errors);
            mixes.push_back (output);
        }

        const auto alreadyRefused = [] (const NamedOutput& earlier, const NamedOutput& later)
        {
            if (earlier.isFullMix)
                return later.refusedBesideFullMix;

            // The schema check refuses two alternative mixes of the same name.
            return sameText (earlier.token, later.token);
        };

        forEachClash (mixes, preset, alreadyRefused, [&errors] (const NamedOutput& later, const NamedOutput& earlier)
        {
            const auto subject = earlier.isFullMix ? "The full mix and alternative mix '" + later.label + "'"
                                                   : "Alternative mixes '" + earlier.label + "' and '" + later.label + "'";
            errors.add (subject + " would get the same file name from the full mix naming template.");
        });
    }
}

juce::StringArray findOutputNameClashes (const Preset& preset)
{
    juce::StringArray errors;
    addMixClashes (preset, errors);
    addStemClashes (preset, errors);
    return errors;
}

} // namespace korvid
