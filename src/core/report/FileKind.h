#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>

namespace korvid
{

// What a written file holds.
enum class FileKind : int { stem, fullMix, alternativeMix };

// "stem", "full mix", "alternative mix".
juce::String fileKindText (FileKind kind);

// The colours a file's waveform is drawn with, as 32-bit ARGB.
struct WaveColours
{
    std::uint32_t top = 0;      // gradient top
    std::uint32_t bottom = 0;   // gradient bottom
    std::uint32_t stroke = 0;   // outline
};

// The process-wide table of wave colours. Kind 1 is the full mix, kind 2 the
// alternative mix and every other value the stem. Message thread only.
WaveColours fileKindColours (FileKind kind);
void setFileKindColours (FileKind kind, const WaveColours& colours);

} // namespace korvid
