#include "app/pages/export/NamingPreview.h"

#include "core/model/CodecCapabilities.h"
#include "core/model/OutputNaming.h"

namespace korvid::ui
{
    juce::String namingPreviewText (const Preset& preset, const std::vector<Cue>& cuesWithTracks)
    {
        const auto& settings = preset.exportSettings;
        const auto& naming = settings.naming;
        const auto& schema = preset.schema;

        OutputFormat format;

        if (! settings.formats.empty())
        {
            format = settings.formats.front();

            for (const auto& candidate : settings.formats)
            {
                if (candidate.enabled)
                {
                    format = candidate;
                    break;
                }
            }
        }

        const double rate = format.sampleRate > 0.0 ? format.sampleRate : settings.masterSampleRate;

        NamingValues base;
        base.publisher = preset.metadata.publisher;
        base.project = preset.metadata.project;
        base.cue = preset.metadata.cue;
        base.composer = preset.metadata.composer;
        base.version = preset.metadata.version;

        if (! cuesWithTracks.empty())
        {
            if (settings.batch.folderNameTarget == FolderNameTarget::cue)
                base.cue = cuesWithTracks.front().name;
            else if (settings.batch.folderNameTarget == FolderNameTarget::project)
                base.project = cuesWithTracks.front().name;
        }

        base.indexPadding = naming.indexPadding;
        base.sampleRate = nearestSupportedSampleRate (format.codec, rate);
        base.codec = format.codec;
        base.sampleFormat = format.sampleFormat;
        base.mp3Bitrate = format.mp3Bitrate;

        juce::StringArray unknown, lines;

        const auto line = [&] (const juce::String& templateText, const juce::String& name, const juce::String& code, int index)
        {
            auto values = base;
            values.stemName = name;
            values.stemCode = code;
            values.stemIndex = index;
            lines.add (makeOutputFileName (templateText, values, naming, &unknown));
        };

        const int submixCount = (int) schema.submixes.size();
        int counter = 1;

        if (naming.numberMixesFirst && settings.exportFullMix)
            counter = settings.fullMixIndex + 1 + (settings.exportSubmixes ? submixCount : 0);

        for (size_t i = 0; i < schema.stems.size() && i < 3; ++i)
        {
            const auto& stem = schema.stems[i];
            const auto own = stem.namingTemplate.trim();
            const int index = naming.numbering == Numbering::consecutiveExported ? counter++ : stem.index;
            line (own.isNotEmpty() ? own : naming.stemTemplate, stem.effectiveFileNameToken(), stem.shortCode, index);
        }

        if (settings.exportFullMix)
            line (naming.mixTemplate, settings.fullMixName, settings.fullMixCode, settings.fullMixIndex);

        if (settings.exportSubmixes)
        {
            for (int i = 0; i < submixCount && i < 2; ++i)
            {
                const auto& submix = schema.submixes[(size_t) i];
                const auto code = submix.shortCode.trim();
                line (naming.mixTemplate, submix.name, code.isNotEmpty() ? code : submix.name, settings.fullMixIndex + i + 1);
            }

            if (submixCount > 2)
                lines.add ("... and " + juce::String (submixCount - 2) + " more alternative mix(es)");
        }

        if (! unknown.isEmpty())
            lines.add ("unknown token(s): " + unknown.joinIntoString (", "));

        return lines.joinIntoString ("\n");
    }
}
