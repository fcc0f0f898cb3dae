#pragma once

#include "core/model/Preset.h"

namespace korvid
{

/** The built-in "Empty" preset (id "builtin-empty"): no stems, the shipped delivery settings. */
Preset makeEmptyPreset();

/** The built-in "Hybrid Orchestra Example" preset (id "builtin-hybrid-orchestra-example"),
    holding the default schema. Its stems carry fixed ids, so the copy the preset library
    keeps on disk stays equal to a freshly made one. */
Preset makeHybridOrchestraExamplePreset();

} // namespace korvid
