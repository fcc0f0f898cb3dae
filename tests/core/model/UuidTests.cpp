#include "core/model/Uuid.h"

#include <gtest/gtest.h>

#include <set>

using namespace korvid;

TEST (Uuid, VersionFourLowerCaseDashedAndUnique)
{
    std::set<juce::String> seen;

    for (int n = 0; n < 2000; ++n)
    {
        const auto id = newUuidString();
        ASSERT_EQ (id.length(), 36) << id;

        for (int i = 0; i < 36; ++i)
        {
            const auto c = id[i];

            if (i == 8 || i == 13 || i == 18 || i == 23)
                ASSERT_EQ (c, '-') << id;
            else
                ASSERT_TRUE ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) << id;
        }

        ASSERT_EQ (id[14], '4') << id;
        ASSERT_TRUE (juce::String ("89ab").containsChar (id[19])) << id;
        ASSERT_TRUE (seen.insert (id).second) << id;
    }
}
