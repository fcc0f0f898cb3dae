#include "core/platform/TextLocale.h"
#include "core/storage/PresetDocument.h"
#include "core/storage/ProjectFile.h"
#include "core/storage/ProjectPresetReader.h"
#include "core/storage/TextDecoding.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    korvid::setTextLocale();
    return 0;
}

namespace
{
    // What the reader promises about every project it takes.
    bool keepsTheLimits (const korvid::ProjectFile& project)
    {
        if (project.tracks.size() > (size_t) korvid::maxProjectEntries
            || project.cues.size() > (size_t) korvid::maxProjectEntries
            || project.importedFolders.size() > korvid::maxProjectEntries)
            return false;

        for (const auto& track : project.tracks)
            if (track.path.isEmpty())
                return false;

        for (const auto& cue : project.cues)
            if (! std::isfinite (cue.trimStartSeconds) || cue.trimStartSeconds < 0.0)
                return false;

        return true;
    }
} // namespace

// The reader refuses bad input with at least one sentence; whatever it takes keeps its
// limits, and its preset, written again, reads back the same way a project's preset is read.
extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    // The same conversion a project file goes through when it is loaded.
    const auto text = korvid::textFromBytes (data, size);
    const auto result = korvid::readProjectFile (text);

    if (! result.ok)
    {
        if (result.validation.errors.isEmpty())
            std::abort();

        return 0;
    }

    if (! keepsTheLimits (result.project))
        std::abort();

    const auto& preset = result.project.preset;
    korvid::Preset again;
    korvid::ValidationResult findings;

    if (! korvid::readProjectPreset (juce::JSON::parse (korvid::presetToJson (preset)), again, findings)
        || again.id != preset.id || again.name != preset.name
        || again.schema.stems.size() != preset.schema.stems.size()
        || again.schema.submixes.size() != preset.schema.submixes.size()
        || again.exportSettings.formats.size() != preset.exportSettings.formats.size())
        std::abort();

    return 0;
}
