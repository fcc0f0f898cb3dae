#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

// The nine characters no file or folder name may hold: < > : " / \ | ? *
const juce::String& illegalFileNameCharacters();

// True when the path is the folder itself or lies below it. A text test on the
// two full paths; letter case counts where the file system says it does, and a
// path holding a ".." part is never inside.
bool isWithinFolder (const juce::File& folder, const juce::File& path);

// The full path has at most 240 characters.
constexpr int maxPathLength = 240;
bool isPathLengthAllowed (const juce::File& file);

// The folder a delivery goes to: set, absolute, not the root of a volume and not
// a file. A missing folder is created. On failure the error holds one sentence.
bool checkOutputFolder (const juce::File& folder, juce::String& error);

} // namespace korvid
