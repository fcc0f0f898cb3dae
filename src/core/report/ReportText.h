#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

// What the reports print as their maker and version.
const juce::String& reportProductName();   // "Velvane"
const juce::String& reportVersion();       // "0.95.0"

// A linear peak in dB (20 log10 x), never below -400; any x <= 0 is -400.
double linearPeakToDb (double linear);

// Fixed notation with exactly that many digits after the point.
juce::String formatFixed (double value, int decimals);

// A level with two decimals, or "-inf" at or below -399 dB.
juce::String formatLevelDb (double db);

// "8 Dec 2026 5:15:41pm": day, English month, year, 12-hour clock.
juce::String reportDateTimeText (const juce::Time& time);

// "m:ss" of the whole seconds of frames / rate; "0:00" when the rate is not positive.
juce::String formatReportLength (juce::int64 frames, double sampleRate);

} // namespace korvid
