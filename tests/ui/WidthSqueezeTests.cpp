#include "ui/WidthSqueeze.h"

#include <gtest/gtest.h>

#include <numeric>

namespace korvid::ui
{
namespace
{
    TEST (WidthSqueezeTests, TheLowestOrderGivesWayFirstInProportionAndNoneBelowItsMinimum)
    {
        struct Case
        {
            const char* what;
            std::vector<SqueezableWidth> items;
            int available;
            std::vector<int> widths;
        };

        const std::vector<SqueezableWidth> threeItems { { 100, 50, 0 }, { 60, 20, 0 }, { 200, 100, 1 } };

        const Case cases[] = {
            { "room for all", threeItems, 400, { 100, 60, 200 } },
            { "room to spare", threeItems, 1000, { 100, 60, 200 } },
            // 60 px short: 50 and 40 to spare, cut 33 and 26, the pixel rounding left to the first.
            { "the first order gives a part", threeItems, 300, { 66, 34, 200 } },
            { "the first order gives all, the next the rest", threeItems, 200, { 50, 20, 130 } },
            { "not even the minimums fit", threeItems, 100, { 50, 20, 100 } },
            { "no room at all", threeItems, -5, { 50, 20, 100 } },
            { "a minimum above the wish wins", { { 10, 30, 0 }, { 50, 0, 0 } }, 40, { 30, 10 } },
            { "orders need not start at zero or follow the row", { { 80, 0, 7 }, { 80, 0, 3 } }, 100, { 80, 20 } },
            { "rounding pixels go to the first that can spare one", { { 20, 10, 0 }, { 20, 10, 0 }, { 20, 10, 0 } },
              50, { 16, 17, 17 } },
            { "an item with nothing to spare keeps its width", { { 40, 40, 0 }, { 40, 0, 0 } }, 50, { 40, 10 } },
            { "no items", {}, 100, {} },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.what);
            const auto widths = squeezeWidths (c.items, c.available);
            EXPECT_EQ (widths, c.widths);
        }
    }

    TEST (WidthSqueezeTests, WhenTheMinimumsFitTheWidthsFillTheRowExactly)
    {
        const std::vector<SqueezableWidth> items { { 157, 13, 2 }, { 91, 40, 0 }, { 203, 7, 2 }, { 66, 66, 1 },
                                                    { 120, 0, 0 }, { 35, 11, 2 } };

        for (int available = 143; available <= 672; ++available)
        {
            const auto widths = squeezeWidths (items, available);
            ASSERT_EQ (widths.size(), items.size());
            EXPECT_EQ (std::accumulate (widths.begin(), widths.end(), 0), std::min (available, 672)) << available;

            for (size_t i = 0; i < items.size(); ++i)
            {
                EXPECT_GE (widths[i], items[i].minimum) << available;
                EXPECT_LE (widths[i], items[i].wanted) << available;
            }

            // Order 2 gives nothing while order 0 still can.
            if (widths[1] > 40 || widths[4] > 0)
            {
                EXPECT_EQ (widths[0] + widths[2] + widths[5], 157 + 203 + 35) << available;
            }
        }
    }
}
}
