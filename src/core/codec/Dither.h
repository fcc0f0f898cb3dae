#pragma once

#include "core/model/Types.h"

#include <juce_core/juce_core.h>

#include <array>
#include <cstdint>

namespace korvid
{

// Dither state for one file being written at a shorter word length than its
// double samples. Triangular noise of one quantisation step, optionally shaped
// by error feedback; in tpdf and tpdfShaped the dither stops during digital
// silence so silent stretches are written as exact zeros. Keeps independent
// state for up to 64 channels across the blocks of one encode call.
class Ditherer
{
public:
    static constexpr int maxChannels = 64;

    // bits outside 2..32 disable the dither (process changes nothing).
    // seed 0 draws fresh seeds, so the noise differs from run to run.
    Ditherer (Dither mode, int bits, std::uint64_t seed);

    // Dithers one channel's samples in place. The channel index is clamped to 0..63.
    // Plain modes add the noise only (the encoder rounds); shaped modes leave every
    // value on the grid of the word length.
    void process (double* samples, int numSamples, int channel);

    // The same for channels 0..numChannels - 1 of one block (at most 64), with the same
    // result as one call per channel; the shaped modes work on two channels at a time.
    void process (double* const* channels, int numChannels, int numSamples);

private:
    // One channel's state, copied out of the arrays for the length of one call.
    struct ChannelState
    {
        std::uint64_t seed;
        double errorPrev;
        double errorPrev2;
        double fadeGain;
        int zeroRun;
    };

    // The shaped loop's copy, with the errors counted in steps of lsb.
    struct ShapedState
    {
        std::uint64_t seed;
        double errorOne;
        double errorTwo;
        double fadeGain;
        int zeroRun;
    };

    ChannelState loadChannel (int c) const;
    void storeChannel (int c, const ChannelState& state);
    void processPlain (double* x, int n, int c, bool detectSilence);
    void processShaped (double* x, int n, int c, bool detectSilence);
    void processShapedPair (double* first, double* second, int n, int c, bool detectSilence);
    ShapedState loadShaped (int c) const;
    void storeShaped (int c, const ShapedState& state);
    void shapedSample (ShapedState& state, double* x, int i, bool detectSilence) const;
    double toGrid (double value) const;
    // Returns true when the sample must be written as an exact zero; fades the
    // samples of this call before the 1024th zero of a run.
    bool enterSilence (double* x, int index, int& zeroRun, double& fadeGain, bool onGrid) const;
    // Runs the silence detection for one sample; true when it was written as an exact zero.
    bool takenBySilence (double* x, int i, int& zeroRun, double& fadeGain, bool detectSilence, bool onGrid) const;

    Dither mode;
    double lsb = 0.0;
    std::array<juce::Random, maxChannels> generators;
    std::array<double, maxChannels> errorPrev {};
    std::array<double, maxChannels> errorPrev2 {};
    std::array<int, maxChannels> zeroRun {};
    std::array<double, maxChannels> fadeGain {};
};

// True when the dither is not none and the format is an integer one.
bool appliesDither (Dither dither, SampleFormat format);

} // namespace korvid
