#pragma once

#include <functional>

namespace korvid
{

/** Asked between blocks of long audio work; returning true stops the work early.
    An empty test never stops anything. */
using CancelTest = std::function<bool()>;

inline bool isCancelled (const CancelTest& shouldCancel)
{
    return shouldCancel != nullptr && shouldCancel();
}

} // namespace korvid
