#include "core/codec/Dither.h"

#include <algorithm>
#include <cmath>

namespace korvid
{

namespace
{
    // A run of this many exact zeros switches the dither off.
    constexpr int silenceRunLength = 1024;
    // Fades of the dither level, in samples.
    constexpr double fadeLength = 256.0;

    std::int64_t drawSystemSeed()
    {
        // The framework's system generator is one shared object; encodes on
        // several threads may seed at once.
        static juce::SpinLock lock;
        const juce::SpinLock::ScopedLockType scoped (lock);
        return juce::Random::getSystemRandom().nextInt64();
    }
} // namespace

Ditherer::Ditherer (Dither ditherMode, int bits, std::uint64_t seed)
    : mode (ditherMode)
{
    if (bits >= 2 && bits <= 32)
        lsb = std::ldexp (1.0, -(bits - 1));

    for (int i = 0; i < maxChannels; ++i)
    {
        if (seed != 0)
        {
            const std::uint64_t mixed = seed * 2654435769ull + static_cast<std::uint64_t> (i) * 2654435761ull;
            generators[(size_t) i].setSeed (static_cast<juce::int64> (mixed));
        }
        else
        {
            generators[(size_t) i].setSeed (drawSystemSeed());
        }
    }

    fadeGain.fill (1.0);
}

void Ditherer::process (double* samples, int numSamples, int channel)
{
    if (mode == Dither::none || ! (lsb > 0.0) || samples == nullptr || numSamples <= 0)
        return;

    const int c = juce::jlimit (0, maxChannels - 1, channel);

    switch (mode)
    {
        case Dither::tpdf:                 processPlain (samples, numSamples, c, true); break;
        case Dither::tpdfContinuous:       processPlain (samples, numSamples, c, false); break;
        case Dither::tpdfShaped:           processShaped (samples, numSamples, c, true); break;
        case Dither::tpdfShapedContinuous: processShaped (samples, numSamples, c, false); break;
        case Dither::none:
        default: break;
    }
}

double Ditherer::nextNoise (int c)
{
    auto& random = generators[(size_t) c];
    const double a = random.nextDouble();
    const double b = random.nextDouble();
    return (a - b) * lsb * fadeGain[(size_t) c];
}

double Ditherer::toGrid (double value) const
{
    return std::round (value / lsb) * lsb;   // std::round takes halves away from zero
}

bool Ditherer::enterSilence (double* x, int index, int c, bool onGrid)
{
    auto& run = zeroRun[(size_t) c];
    if (run <= silenceRunLength)
        ++run;   // saturates just past the threshold; only "at" and "past" matter

    if (run < silenceRunLength)
        return false;

    if (run == silenceRunLength)
    {
        // Fade out the dither already put on the zeros of this run. Only the
        // samples of this call can still be changed.
        const int reach = std::min (silenceRunLength, index);
        for (int j = 1; j <= reach; ++j)
        {
            const double factor = 1.0 - (double) (silenceRunLength - j) / fadeLength;
            double& sample = x[index - j];

            if (factor <= 0.0)
                sample = 0.0;
            else if (factor < 1.0)
                sample = onGrid ? toGrid (sample * factor) : sample * factor;
        }

        fadeGain[(size_t) c] = 0.0;
    }

    x[index] = 0.0;
    return true;
}

void Ditherer::processPlain (double* x, int n, int c, bool detectSilence)
{
    for (int i = 0; i < n; ++i)
    {
        if (detectSilence && x[i] == 0.0)
        {
            if (enterSilence (x, i, c, false))
                continue;
        }
        else
        {
            zeroRun[(size_t) c] = 0;
        }

        auto& gain = fadeGain[(size_t) c];
        gain = std::min (gain + 1.0 / fadeLength, 1.0);
        x[i] += nextNoise (c);
    }
}

void Ditherer::processShaped (double* x, int n, int c, bool detectSilence)
{
    auto& e1 = errorPrev[(size_t) c];
    auto& e2 = errorPrev2[(size_t) c];

    for (int i = 0; i < n; ++i)
    {
        if (detectSilence && x[i] == 0.0)
        {
            if (enterSilence (x, i, c, true))
            {
                e1 = 0.0;
                e2 = 0.0;
                continue;
            }
        }
        else
        {
            zeroRun[(size_t) c] = 0;
        }

        auto& gain = fadeGain[(size_t) c];
        gain = std::min (gain + 1.0 / fadeLength, 1.0);

        const double shaped = x[i] - (1.5 * e1 - 0.5 * e2);
        const double q = toGrid (shaped + nextNoise (c));
        e2 = e1;
        e1 = q - shaped;
        // A non-finite sample must not feed back into every sample after it.
        if (! std::isfinite (e1))
            e1 = 0.0;
        x[i] = q;
    }
}

bool appliesDither (Dither dither, SampleFormat format)
{
    return dither != Dither::none && format != SampleFormat::float32;
}

} // namespace korvid
