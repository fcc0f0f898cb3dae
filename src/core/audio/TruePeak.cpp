#include "core/audio/TruePeak.h"

#include <algorithm>
#include <cmath>

namespace korvid
{

namespace
{
    constexpr int centreTap = 11;
    constexpr int blockFrames = 16384;

    struct SharedBanks
    {
        TruePeakBank x2 = makeTruePeakBank (2);
        TruePeakBank x4 = makeTruePeakBank (4);
        TruePeakBank x8 = makeTruePeakBank (8);
    };

    // Built once, on the first measurement, then only read (from any thread).
    const SharedBanks& sharedBanks()
    {
        static const SharedBanks banks;
        return banks;
    }

    double blackmanHarris (double theta)
    {
        return 0.35875 - 0.48829 * std::cos (theta) + 0.14128 * std::cos (2.0 * theta) - 0.01168 * std::cos (3.0 * theta);
    }
} // namespace

TruePeakBank makeTruePeakBank (int factor)
{
    TruePeakBank bank;
    bank.factor = factor;
    const double pi = juce::MathConstants<double>::pi;

    for (int i = 1; i < factor; ++i)
    {
        std::array<double, truePeakTaps> row {};
        double sum = 0.0;

        for (int k = 0; k < truePeakTaps; ++k)
        {
            const double t = (double) i / (double) factor - (double) (k - centreTap);
            const double sinc = std::abs (t) < 1e-12 ? 1.0 : std::sin (pi * t) / (pi * t);
            const double theta = (t / (double) truePeakTaps + 0.5) * 2.0 * pi;
            row[(size_t) k] = sinc * blackmanHarris (theta);
            sum += row[(size_t) k];
        }

        for (auto& h : row)
            h /= sum;

        bank.rows.push_back (row);
    }

    return bank;
}

int truePeakFactor (int oversampling)
{
    if (oversampling <= 2)
        return 2;
    if (oversampling <= 4)
        return 4;
    return 8;
}

double truePeakOfChannel (const double* x,
                          int n,
                          int oversampling,
                          const CancelTest& shouldCancel)
{
    if (x == nullptr || n < 1)
        return 0.0;

    double peak = 0.0;
    for (int m = 0; m < n; ++m)
        peak = std::max (peak, std::abs (x[m]));

    if (! (peak > 0.0))
        return 0.0;

    const auto& banks = sharedBanks();
    const int factor = truePeakFactor (oversampling);
    const TruePeakBank& bank = factor == 2 ? banks.x2 : (factor == 4 ? banks.x4 : banks.x8);

    const double half = peak * 0.5;
    double result = peak;

    // Frames whose whole window lies inside the channel read it without index tests.
    const int fastFirst = centreTap;
    const int fastLast = n - (truePeakTaps - centreTap);   // m + 12 <= n - 1

    for (int m = 0; m < n; ++m)
    {
        if (m % blockFrames == 0 && m > 0 && isCancelled (shouldCancel))
            break;

        const double next = m + 1 < n ? std::abs (x[m + 1]) : 0.0;
        if (std::abs (x[m]) < half && next < half)
            continue;

        if (m >= fastFirst && m <= fastLast)
        {
            const double* window = x + (m - centreTap);
            for (const auto& h : bank.rows)
            {
                double v = 0.0;
                for (int k = 0; k < truePeakTaps; ++k)
                    v += h[(size_t) k] * window[k];
                result = std::max (result, std::abs (v));
            }
        }
        else
        {
            for (const auto& h : bank.rows)
            {
                double v = 0.0;
                for (int k = 0; k < truePeakTaps; ++k)
                {
                    const int index = m - centreTap + k;
                    if (index >= 0 && index < n)
                        v += h[(size_t) k] * x[index];
                }
                result = std::max (result, std::abs (v));
            }
        }
    }

    return result;
}

} // namespace korvid
