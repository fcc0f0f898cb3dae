#include "core/audio/Resampler.h"

#include "core/audio/AudioLimits.h"
#include "core/audio/AudioMemoryBudget.h"

#include <algorithm>
#include <cstring>
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

namespace
{
/** Where one output sample reads: the first input index, the table row and the fraction
    between that row and the next. */
struct TapPosition
{
    juce::int64 first = 0;
    int phase = 0;
    double fraction = 0.0;
};

TapPosition positionOf (int outputIndex, double step, int phases, int halfTaps)
{
    const double position = (double) outputIndex * step;
    const double baseFloor = std::floor (position);
    const double f = (position - baseFloor) * (double) phases;
    const int p = juce::jlimit (0, phases - 1, (int) f);
    return { (juce::int64) baseFloor - halfTaps + 1, p, f - (double) p };
}

// Interpolating the two rows' results instead of every coefficient is the same sum with
// half the work. Each row keeps two running sums, one over the even and one over the odd
// taps (taps is always even), so the adds do not wait on each other.
double interiorSample (const double* in, const double* row0, const double* row1, int taps, double fraction)
{
    double lowA = 0.0, lowB = 0.0, highA = 0.0, highB = 0.0;

    for (int k = 0; k < taps; k += 2)
    {
        lowA += row0[k] * in[k];
        lowB += row0[k + 1] * in[k + 1];
        highA += row1[k] * in[k];
        highB += row1[k + 1] * in[k + 1];
    }

    const double low = lowA + lowB;
    return low + ((highA + highB) - low) * fraction;
}

#if defined(__GNUC__) || defined(__clang__)
using DoublePair = double __attribute__ ((vector_size (16)));

inline DoublePair loadPair (const double* source)
{
    DoublePair pair;
    std::memcpy (&pair, source, sizeof (pair));
    return pair;
}

// Two output samples at once, each lane doing exactly the even or the odd sums of
// interiorSample: the same values, computed two at a time and on twice the chains.
void interiorSamplePair (const double* inOne, const double* rowOne0, const double* rowOne1, double fractionOne,
                         const double* inTwo, const double* rowTwo0, const double* rowTwo1, double fractionTwo,
                         int taps, double* out)
{
    DoublePair lowOne {}, highOne {}, lowTwo {}, highTwo {};

    for (int k = 0; k < taps; k += 2)
    {
        const auto xOne = loadPair (inOne + k);
        const auto xTwo = loadPair (inTwo + k);
        lowOne += loadPair (rowOne0 + k) * xOne;
        highOne += loadPair (rowOne1 + k) * xOne;
        lowTwo += loadPair (rowTwo0 + k) * xTwo;
        highTwo += loadPair (rowTwo1 + k) * xTwo;
    }

    const double low1 = lowOne[0] + lowOne[1];
    const double low2 = lowTwo[0] + lowTwo[1];
    out[0] = low1 + ((highOne[0] + highOne[1]) - low1) * fractionOne;
    out[1] = low2 + ((highTwo[0] + highTwo[1]) - low2) * fractionTwo;
}
#endif
} // namespace

Resampler makeAudioResampler (double inputRate, double outputRate)
{
    return Resampler (inputRate, outputRate, systemHalfTaps, systemPhases);
}

bool Resampler::process (const double* input, int numInput, double* output, int numOutput,
                         const CancelTest& shouldCancel, int firstOutput) const
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
    const auto rowOf = [rows, this] (int phase) { return rows + (size_t) phase * (size_t) taps; };
    const auto isInterior = [this, numInput] (const TapPosition& at) { return at.first >= 0 && at.first + taps <= numInput; };

    for (int chunkStart = 0; chunkStart < numOutput; chunkStart += outputSamplesPerCancelTest)
    {
        if (isCancelled (shouldCancel))
            return false;

        const int chunkEnd = std::min (numOutput, chunkStart + outputSamplesPerCancelTest);

        for (int i = chunkStart; i < chunkEnd;)
        {
            const auto at = positionOf (firstOutput + i, step, phases, halfTaps);
            const double* row0 = rowOf (at.phase);

#if defined(__GNUC__) || defined(__clang__)
            if (i + 1 < chunkEnd && isInterior (at))
            {
                const auto next = positionOf (firstOutput + i + 1, step, phases, halfTaps);

                if (isInterior (next))
                {
                    const double* nextRow0 = rowOf (next.phase);
                    interiorSamplePair (input + at.first, row0, row0 + taps, at.fraction,
                                        input + next.first, nextRow0, nextRow0 + taps, next.fraction,
                                        taps, output + i);
                    i += 2;
                    continue;
                }
            }
#endif

            if (isInterior (at))
            {
                output[i] = interiorSample (input + at.first, row0, row0 + taps, taps, at.fraction);
            }
            else
            {
                // Near the ends: the signal is taken as silent outside the input.
                const double* row1 = row0 + taps;
                double low = 0.0, high = 0.0;

                for (int k = 0; k < taps; ++k)
                {
                    const juce::int64 index = at.first + k;

                    if (index < 0 || index >= numInput)
                        continue;

                    low += row0[k] * input[index];
                    high += row1[k] * input[index];
                }

                output[i] = low + (high - low) * at.fraction;
            }

            ++i;
        }
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
    juce::AudioBuffer<double> output;

    if (! resampleBufferInto (input, inputRate, outputRate, output, shouldCancel))
        return {};

    return output;
}

bool resampleBufferInto (const juce::AudioBuffer<double>& input, double inputRate, double outputRate,
                         juce::AudioBuffer<double>& output, const CancelTest& shouldCancel)
{
    const int numChannels = input.getNumChannels();
    const int numInput = input.getNumSamples();

    if (! (inputRate > 0.0) || ! (outputRate > 0.0) || numChannels <= 0)
        return false;

    juce::String budgetError;

    if (std::abs (inputRate - outputRate) < 0.5)
    {
        if (! checkAudioMemoryBudget (audioBufferBytes (numChannels, numInput, (int) sizeof (double)), budgetError))
            return false;

        output.makeCopyOf (input, true);
        return true;
    }

    const auto resampler = makeAudioResampler (inputRate, outputRate);
    const juce::int64 length = resampledLength (numInput, inputRate, outputRate);

    if (length > maxBufferFrames
        || ! checkAudioMemoryBudget (audioBufferBytes (numChannels, length, (int) sizeof (double)), budgetError))
        return false;

    // Every sample is written below; memory the buffer already has is used again.
    output.setSize (numChannels, (int) length, false, false, true);

    for (int channel = 0; channel < numChannels; ++channel)
        if (! resampler.process (input.getReadPointer (channel), numInput,
                                 output.getWritePointer (channel), (int) length, shouldCancel))
            return false;

    return true;
}

} // namespace korvid
