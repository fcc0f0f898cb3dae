#include "core/model/DirectionControls.h"

namespace korvid
{

bool isDirectionControl (juce::juce_wchar c)
{
    return c == 0x200e || c == 0x200f || c == 0x061c
        || (c >= 0x202a && c <= 0x202e)
        || (c >= 0x2066 && c <= 0x2069);
}

juce::String withoutDirectionControls (const juce::String& text)
{
    juce::String result;
    result.preallocateBytes (text.getNumBytesAsUTF8());

    for (auto p = text.getCharPointer(); ! p.isEmpty(); ++p)
        if (! isDirectionControl (*p))
            result += juce::String::charToString (*p);

    return result;
}

} // namespace korvid
