#include "ui/WidthSqueeze.h"

#include <algorithm>
#include <numeric>
#include <set>

namespace korvid::ui
{
    std::vector<int> squeezeWidths (const std::vector<SqueezableWidth>& items, int available)
    {
        std::vector<int> widths;
        std::vector<int> minimums;
        std::set<int> orders;

        for (const auto& item : items)
        {
            const int minimum = std::max (0, item.minimum);
            minimums.push_back (minimum);
            widths.push_back (std::max (minimum, item.wanted));
            orders.insert (item.order);
        }

        long long excess = std::accumulate (widths.begin(), widths.end(), 0LL) - std::max (0, available);

        for (const int order : orders)
        {
            if (excess <= 0)
                break;

            long long spare = 0;

            for (size_t i = 0; i < items.size(); ++i)
                if (items[i].order == order)
                    spare += widths[i] - minimums[i];

            if (spare == 0)
                continue;

            const long long take = std::min (excess, spare);
            long long taken = 0;

            // Each its share, rounded down; the pixels that rounding leaves go one at a time
            // to the items that can still spare one, in row order.
            for (size_t i = 0; i < items.size(); ++i)
            {
                if (items[i].order != order)
                    continue;

                const long long cut = take * (widths[i] - minimums[i]) / spare;
                widths[i] -= (int) cut;
                taken += cut;
            }

            for (size_t i = 0; i < items.size() && taken < take; ++i)
            {
                if (items[i].order == order && widths[i] > minimums[i])
                {
                    --widths[i];
                    ++taken;
                }
            }

            excess -= take;
        }

        return widths;
    }
}
