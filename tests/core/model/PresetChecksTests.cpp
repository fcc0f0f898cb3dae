#include "core/model/PresetChecks.h"

#include "core/model/OutputNameClashes.h"

#include <gtest/gtest.h>

#include <functional>

using namespace korvid;

namespace
{
    OutputFormat makeFormat (Codec codec, SampleFormat sampleFormat, double rate = 0.0, bool enabled = true)
    {
        OutputFormat format;
        format.enabled = enabled;
        format.codec = codec;
        format.sampleFormat = sampleFormat;
        format.sampleRate = rate;
        format.dither = Dither::none;
        return format;
    }

    Stem makeStem (const juce::String& name, const juce::String& code, const juce::String& token = {})
    {
        Stem stem (name, code, 0xff808080, false, 0);
        if (token.isNotEmpty())
            stem.fileNameToken = token;
        return stem;
    }

    // A preset that passes every check: three stems with codes, one alternative mix.
    Preset makeValidPreset()
    {
        Preset preset;
        preset.id = "p1";
        preset.name = "Publisher A";
        preset.schema.addStem (makeStem ("Strings", "STR"));
        preset.schema.addStem (makeStem ("Brass", "BRS"));
        preset.schema.addStem (makeStem ("Drums", "DRM"));
        preset.schema.addSubmix ("No Drums");
        return preset;
    }

    void expectFindings (const ValidationResult& result,
                         const juce::StringArray& errors,
                         const juce::StringArray& warnings)
    {
        EXPECT_EQ (result.errors.joinIntoString ("\n"), errors.joinIntoString ("\n"));
        EXPECT_EQ (result.warnings.joinIntoString ("\n"), warnings.joinIntoString ("\n"));
    }
}

TEST (PresetChecks, DescribeOutputFormat)
{
    auto mp3 = makeFormat (Codec::mp3, SampleFormat::pcm16, 44100);
    mp3.mp3Bitrate = 320;

    const std::pair<OutputFormat, const char*> cases[] {
        { makeFormat (Codec::wav, SampleFormat::pcm24, 48000),    "WAV 24-bit @ 48.0 kHz" },
        { makeFormat (Codec::flac, SampleFormat::pcm16),          "FLAC 16-bit" },
        { makeFormat (Codec::wav, SampleFormat::float32, 96000),  "WAV 32-bit float @ 96.0 kHz" },
        { makeFormat (Codec::aiff, SampleFormat::pcm24, 44100),   "AIFF 24-bit @ 44.1 kHz" },
        { makeFormat (Codec::flac, SampleFormat::pcm24, 32000),   "FLAC 24-bit @ 32.0 kHz" },
        { mp3,                                                    "MP3 320 kbps @ 44.1 kHz" },
    };

    for (const auto& [format, expected] : cases)
        EXPECT_EQ (describeOutputFormat (format), expected);
}

TEST (PresetChecks, ExportSettingsFindings)
{
    using Change = std::function<void (ExportSettings&)>;

    struct Case
    {
        const char* name;
        Change change;
        juce::StringArray errors, warnings;
    };

    const juce::String noLossless = "The reconstruction check needs at least one lossless format and will be skipped.";

    const Case cases[] {
        { "defaults", [] (ExportSettings&) {}, {}, {} },
        { "built-in formats with a disabled float entry",
          [] (ExportSettings& s) { s.formats.push_back (makeFormat (Codec::wav, SampleFormat::float32, 0, false)); s.formats.back().dither = Dither::tpdf; },
          {}, {} },
        { "rate within half a hertz", [] (ExportSettings& s) { s.masterSampleRate = 44100.4; }, {}, {} },
        { "project rate", [] (ExportSettings& s) { s.masterSampleRate = 22050; },
          { "Unsupported project sample rate: 22050" },
          { "WAV 24-bit: 22.1 kHz is not valid for this codec, it will be resampled to 44.1 kHz." } },
        { "fractional project rate", [] (ExportSettings& s) { s.masterSampleRate = 44099.5; s.formats[0].sampleRate = 48000; },
          { "Unsupported project sample rate: 44099.5" }, {} },
        { "no formats", [] (ExportSettings& s) { s.formats.clear(); },
          { "No output format is configured.", "Every output format is disabled, nothing would be written." },
          { noLossless } },
        { "three enabled formats", [] (ExportSettings& s) { s.formats.assign (3, makeFormat (Codec::wav, SampleFormat::pcm24)); },
          {}, { "This preset lists 3 output formats; only the first 2 will be written." } },
        { "only the third entry is enabled",
          [] (ExportSettings& s)
          {
              s.formats = { makeFormat (Codec::wav, SampleFormat::pcm24, 0, false),
                            makeFormat (Codec::wav, SampleFormat::pcm16, 0, false),
                            makeFormat (Codec::wav, SampleFormat::float32) };
              s.formats[2].dither = Dither::tpdf;   // never written, so never examined
          },
          { "Every output format is disabled, nothing would be written." },
          { "This preset lists 3 output formats; only the first 2 will be written.", noLossless } },
        { "an unwritten third entry is not examined",
          [] (ExportSettings& s)
          {
              s.formats = { makeFormat (Codec::wav, SampleFormat::pcm24), makeFormat (Codec::aiff, SampleFormat::pcm16),
                            makeFormat (Codec::flac, SampleFormat::float32) };
              s.formats[2].subFolder = "..";
          },
          {}, { "This preset lists 3 output formats; only the first 2 will be written." } },
        { "float with dither", [] (ExportSettings& s) { s.formats = { makeFormat (Codec::wav, SampleFormat::float32) }; s.formats[0].dither = Dither::tpdf; },
          {}, { "WAV 32-bit float: dither is meaningless for a floating point output and will be skipped." } },
        { "float flac and an odd rate",
          [] (ExportSettings& s) { s.formats = { makeFormat (Codec::flac, SampleFormat::float32), makeFormat (Codec::flac, SampleFormat::pcm24, 32000) }; },
          { "FLAC 32-bit float: FLAC cannot store float32." },
          { "FLAC 24-bit @ 32.0 kHz: 32.0 kHz is not valid for this codec, it will be resampled to 44.1 kHz." } },
        { "mp3",
          [] (ExportSettings& s) { s.formats = { makeFormat (Codec::mp3, SampleFormat::pcm16) }; s.formats[0].mp3Bitrate = 150; },
          { "MP3 150 kbps: MP3 is not an export format in this build; Velvane delivers lossless only. Choose WAV, AIFF or FLAC." },
          { "MP3 150 kbps: bitrate will be clamped to 160 kbps.", noLossless } },
        { "full mix off and empty mix template", [] (ExportSettings& s) { s.exportFullMix = false; s.naming.mixTemplate = " "; },
          {}, { "The reconstruction check needs the full mix and will be skipped." } },
        { "full mix on and empty mix template", [] (ExportSettings& s) { s.naming.mixTemplate = " "; },
          { "The full mix naming template is empty." }, {} },
        { "stems folder", [] (ExportSettings& s) { s.stemsSubFolder = "a/b"; },
          { "The stems folder name contains characters that are not allowed." }, {} },
        { "headroom above zero", [] (ExportSettings& s) { s.headroom.targetDb = 0.5; },
          { "The headroom target must be 0 dB or lower." }, {} },
        { "headroom very low", [] (ExportSettings& s) { s.headroom.targetDb = -61; },
          {}, { "A headroom target below -60 dB is unusual." } },
        { "oversampling 1", [] (ExportSettings& s) { s.headroom.truePeakOversampling = 1; },
          { "True peak oversampling must be 2, 4 or 8." }, {} },
        { "oversampling 9", [] (ExportSettings& s) { s.headroom.truePeakOversampling = 9; },
          { "True peak oversampling must be 2, 4 or 8." }, {} },
        { "oversampling 3", [] (ExportSettings& s) { s.headroom.truePeakOversampling = 3; }, {}, {} },
        { "empty stem template", [] (ExportSettings& s) { s.naming.stemTemplate = ""; },
          { "The stem naming template is empty.",
            "The stem naming template must contain {stemName} or {stemCode}, otherwise every stem would produce the same file name." }, {} },
        { "stem template is case-sensitive", [] (ExportSettings& s) { s.naming.stemTemplate = "{project}_{STEMNAME}"; },
          { "The stem naming template must contain {stemName} or {stemCode}, otherwise every stem would produce the same file name." }, {} },
        { "padding 0", [] (ExportSettings& s) { s.naming.indexPadding = 0; },
          { "Index padding must be between 1 and 6 digits." }, {} },
        { "padding 7", [] (ExportSettings& s) { s.naming.indexPadding = 7; },
          { "Index padding must be between 1 and 6 digits." }, {} },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        ExportSettings settings;
        c.change (settings);
        expectFindings (validateExportSettings (settings), c.errors, c.warnings);
    }
}

TEST (PresetChecks, FormatSubFolders)
{
    const std::pair<const char*, bool> cases[] {
        { "",            true },
        { "WAV",         true },
        { "Stems v2",    true },
        { "WAV/Hi Res",  true },    // nested choice from the export page
        { "X/Y/",        true },
        { " /WAV",       false },   // leading "/" after trimming
        { "/WAV",        false },
        { "~/WAV",       false },   // absolute on this platform
        { "..",          false },
        { "a/../b",      false },
        { "..\\x",       false },
        { "a\\b",        false },
        { "C:x",         false },
        { "a?b",         false },
        { "a|b",         false },
        { "a<b",         false },
        { "a\"b",        false },
    };

    for (const auto& [subFolder, valid] : cases)
    {
        EXPECT_EQ (isValidFormatSubFolder (subFolder), valid) << subFolder;

        ExportSettings settings;
        settings.formats[0].subFolder = subFolder;
        const auto errors = validateExportSettings (settings).errors;

        if (valid)
            EXPECT_TRUE (errors.isEmpty()) << subFolder;
        else
            EXPECT_EQ (errors.joinIntoString ("\n"), "WAV 24-bit: the sub-folder name contains characters that are not allowed.") << subFolder;
    }
}

TEST (PresetChecks, PresetFindingsInOrder)
{
    Preset preset;   // no id, no name, no stems, default settings
    preset.exportSettings.headroom.targetDb = 1.0;
    const auto result = validatePreset (preset);

    expectFindings (result,
                    { "The preset has no id.", "The preset has no name.",
                      "Export settings: The headroom target must be 0 dB or lower." },
                    { "Stem schema: The schema contains no stems yet." });

    preset.id = "x";
    preset.name = "  \t ";
    EXPECT_EQ (validatePreset (preset).errors[0], "The preset has no name.");

    EXPECT_TRUE (validatePreset (makeValidPreset()).isValid());
    EXPECT_FALSE (validatePreset (makeValidPreset()).hasWarnings());
}

TEST (PresetChecks, OutputsOfOneCueNeverShareAName)
{
    using Change = std::function<void (Preset&)>;
    const juce::String sameNamesInTwoFormats ("The first and second output formats (WAV 24-bit, WAV 32-bit float) would "
                                              "give their files the same names in one folder. Give one of them a "
                                              "sub-folder of its own.");

    // Errors of validatePreset, then those of files landing on one another, which planning
    // refuses but a stored preset may hold.
    struct Case
    {
        const char* name;
        Change change;
        juce::StringArray errors;
        juce::StringArray deliveryErrors = {};
    };

    const Case cases[] {
        { "stem token and code like the full mix's",
          [] (Preset& p) { p.schema.stems[0].fileNameToken = " full MIX "; p.schema.stems[1].shortCode = " mix"; p.exportSettings.fullMixName = "Full Mix "; },
          { "Stem 'Strings' has the same file name token as the full mix.",
            "Stem 'Brass' has the same short code as the full mix." } },
        { "full mix off: stems may share its name and code",
          [] (Preset& p) { p.exportSettings.exportFullMix = false; p.schema.stems[0].fileNameToken = "Full Mix"; p.schema.stems[1].shortCode = "MIX"; },
          {} },
        { "empty codes never clash with the full mix",
          [] (Preset& p) { p.schema.stems[1].shortCode = ""; p.exportSettings.fullMixCode = ""; },
          {} },
        { "alternative mix named like the full mix",
          [] (Preset& p) { p.schema.submixes[0].name = "full mix"; },
          { "Alternative mix 'full mix' has the same name as the full mix." } },
        { "alternative mix coded like the full mix",
          [] (Preset& p) { p.schema.submixes[0].shortCode = "Mix "; },
          { "Alternative mix 'No Drums' has the same short code as the full mix." } },
        { "alternative mix whose name stands in for the full mix's code",
          [] (Preset& p) { p.schema.submixes[0].name = "MIX"; },
          { "Alternative mix 'MIX' has no short code, and its name, which stands in for one, is the full mix's short code." } },
        { "alternative mix beside no full mix",
          [] (Preset& p) { p.exportSettings.exportFullMix = false; p.schema.submixes[0].name = "Full Mix"; },
          {} },
        { "alternative mixes not written",
          [] (Preset& p) { p.exportSettings.exportSubmixes = false; p.schema.submixes[0].name = "Full Mix"; },
          {} },
        { "stem template tells stems apart only by empty codes",
          [] (Preset& p)
          {
              p.exportSettings.naming.stemTemplate = "{project}_{cue}_{stemCode}";
              p.schema.stems[0].shortCode = "";
              p.schema.stems[2].shortCode = " ";
          },
          { "Stems 'Strings' and 'Drums' would get the same file name: the stem naming template tells stems apart only by {stemCode}, and neither has a short code." } },
        { "codes alone are enough when every stem has one",
          [] (Preset& p) { p.exportSettings.naming.stemTemplate = "{project}_{cue}_{stemCode}"; },
          {} },
        { "an index tells stems apart without codes",
          [] (Preset& p)
          {
              p.exportSettings.naming.stemTemplate = "{project}_{stemIndex}_{stemCode}";
              for (auto& stem : p.schema.stems)
                  stem.shortCode = "";
          },
          {} },
        { "tokens that become the same once made safe",
          [] (Preset& p)
          {
              p.exportSettings.naming.stemTemplate = "{project}_{cue}_{stemName}";
              p.schema.stems[0].fileNameToken = "Perc/Low";
              p.schema.stems[1].fileNameToken = "Perc:Low";
          },
          { "Stems 'Strings' and 'Brass' would get the same file name from the stem naming template." } },
        { "a stem's own template",
          [] (Preset& p) { p.schema.stems[1].namingTemplate = " {project}_{cue}_01_Strings "; },
          { "Stems 'Strings' and 'Brass' would get the same file name from their naming templates." } },
        { "mix template without a distinguishing token",
          [] (Preset& p) { p.exportSettings.naming.mixTemplate = "{project}_{cue}_MIX"; p.schema.addSubmix ("Light"); },
          { "The full mix and alternative mix 'No Drums' would get the same file name from the full mix naming template.",
            "The full mix and alternative mix 'Light' would get the same file name from the full mix naming template." } },
        { "alternative mixes with one short code under a code-only mix template",
          [] (Preset& p)
          {
              p.exportSettings.naming.mixTemplate = "{project}_{cue}_{stemCode}";
              p.schema.addSubmix ("Light");
              p.schema.submixes[0].shortCode = "ALT";
              p.schema.submixes[1].shortCode = "alt";
          },
          { "Alternative mixes 'No Drums' and 'Light' would get the same file name from the full mix naming template." } },
        { "a second format whose files take the first one's names",
          [] (Preset& p) { p.exportSettings.formats.push_back (makeFormat (Codec::wav, SampleFormat::float32)); },
          {}, { sameNamesInTwoFormats } },
        { "format sub-folders that come to one folder",
          [] (Preset& p)
          {
              p.exportSettings.formats[0].subFolder = "WAV";
              p.exportSettings.formats.push_back (makeFormat (Codec::wav, SampleFormat::float32));
              p.exportSettings.formats[1].subFolder = " WAV/./ ";
          },
          {}, { sameNamesInTwoFormats } },
        { "a second format in a sub-folder of its own",
          [] (Preset& p)
          {
              p.exportSettings.formats.push_back (makeFormat (Codec::wav, SampleFormat::float32));
              p.exportSettings.formats[1].subFolder = "Float";
          },
          {} },
        { "word lengths named by both templates",
          [] (Preset& p)
          {
              p.exportSettings.formats.push_back (makeFormat (Codec::wav, SampleFormat::float32));
              p.exportSettings.naming.stemTemplate = "{project}_{stemName}_{bitDepth}";
              p.exportSettings.naming.mixTemplate = "{project}_{stemName}_{bitDepth}";
          },
          {} },
        { "a template that names the word length for stems only",
          [] (Preset& p)
          {
              p.exportSettings.formats.push_back (makeFormat (Codec::wav, SampleFormat::float32));
              p.exportSettings.naming.stemTemplate = "{project}_{stemName}_{bitDepth}";
          },
          {}, { sameNamesInTwoFormats } },
        { "another codec writes another extension",
          [] (Preset& p) { p.exportSettings.formats.push_back (makeFormat (Codec::flac, SampleFormat::pcm24)); },
          {} },
        { "a disabled second format and a third that is never written",
          [] (Preset& p)
          {
              p.exportSettings.formats.push_back (makeFormat (Codec::wav, SampleFormat::pcm16, 0.0, false));
              p.exportSettings.formats.push_back (makeFormat (Codec::wav, SampleFormat::pcm16));
          },
          {} },
        { "a stem named like the full mix beside it, without a stems folder",
          [] (Preset& p)
          {
              p.exportSettings.stemsSubFolder = "";
              p.schema.stems[1].namingTemplate = "{project}_{cue}_Full Mix";
          },
          {}, { "Stem 'Brass' and the full mix would get the same file name in one folder." } },
        { "the same stem in its stems folder",
          [] (Preset& p) { p.schema.stems[1].namingTemplate = "{project}_{cue}_Full Mix"; },
          {} },
        { "a stem coded like an alternative mix beside it",
          [] (Preset& p)
          {
              p.exportSettings.stemsSubFolder = "";
              p.exportSettings.naming.stemTemplate = "{project}_{stemCode}";
              p.exportSettings.naming.mixTemplate = "{project}_{stemCode}";
              p.schema.submixes[0].shortCode = " str ";
          },
          {}, { "Stem 'Strings' and alternative mix 'No Drums' would get the same file name in one folder." } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto preset = makeValidPreset();
        c.change (preset);
        const auto result = validatePreset (preset);
        EXPECT_EQ (result.errors.joinIntoString ("\n"), c.errors.joinIntoString ("\n"));
        EXPECT_EQ (findNameClashes (preset).deliveryErrors.joinIntoString ("\n"), c.deliveryErrors.joinIntoString ("\n"));
    }
}
