#include "core/model/OutputNameClashes.h"

#include "core/model/OutputNaming.h"
#include "core/model/PresetChecks.h"

#include <unordered_map>
#include <vector>

namespace korvid
{

namespace
{
    enum class OutputKind { stem, fullMix, alternativeMix };

    // One file a cue may write in every format entry, as far as its name is concerned.
    struct NamedOutput
    {
        OutputKind kind = OutputKind::stem;
        juce::String label;          // the stem's display name or the mix's name
        OutputNameSource source;
        bool usesSharedTemplate = true;
        bool refusedBesideFullMix = false;
    };

    // An output as one format entry writes it.
    struct Claim
    {
        size_t output = 0;
        int entry = 0;               // position in the format list
    };

    struct NameHash
    {
        size_t operator() (const juce::String& name) const noexcept { return (size_t) name.hashCode64(); }
    };

    bool sameText (const juce::String& a, const juce::String& b)
    {
        return a.trim().isNotEmpty() && a.trim().equalsIgnoreCase (b.trim());
    }

    // Placeholders stand in for metadata that planning may fill per cue, so that a
    // template leaning on an empty field is judged as it will be at render time.
    PresetMetadata metadataForNames (const PresetMetadata& metadata)
    {
        const auto orPlaceholder = [] (const juce::String& text, const char* placeholder)
        {
            return text.trim().isNotEmpty() ? text : juce::String (placeholder);
        };

        PresetMetadata values;
        values.publisher = orPlaceholder (metadata.publisher, "Publisher");
        values.project = orPlaceholder (metadata.project, "Project");
        values.cue = orPlaceholder (metadata.cue, "Cue");
        values.composer = orPlaceholder (metadata.composer, "Composer");
        values.version = orPlaceholder (metadata.version, "v1");
        return values;
    }

    bool templateNamesStems (const juce::String& templateText)
    {
        return templateText.contains ("{stemName}") || templateText.contains ("{stemCode}");
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

    // Every output a cue may write, mixes first, numbered as the render numbers them when
    // every stem writes a file.
    std::vector<NamedOutput> outputsOf (const Preset& preset, juce::StringArray& errors)
    {
        const auto& settings = preset.exportSettings;
        const auto& naming = settings.naming;
        const auto& schema = preset.schema;
        std::vector<NamedOutput> outputs;

        if (settings.exportFullMix)
        {
            NamedOutput fullMix;
            fullMix.kind = OutputKind::fullMix;
            fullMix.source = { naming.mixTemplate, settings.fullMixName, settings.fullMixCode, settings.fullMixIndex };
            outputs.push_back (fullMix);
        }

        if (settings.exportSubmixes)
        {
            int number = settings.fullMixIndex + 1;

            for (const auto& mix : schema.submixes)
            {
                NamedOutput output;
                output.kind = OutputKind::alternativeMix;
                output.label = mix.name;
                output.source = { naming.mixTemplate, mix.name, alternativeMixCode (mix), number++ };
                output.refusedBesideFullMix = settings.exportFullMix && refuseBesideFullMix (mix, settings, errors);
                outputs.push_back (output);
            }
        }

        int number = firstStemNumber (settings, (int) schema.submixes.size());

        for (const auto& stem : schema.stems)
        {
            NamedOutput output;
            output.label = stem.displayName;
            output.usesSharedTemplate = stem.namingTemplate.trim().isEmpty();
            output.source.namingTemplate = output.usesSharedTemplate ? naming.stemTemplate : stem.namingTemplate.trim();
            output.source.fileNameToken = stem.effectiveFileNameToken();
            output.source.shortCode = stem.shortCode;
            output.source.fileIndex = naming.numbering == Numbering::schemaIndex ? stem.index : number++;
            outputs.push_back (output);
        }

        return outputs;
    }

    // Pairs that other checks of the preset already refuse, with a sentence of their own.
    bool alreadyRefused (const NamedOutput& earlier, const NamedOutput& later, const ExportSettings& settings)
    {
        const auto& a = earlier.source;
        const auto& b = later.source;

        if (earlier.kind == OutputKind::stem && later.kind == OutputKind::stem)
        {
            // The schema check refuses equal tokens and equal short codes; a shared
            // template without {stemName} or {stemCode} is refused by the settings check.
            if (sameText (a.fileNameToken, b.fileNameToken) || sameText (a.shortCode, b.shortCode))
                return true;

            return earlier.usesSharedTemplate && later.usesSharedTemplate
                && ! templateNamesStems (settings.naming.stemTemplate);
        }

        if (earlier.kind == OutputKind::stem || later.kind == OutputKind::stem)
        {
            const auto& stem = earlier.kind == OutputKind::stem ? earlier : later;
            const auto& mix = earlier.kind == OutputKind::stem ? later : earlier;

            // The preset check refuses a stem named or coded like the full mix; the schema
            // check an alternative mix named like a stem's token.
            if (mix.kind == OutputKind::fullMix)
                return sameText (stem.source.fileNameToken, mix.source.fileNameToken)
                    || sameText (stem.source.shortCode, mix.source.shortCode);

            return sameText (stem.source.fileNameToken, mix.source.fileNameToken);
        }

        if (earlier.kind == OutputKind::fullMix)
            return later.refusedBesideFullMix;

        // The schema check refuses two alternative mixes of the same name.
        return sameText (a.fileNameToken, b.fileNameToken);
    }

    juce::String mixName (const NamedOutput& output)
    {
        return output.kind == OutputKind::fullMix ? juce::String ("the full mix")
                                                  : "alternative mix '" + output.label + "'";
    }

    juce::String clashSentence (const NamedOutput& earlier, const NamedOutput& later, const ExportSettings& settings)
    {
        if (earlier.kind == OutputKind::stem && later.kind == OutputKind::stem)
        {
            const auto subject = "Stems '" + earlier.label + "' and '" + later.label + "' would get the same file name";
            const bool shared = earlier.usesSharedTemplate && later.usesSharedTemplate;
            const auto& templateText = settings.naming.stemTemplate;

            if (shared && templateText.contains ("{stemCode}") && ! templateText.contains ("{stemName}")
                && earlier.source.shortCode.trim().isEmpty() && later.source.shortCode.trim().isEmpty())
                return subject + ": the stem naming template tells stems apart only by {stemCode}, and neither has a short code.";

            return subject + (shared ? " from the stem naming template." : " from their naming templates.");
        }

        if (earlier.kind != OutputKind::stem && later.kind != OutputKind::stem)
        {
            const auto subject = earlier.kind == OutputKind::fullMix
                                     ? "The full mix and alternative mix '" + later.label + "'"
                                     : "Alternative mixes '" + earlier.label + "' and '" + later.label + "'";
            return subject + " would get the same file name from the full mix naming template.";
        }

        // Stems share a folder with the mixes only when there is no stems folder.
        const auto& stem = earlier.kind == OutputKind::stem ? earlier : later;
        const auto& mix = earlier.kind == OutputKind::stem ? later : earlier;
        return "Stem '" + stem.label + "' and " + mixName (mix) + " would get the same file name in one folder.";
    }

    // Only the first two entries of the format list are ever written.
    juce::String entryName (int entry)
    {
        return entry == 0 ? "first" : "second";
    }
}

OutputNameClashes findNameClashes (const Preset& preset)
{
    const auto& settings = preset.exportSettings;
    OutputNameClashes found;
    const auto outputs = outputsOf (preset, found.presetErrors);
    const auto metadata = metadataForNames (preset.metadata);
    const auto entries = writtenFormatEntries (settings);

    // Every file of a cue by folder and name, compared as the file system may: ignoring case.
    std::unordered_map<juce::String, std::vector<Claim>, NameHash> claims;
    bool formatsClashed = false;

    for (const int entry : entries)
    {
        const auto& format = settings.formats[(size_t) entry];
        juce::String folders[2];

        for (const bool stemFile : { false, true })
            if (! cleanSubFolderPath (deliveredSubFolder (settings, format, stemFile), folders[stemFile ? 1 : 0]))
                folders[stemFile ? 1 : 0] = deliveredSubFolder (settings, format, stemFile);   // refused by the settings check

        for (size_t i = 0; i < outputs.size(); ++i)
        {
            const auto& output = outputs[i];
            const auto& folder = folders[output.kind == OutputKind::stem ? 1 : 0];
            const auto name = makeDeliveredFileName (metadata, settings.naming, format, settings.masterSampleRate,
                                                     output.source);
            auto& earlier = claims[(folder + "/" + name).toLowerCase()];
            bool claimedInThisEntry = false;

            for (const auto& claim : earlier)
            {
                if (claim.entry != entry)
                    continue;

                claimedInThisEntry = true;
                const auto& other = outputs[claim.output];

                if (! alreadyRefused (other, output, settings))
                {
                    const bool sameKind = (other.kind == OutputKind::stem) == (output.kind == OutputKind::stem);
                    (sameKind ? found.presetErrors : found.deliveryErrors)
                        .addIfNotAlreadyThere (clashSentence (other, output, settings));
                    break;
                }
            }

            // The same file written by two format entries: the second replaces or renames the first.
            if (! claimedInThisEntry && ! earlier.empty() && ! formatsClashed)
            {
                const auto& other = settings.formats[(size_t) earlier.front().entry];
                found.deliveryErrors.add ("The " + entryName (earlier.front().entry) + " and " + entryName (entry)
                                          + " output formats (" + describeOutputFormat (other) + ", "
                                          + describeOutputFormat (format)
                                          + ") would give their files the same names in one folder. "
                                            "Give one of them a sub-folder of its own.");
                formatsClashed = true;
            }

            earlier.push_back ({ i, entry });
        }
    }

    return found;
}

juce::StringArray findOutputNameClashes (const Preset& preset)
{
    return findNameClashes (preset).presetErrors;
}

} // namespace korvid
