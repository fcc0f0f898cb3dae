#pragma once

#include "core/audio/CancelTest.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

namespace korvid
{

/** A windowed-sinc polyphase filter table for one sample-rate conversion, shared by every
    channel of it. Kaiser window, linear interpolation between neighbouring phases. */
struct Resampler
{
    Resampler (double inputRate, double outputRate, int halfTapCount, int phaseCount);

    /** Converts one channel. Output sample 0 sits on input sample 0; the signal is taken as
        silent beyond both ends of the input. `output[0]` is output sample `firstOutput` of
        the whole conversion, so a long one can be made a piece at a time, each sample the
        same. Gives false, with the output only partly written, when the cancel test
        stopped it. */
    bool process (const double* input, int numInput, double* output, int numOutput,
                  const CancelTest& shouldCancel = {}, int firstOutput = 0) const;

    double ratio = 1.0;         // output rate / input rate
    int halfTaps = 32;          // taps on each side of the centre
    int phases = 1024;          // fractional positions in the table
    int taps = 64;              // 2 x halfTaps, one table row
    std::vector<double> table;  // (phases + 1) rows of taps coefficients, row-major
};

/** The resampler every conversion of the system uses between these two rates. */
Resampler makeAudioResampler (double inputRate, double outputRate);

/** The modified Bessel function of the first kind of order 0. */
double besselI0 (double x);

/** Frames a conversion of `inputFrames` from `inputRate` to `outputRate` produces
    (0 for no frames or a rate that is not above 0). */
juce::int64 resampledLength (juce::int64 inputFrames, double inputRate, double outputRate);

/** Converts a whole buffer to another rate. Rates within 0.5 Hz of each other give a copy.
    Gives an empty buffer (no channels) for a rate that is not above 0, an input without
    channels, a result that cannot be held in one buffer or within the memory budget,
    and when the cancel test stopped the conversion. */
juce::AudioBuffer<double> resampleBuffer (const juce::AudioBuffer<double>& input,
                                          double inputRate, double outputRate,
                                          const CancelTest& shouldCancel = {});

/** The same conversion into `output`, whose memory is used again when it is large enough.
    Gives false in the cases where resampleBuffer gives an empty buffer; the output's
    content is then unspecified. */
bool resampleBufferInto (const juce::AudioBuffer<double>& input, double inputRate, double outputRate,
                         juce::AudioBuffer<double>& output, const CancelTest& shouldCancel = {});

} // namespace korvid
