#include "core/report/FileKind.h"

#include <array>

namespace korvid
{

namespace
{
    std::array<WaveColours, 3>& colourTable()
    {
        static std::array<WaveColours, 3> table {{
            { 0xff8fbf6b, 0xff4d7a3a, 0xffdff0cf },   // stem
            { 0xff7fb2d9, 0xff3f6d92, 0xffcfe4f5 },   // full mix
            { 0xff6fd8ee, 0xff2b8fab, 0xffd8f5fc },   // alternative mix
        }};
        return table;
    }

    // Values outside the enumeration fall back to the stem entry.
    size_t tableIndex (FileKind kind)
    {
        switch (kind)
        {
            case FileKind::fullMix:        return 1;
            case FileKind::alternativeMix: return 2;
            case FileKind::stem:
            default:                       return 0;
        }
    }
}

juce::String fileKindText (FileKind kind)
{
    switch (kind)
    {
        case FileKind::fullMix:        return "full mix";
        case FileKind::alternativeMix: return "alternative mix";
        case FileKind::stem:
        default:                       return "stem";
    }
}

WaveColours fileKindColours (FileKind kind)
{
    return colourTable()[tableIndex (kind)];
}

void setFileKindColours (FileKind kind, const WaveColours& colours)
{
    colourTable()[tableIndex (kind)] = colours;
}

} // namespace korvid
