#pragma once

#include "core/model/StemSchema.h"

namespace korvid
{

/** The shipped sixteen-stem orchestral / hybrid layout with its keyword rules.
    Built fresh on every call: every stem gets a new id. */
StemSchema makeDefaultSchema();

} // namespace korvid
