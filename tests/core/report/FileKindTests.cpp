#include "core/report/FileKind.h"

#include <gtest/gtest.h>

using namespace korvid;

namespace
{
    bool sameColours (const WaveColours& a, const WaveColours& b)
    {
        return a.top == b.top && a.bottom == b.bottom && a.stroke == b.stroke;
    }

    // Puts the process-wide table back whatever a test changed.
    struct ColourTableGuard
    {
        WaveColours saved[3] { fileKindColours (FileKind::stem), fileKindColours (FileKind::fullMix),
                               fileKindColours (FileKind::alternativeMix) };

        ~ColourTableGuard()
        {
            setFileKindColours (FileKind::stem, saved[0]);
            setFileKindColours (FileKind::fullMix, saved[1]);
            setFileKindColours (FileKind::alternativeMix, saved[2]);
        }
    };
}

TEST (FileKindColours, StartValuesAndUnknownKindsFallBackToTheStem)
{
    struct Case { int kind; WaveColours colours; const char* text; };
    const Case cases[] {
        { 0,  { 0xff8fbf6b, 0xff4d7a3a, 0xffdff0cf }, "stem" },
        { 1,  { 0xff7fb2d9, 0xff3f6d92, 0xffcfe4f5 }, "full mix" },
        { 2,  { 0xff6fd8ee, 0xff2b8fab, 0xffd8f5fc }, "alternative mix" },
        { 3,  { 0xff8fbf6b, 0xff4d7a3a, 0xffdff0cf }, "stem" },
        { -1, { 0xff8fbf6b, 0xff4d7a3a, 0xffdff0cf }, "stem" },
    };

    for (const auto& c : cases)
    {
        EXPECT_TRUE (sameColours (fileKindColours ((FileKind) c.kind), c.colours)) << c.kind;
        EXPECT_EQ (fileKindText ((FileKind) c.kind), c.text);
    }
}

TEST (FileKindColours, SettingAnUnknownKindReplacesTheStemEntry)
{
    ColourTableGuard guard;
    const WaveColours mixColours = fileKindColours (FileKind::fullMix);
    const WaveColours replacement { 0xff112233, 0xff445566, 0xff778899 };

    setFileKindColours ((FileKind) 7, replacement);

    EXPECT_TRUE (sameColours (fileKindColours (FileKind::stem), replacement));
    EXPECT_TRUE (sameColours (fileKindColours ((FileKind) 9), replacement));
    EXPECT_TRUE (sameColours (fileKindColours (FileKind::fullMix), mixColours));

    setFileKindColours (FileKind::alternativeMix, replacement);
    EXPECT_TRUE (sameColours (fileKindColours (FileKind::alternativeMix), replacement));
}
