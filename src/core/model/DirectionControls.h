#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

// The invisible characters that steer the direction of the text around them:
// the marks U+200E, U+200F and U+061C, the embeddings and overrides U+202A to
// U+202E and the isolates U+2066 to U+2069. One of them in a name can make the
// text after it read backwards, so "x<U+202E>vaw.exe" shows as "xexe.wav".
bool isDirectionControl (juce::juce_wchar c);

// The text without any of them.
juce::String withoutDirectionControls (const juce::String& text);

} // namespace korvid
