#include "core/session/ImportResult.h"

namespace korvid
{

juce::String ImportResult::summaryText() const
{
    auto text = juce::String (imported) + " imported";

    if (alreadyInList > 0)
        text << ", " << alreadyInList << " already in the list";

    if (! alreadySplit.isEmpty())
        text << ", " << alreadySplit.size() << " already split";

    if (unreadable > 0)
        text << ", " << unreadable << " could not be read";

    return text;
}

} // namespace korvid
