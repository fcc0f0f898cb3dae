#include "core/codec/Dither.h"

#include "core/codec/Rounding.h"
#include "core/platform/ThreadRandom.h"

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
            // Encoders on several threads seed at once: each draws from its own thread's source.
            generators[(size_t) i].setSeed ((juce::int64) randomBits());
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

namespace
{
    // The framework generator's own step, taken inline so the per-sample loop keeps its
    // state in registers; the sequence is the generator's next-double sequence exactly.
    inline double nextUniform (std::uint64_t& seed)
    {
        seed = (seed * 0x5deece66dull + 11) & 0xffffffffffffull;
        return (double) (std::uint32_t) (seed >> 16) * (1.0 / 4294967296.0);
    }
} // namespace

Ditherer::ChannelState Ditherer::loadChannel (int c) const
{
    const auto i = (size_t) c;
    return { (std::uint64_t) generators[i].getSeed(), errorPrev[i], errorPrev2[i], fadeGain[i], zeroRun[i] };
}

void Ditherer::storeChannel (int c, const ChannelState& state)
{
    const auto i = (size_t) c;
    generators[i].setSeed ((juce::int64) state.seed);
    errorPrev[i] = state.errorPrev;
    errorPrev2[i] = state.errorPrev2;
    fadeGain[i] = state.fadeGain;
    zeroRun[i] = state.zeroRun;
}

void Ditherer::process (double* const* channels, int numChannels, int numSamples)
{
    if (channels == nullptr)
        return;

    const bool shaped = mode == Dither::tpdfShaped || mode == Dither::tpdfShapedContinuous;
    const int count = juce::jmin (numChannels, maxChannels);
    int c = 0;

    if (shaped && lsb > 0.0 && numSamples > 0)
    {
        for (; c + 1 < count && channels[c] != nullptr && channels[c + 1] != nullptr; c += 2)
            processShapedPair (channels[c], channels[c + 1], numSamples, c, mode == Dither::tpdfShaped);
    }

    for (; c < count; ++c)
        process (channels[c], numSamples, c);
}

double Ditherer::toGrid (double value) const
{
    // lsb is a power of two, so scaling by its inverse is exact, as a division would be.
    return roundHalfAwayFromZero (value * (1.0 / lsb)) * lsb;
}

bool Ditherer::enterSilence (double* x, int index, int& run, double& fadeGain, bool onGrid) const
{
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

        fadeGain = 0.0;
    }

    x[index] = 0.0;
    return true;
}

inline bool Ditherer::takenBySilence (double* x, int i, int& zeroRun, double& fadeGain, bool detectSilence,
                                      bool onGrid) const
{
    if (! detectSilence || x[i] != 0.0)
    {
        zeroRun = 0;
        return false;
    }

    // Copies, so the loops' own state never has its address taken.
    int run = zeroRun;
    double gain = fadeGain;
    const bool silent = enterSilence (x, i, run, gain, onGrid);
    zeroRun = run;
    fadeGain = gain;
    return silent;
}

// The loops keep the channel's state in locals: the samples are doubles too, so writing
// them through the pointer would otherwise turn every state field into a memory round trip.
void Ditherer::processPlain (double* x, int n, int c, bool detectSilence)
{
    auto state = loadChannel (c);
    const double step = lsb;

    for (int i = 0; i < n; ++i)
    {
        if (takenBySilence (x, i, state.zeroRun, state.fadeGain, detectSilence, false))
            continue;

        state.fadeGain = std::min (state.fadeGain + 1.0 / fadeLength, 1.0);
        const double a = nextUniform (state.seed);
        const double b = nextUniform (state.seed);
        x[i] += (a - b) * step * state.fadeGain;
    }

    storeChannel (c, state);
}

// The shaped loop counts in steps of lsb. lsb is a power of two, so scaling by it or its
// inverse is exact and every sum, product and rounding gives the scaled value of the same
// operation done in full-scale units; the scaled errors keep two multiplications off the
// chain that links one sample to the next.
Ditherer::ShapedState Ditherer::loadShaped (int c) const
{
    const auto state = loadChannel (c);
    const double inverseStep = 1.0 / lsb;
    return { state.seed, state.errorPrev * inverseStep, state.errorPrev2 * inverseStep, state.fadeGain, state.zeroRun };
}

void Ditherer::storeShaped (int c, const ShapedState& state)
{
    storeChannel (c, { state.seed, state.errorOne * lsb, state.errorTwo * lsb, state.fadeGain, state.zeroRun });
}

inline void Ditherer::shapedSample (ShapedState& state, double* x, int i, bool detectSilence) const
{
    const double step = lsb;
    const double inverseStep = 1.0 / lsb;

    if (takenBySilence (x, i, state.zeroRun, state.fadeGain, detectSilence, true))
    {
        state.errorOne = 0.0;
        state.errorTwo = 0.0;
        return;
    }

    state.fadeGain = std::min (state.fadeGain + 1.0 / fadeLength, 1.0);

    // noise = (a - b) x lsb x fadeGain; shaped = x - (1.5 e1 - 0.5 e2);
    // q = round ((shaped + noise) / lsb) x lsb; e1 = q - shaped.
    const double a = nextUniform (state.seed);
    const double b = nextUniform (state.seed);
    const double noise = (a - b) * state.fadeGain;
    const double sample = x[i];
    const double shaped = sample * inverseStep - (1.5 * state.errorOne - 0.5 * state.errorTwo);
    const double whole = roundHalfAwayFromZero (shaped + noise);
    state.errorTwo = state.errorOne;
    state.errorOne = whole - shaped;

    // A non-finite sample must not feed back into every sample after it. Only an absurd
    // input can make the error non-finite, so the test stays off that chain.
    if (! (std::abs (sample) < 1.0e250)) [[unlikely]]
    {
        if (! std::isfinite (state.errorOne))
            state.errorOne = 0.0;
    }

    x[i] = whole * step;
}

void Ditherer::processShaped (double* x, int n, int c, bool detectSilence)
{
    auto state = loadShaped (c);

    for (int i = 0; i < n; ++i)
        shapedSample (state, x, i, detectSilence);

    storeShaped (c, state);
}

void Ditherer::processShapedPair (double* first, double* second, int n, int c, bool detectSilence)
{
    // Each sample waits for the error of the one before it; two independent channels in
    // one loop let the processor work on both chains at once.
    auto stateOne = loadShaped (c);
    auto stateTwo = loadShaped (c + 1);

    for (int i = 0; i < n; ++i)
    {
        shapedSample (stateOne, first, i, detectSilence);
        shapedSample (stateTwo, second, i, detectSilence);
    }

    storeShaped (c, stateOne);
    storeShaped (c + 1, stateTwo);
}

bool appliesDither (Dither dither, SampleFormat format)
{
    return dither != Dither::none && format != SampleFormat::float32;
}

} // namespace korvid
