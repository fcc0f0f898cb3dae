#include "core/audio/Resampler.h"

#include "core/audio/AudioLimits.h"
#include "core/audio/AudioMemoryBudget.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvid
{

namespace
{
constexpr double kaiserBeta = 12.0;
constexpr double cutoffFraction = 0.95;
constexpr int systemHalfTaps = 32;
constexpr int systemPhases = 1024;
constexpr int outputSamplesPerCancelTest = 16384;

double sinc (double y)
{
    if (std::abs (y) < 1e-12)
        return 1.0;

    const double piY = juce::MathConstants<double>::pi * y;
    return std::sin (piY) / piY;
}
} // namespace

double besselI0 (double x)
{
    const double y = x / 2.0;
    double sum = 1.0;
    double term = 1.0;

    for (int k = 1; k <= 63; ++k)
    {
        const double factor = y / (double) k;
        term *= factor * factor;
        sum += term;

        if (term < sum * 1e-18)
            break;
    }

    return sum;
}

Resampler::Resampler (double inputRate, double outputRate, int halfTapCount, int phaseCount)
{
    jassert (inputRate > 0.0 && outputRate > 0.0);

    ratio = outputRate / inputRate;
    halfTaps = juce::jlimit (2, 256, halfTapCount);
    phases = juce::jlimit (16, 8192, phaseCount);
    taps = 2 * halfTaps;
    table.assign ((size_t) (phases + 1) * (size_t) taps, 0.0);

    // Going down, the cut-off follows the output's Nyquist frequency so nothing folds back.
    const double fc = std::min (ratio, 1.0) * 0.5 * cutoffFraction;
    const double windowReference = besselI0 (kaiserBeta);

    for (int p = 0; p <= phases; ++p)
    {
        double* row = table.data() + (size_t) p * (size_t) taps;
        double rowSum = 0.0;

        for (int k = 0; k < taps; ++k)
        {
            const double x = (double) (k - halfTaps + 1) - (double) p / (double) phases;
            const double m = x / (double) halfTaps;

            if (std::abs (m) < 1.0)
            {
                const double window = besselI0 (kaiserBeta * std::sqrt (1.0 - m * m)) / windowReference;
                row[k] = 2.0 * fc * sinc (2.0 * fc * x) * window;
            }

            rowSum += row[k];
        }

        // Every phase passes a constant signal at unity gain.
        if (std::abs (rowSum) > 1e-12)
            for (int k = 0; k < taps; ++k)
                row[k] /= rowSum;
    }
}

bool Resampler::process (const double* input, int numInput, double* output, int numOutput,
                         const CancelTest& shouldCancel) const
{
    if (output == nullptr || numOutput <= 0)
        return true;

    if (input == nullptr || numInput <= 0)
    {
        std::fill (output, output + numOutput, 0.0);
        return true;
    }

    const double step = 1.0 / ratio;
    const double* rows = table.data();

    for (int i = 0; i < numOutput; ++i)
    {
        if (i % outputSamplesPerCancelTest == 0 && isCancelled (shouldCancel))
            return false;

        const double position = (double) i * step;
        const double baseFloor = std::floor (position);
        const auto base = (juce::int64) baseFloor;
        const double f = (position - baseFloor) * (double) phases;
        const int p = juce::jlimit (0, phases - 1, (int) f);
        const double a = f - (double) p;

        const double* row0 = rows + (size_t) p * (size_t) taps;
        const double* row1 = row0 + taps;
        const juce::int64 first = base - halfTaps + 1;
        double sum = 0.0;

        if (first >= 0 && first + taps <= numInput)
        {
            // Interpolating the two rows' results instead of every coefficient is the same sum
            // with half the work; two running sums per row keep the adds from waiting on each
            // other (taps is always even).
            const double* in = input + first;
            double lowA = 0.0, lowB = 0.0, highA = 0.0, highB = 0.0;

            for (int k = 0; k < taps; k += 2)
            {
                lowA += row0[k] * in[k];
                lowB += row0[k + 1] * in[k + 1];
                highA += row1[k] * in[k];
                highB += row1[k + 1] * in[k + 1];
            }

            const double low = lowA + lowB;
            sum = low + ((highA + highB) - low) * a;
        }
        else
        {
            // Near the ends: the signal is taken as silent outside the input.
            double low = 0.0, high = 0.0;

            for (int k = 0; k < taps; ++k)
            {
                const juce::int64 index = first + k;

                if (index < 0 || index >= numInput)
                    continue;

                low += row0[k] * input[index];
                high += row1[k] * input[index];
            }

            sum = low + (high - low) * a;
        }

        output[i] = sum;
    }

    return true;
}

juce::int64 resampledLength (juce::int64 inputFrames, double inputRate, double outputRate)
{
    if (inputFrames <= 0 || ! (inputRate > 0.0) || ! (outputRate > 0.0))
        return 0;

    const double e = (double) inputFrames * (outputRate / inputRate);

    // The small subtraction keeps an exact product from being pushed up by rounding error.
    const double length = std::ceil (e - std::abs (e) * 1e-12);

    if (length >= 9.0e18)
        return std::numeric_limits<juce::int64>::max();

    return (juce::int64) length;
}

juce::AudioBuffer<double> resampleBuffer (const juce::AudioBuffer<double>& input,
                                          double inputRate, double outputRate,
                                          const CancelTest& shouldCancel)
{
    const int numChannels = input.getNumChannels();
    const int numInput = input.getNumSamples();

    if (! (inputRate > 0.0) || ! (outputRate > 0.0) || numChannels <= 0)
        return {};

    juce::String budgetError;

    if (std::abs (inputRate - outputRate) < 0.5)
    {
        if (! checkAudioMemoryBudget (audioBufferBytes (numChannels, numInput, (int) sizeof (double)), budgetError))
            return {};

        return input;
    }

    const Resampler resampler (inputRate, outputRate, systemHalfTaps, systemPhases);
    const juce::int64 length = resampledLength (numInput, inputRate, outputRate);

    if (length > maxBufferFrames
        || ! checkAudioMemoryBudget (audioBufferBytes (numChannels, length, (int) sizeof (double)), budgetError))
        return {};

    juce::AudioBuffer<double> output (numChannels, (int) length);
    output.clear();

    for (int channel = 0; channel < numChannels; ++channel)
        if (! resampler.process (input.getReadPointer (channel), numInput,
                                 output.getWritePointer (channel), (int) length, shouldCancel))
            return {};

    return output;
}

} // namespace korvid
