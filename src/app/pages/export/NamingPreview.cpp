#include "app/pages/export/NamingPreview.h"

#include "core/model/OutputNaming.h"
#include "core/model/PresetChecks.h"
#include "core/render/AlternativeMixMembers.h"
#include "core/render/OutputFiles.h"

#include <optional>

namespace korvid::ui
{
    namespace
    {
        constexpr size_t stemLines = 3;
        constexpr size_t mixLines = 2;

        // The files of one cue the preview names, in the order the render writes them.
        struct PreviewedOutputs
        {
            std::vector<OutputNameSource> stems;     // those that write a file
            std::optional<OutputNameSource> fullMix;
            std::vector<OutputNameSource> mixes;     // those that are written
        };

        // The entry the preview names files in: the first one written, or, when none is,
        // the first enabled one, the first one, or the default.
        OutputFormat previewFormat (const ExportSettings& settings)
        {
            if (const auto written = writtenFormatEntries (settings); ! written.empty())
                return settings.formats[(size_t) written.front()];

            for (const auto& format : settings.formats)
                if (format.enabled)
                    return format;

            return settings.formats.empty() ? OutputFormat() : settings.formats.front();
        }

        std::optional<OutputNameSource> fullMixOf (const ExportSettings& settings)
        {
            if (! settings.exportFullMix)
                return std::nullopt;

            return OutputNameSource { settings.naming.mixTemplate, settings.fullMixName, settings.fullMixCode,
                                      settings.fullMixIndex };
        }

        juce::String previewText (const PresetMetadata& metadata, const ExportSettings& settings, double projectRate,
                                  const PreviewedOutputs& outputs)
        {
            const auto format = previewFormat (settings);
            juce::StringArray unknown, lines;

            const auto line = [&] (const OutputNameSource& output)
            {
                lines.add (makeDeliveredFileName (metadata, settings.naming, format, projectRate, output, &unknown));
            };

            for (size_t i = 0; i < outputs.stems.size() && i < stemLines; ++i)
                line (outputs.stems[i]);

            if (outputs.fullMix.has_value())
                line (*outputs.fullMix);

            for (size_t i = 0; i < outputs.mixes.size() && i < mixLines; ++i)
                line (outputs.mixes[i]);

            if (outputs.mixes.size() > mixLines)
                lines.add ("... and " + juce::String ((int) (outputs.mixes.size() - mixLines)) + " more alternative mix(es)");

            if (! unknown.isEmpty())
                lines.add ("unknown token(s): " + unknown.joinIntoString (", "));

            return lines.joinIntoString ("\n");
        }
    }

    juce::String namingPreviewText (const RenderRequest& request)
    {
        const auto& preset = request.preset;
        const auto& settings = preset.exportSettings;
        const auto indices = assignFileIndices (request);
        PreviewedOutputs outputs;

        for (size_t i = 0; i < request.stems.size(); ++i)
        {
            const auto& stem = request.stems[i];

            if (isStemExported (stem))
                outputs.stems.push_back ({ stem.namingTemplate, stem.fileNameToken, stem.shortCode, indices[i] });
        }

        outputs.fullMix = fullMixOf (settings);

        // Mixes are numbered after the full mix, counting only those written.
        for (const auto& mix : alternativeMixMembers (request))
        {
            if (mix.stems.empty())
                continue;

            const auto& submix = preset.schema.submixes[mix.submixIndex];
            const int number = settings.fullMixIndex + 1 + (int) outputs.mixes.size();
            outputs.mixes.push_back ({ settings.naming.mixTemplate, submix.name, alternativeMixCode (submix), number });
        }

        return previewText (preset.metadata, settings, request.sampleRate, outputs);
    }

    juce::String namingPreviewText (const Preset& preset, const std::vector<Cue>& cuesWithTracks)
    {
        const auto& settings = preset.exportSettings;
        const auto& naming = settings.naming;
        const auto& schema = preset.schema;
        auto metadata = preset.metadata;

        if (! cuesWithTracks.empty())
        {
            if (settings.batch.folderNameTarget == FolderNameTarget::cue)
                metadata.cue = cuesWithTracks.front().name;
            else if (settings.batch.folderNameTarget == FolderNameTarget::project)
                metadata.project = cuesWithTracks.front().name;
        }

        PreviewedOutputs outputs;
        int number = firstStemNumber (settings, (int) schema.submixes.size());

        for (const auto& stem : schema.stems)
        {
            const auto own = stem.namingTemplate.trim();
            const int index = naming.numbering == Numbering::consecutiveExported ? number++ : stem.index;
            outputs.stems.push_back ({ own.isNotEmpty() ? own : naming.stemTemplate, stem.effectiveFileNameToken(),
                                       stem.shortCode, index });
        }

        outputs.fullMix = fullMixOf (settings);

        if (settings.exportSubmixes)
            for (size_t i = 0; i < schema.submixes.size(); ++i)
                outputs.mixes.push_back ({ naming.mixTemplate, schema.submixes[i].name,
                                           alternativeMixCode (schema.submixes[i]), settings.fullMixIndex + 1 + (int) i });

        return previewText (metadata, settings, settings.masterSampleRate, outputs);
    }
}
