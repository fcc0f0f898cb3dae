#include "core/report/ReportText.h"

#include <algorithm>
#include <cmath>

namespace korvid
{

const juce::String& reportProductName()
{
    static const juce::String name ("Velvane");
    return name;
}

const juce::String& reportVersion()
{
    static const juce::String version ("0.95.0");
    return version;
}

double linearPeakToDb (double linear)
{
    if (! (linear > 0.0))
        return -400.0;

    return std::max (-400.0, 20.0 * std::log10 (linear));
}

juce::String formatFixed (double value, int decimals)
{
    return juce::String (value, decimals);
}

juce::String formatLevelDb (double db)
{
    if (db <= -399.0)
        return "-inf";

    return formatFixed (db, 2);
}

juce::String reportDateTimeText (const juce::Time& time)
{
    return juce::String (time.getDayOfMonth())
         + " " + juce::Time::getMonthName (time.getMonth(), true)
         + " " + juce::String (time.getYear())
         + " " + juce::String (time.getHoursInAmPmFormat())
         + ":" + juce::String (time.getMinutes()).paddedLeft ('0', 2)
         + ":" + juce::String (time.getSeconds()).paddedLeft ('0', 2)
         + (time.isAfternoon() ? "pm" : "am");
}

juce::String formatReportLength (juce::int64 frames, double sampleRate)
{
    const double seconds = sampleRate > 0.0 ? (double) frames / sampleRate : 0.0;

    if (! (seconds > 0.0))
        return "0:00";

    // Capped so that absurd rates cannot overflow the conversion.
    const auto whole = (juce::int64) std::min (seconds, 9.0e18);
    return juce::String (whole / 60) + ":" + juce::String (whole % 60).paddedLeft ('0', 2);
}

} // namespace korvid
