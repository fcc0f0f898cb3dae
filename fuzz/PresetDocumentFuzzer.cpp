#include "core/platform/TextLocale.h"
#include "core/storage/PresetDocument.h"
#include "core/storage/TextDecoding.h"

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
    bool sameShape (const korvid::Preset& a, const korvid::Preset& b)
    {
        return a.id == b.id
            && a.name == b.name
            && a.schema.stems.size() == b.schema.stems.size()
            && a.schema.submixes.size() == b.schema.submixes.size()
            && a.exportSettings.formats.size() == b.exportSettings.formats.size();
    }
} // namespace

// The reader must refuse bad input with at least one sentence, and whatever it
// accepts must be written as a document that it accepts again.
extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    // The same conversion a preset file goes through when it is loaded.
    const auto text = korvid::textFromBytes (data, size);
    const auto result = korvid::parsePresetJson (text);

    if (! result.ok)
    {
        if (result.validation.errors.isEmpty())
            std::abort();

        return 0;
    }

    const auto again = korvid::parsePresetJson (korvid::presetToJson (result.preset));

    if (! again.ok || ! sameShape (again.preset, result.preset))
        std::abort();

    return 0;
}
