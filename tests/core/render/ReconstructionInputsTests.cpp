#include "core/render/ReconstructionInputs.h"

#include <gtest/gtest.h>

namespace korvid
{
namespace
{

OutputFormat format (Codec codec, SampleFormat sampleFormat, Dither dither, double rate = 0.0, bool enabled = true)
{
    OutputFormat f;
    f.codec = codec;
    f.sampleFormat = sampleFormat;
    f.dither = dither;
    f.sampleRate = rate;
    f.enabled = enabled;
    return f;
}

TEST (ReconstructionInputs, TheFirstLosslessEntryAtTheProjectRateGivesWordLengthAndDither)
{
    struct Case
    {
        const char* what;
        std::vector<OutputFormat> formats;
        int position;
        int bits;
        Dither dither;
    };

    const std::vector<Case> cases {
        { "16-bit before 24-bit", { format (Codec::wav, SampleFormat::pcm16, Dither::tpdf),
                                    format (Codec::wav, SampleFormat::pcm24, Dither::tpdfShaped) }, 1, 16, Dither::tpdf },
        { "first entry at another rate", { format (Codec::wav, SampleFormat::pcm24, Dither::tpdfShaped, 44100.0),
                                           format (Codec::flac, SampleFormat::pcm16, Dither::tpdfContinuous) },
          2, 16, Dither::tpdfContinuous },
        { "float is not dithered", { format (Codec::wav, SampleFormat::float32, Dither::tpdfShaped) }, 1, 0, Dither::none },
        { "mp3 is not lossless", { format (Codec::mp3, SampleFormat::pcm16, Dither::none),
                                   format (Codec::aiff, SampleFormat::pcm24, Dither::none) }, 2, 24, Dither::none },
        { "a disabled entry is not replaced by the third",
          { format (Codec::wav, SampleFormat::pcm24, Dither::none, 0.0, false),
            format (Codec::wav, SampleFormat::pcm24, Dither::none, 96000.0),
            format (Codec::wav, SampleFormat::pcm16, Dither::none) }, 0, 0, Dither::none },
    };

    for (const auto& c : cases)
    {
        RenderRequest request;
        request.sampleRate = 48000.0;
        request.preset.exportSettings.formats = c.formats;

        const auto inputs = chooseReconstructionInputs (request, {}, {});
        EXPECT_EQ (inputs.formatPosition, c.position) << c.what;
        EXPECT_EQ (inputs.bits, c.bits) << c.what;
        EXPECT_EQ (inputs.dither, c.dither) << c.what;
        EXPECT_FALSE (inputs.hasMix()) << c.what;
    }
}

TEST (ReconstructionInputs, FilesAreTakenFromTheComparedEntryOnePerStem)
{
    RenderRequest request;
    request.sampleRate = 48000.0;
    request.preset.exportSettings.formats = { format (Codec::wav, SampleFormat::pcm24, Dither::none, 96000.0),
                                              format (Codec::wav, SampleFormat::pcm24, Dither::none) };
    request.stems.resize (3);
    request.stems[0].id = "a";
    request.stems[1].id = "b";
    request.stems[2].id = "c";   // wrote nothing

    std::vector<WrittenFile> files;
    std::vector<WrittenFileOrigin> origins;

    const auto add = [&] (const juce::String& name, FileKind kind, double rate, int position, const juce::String& stemId)
    {
        WrittenFile file;
        file.file = juce::File ("/out").getChildFile (name);
        file.label = "Strings";   // every stem shares one display name
        file.kind = kind;
        file.sampleRate = rate;
        file.lossless = true;
        files.push_back (file);
        origins.push_back ({ position, stemId });
    };

    add ("a96.wav", FileKind::stem, 96000.0, 1, "a");
    add ("a48.wav", FileKind::stem, 48000.0, 2, "a");
    add ("b96.wav", FileKind::stem, 96000.0, 1, "b");
    add ("b48.wav", FileKind::stem, 48000.0, 2, "b");
    add ("mix96.wav", FileKind::fullMix, 96000.0, 1, {});
    add ("alt48.wav", FileKind::alternativeMix, 48000.0, 2, {});
    add ("mix48.wav", FileKind::fullMix, 48000.0, 2, {});

    const auto inputs = chooseReconstructionInputs (request, files, origins);

    EXPECT_EQ (inputs.formatPosition, 2);
    EXPECT_EQ (inputs.mixFile.getFileName(), "mix48.wav");
    ASSERT_EQ (inputs.stemFiles.size(), 2u);
    EXPECT_EQ (inputs.stemFiles[0].getFileName(), "a48.wav");
    EXPECT_EQ (inputs.stemFiles[1].getFileName(), "b48.wav");
}

} // namespace
} // namespace korvid
