// Writes the seed corpus of the fuzzers: for every fuzzer named on the command line
// it empties <corpus root>/<name> (where a short run keeps what it finds, started
// afresh each time so its length stays bounded) and fills <seed root>/<name> for
// the fuzzers it knows.
//
//   velvane_fuzz_seeds <corpus root> <seed root> <fuzzer name>...

#include "core/audio/ForeignAudioFiles.h"
#include "core/model/BuiltInPresets.h"
#include "core/platform/TextLocale.h"
#include "core/session/Session.h"
#include "core/storage/PresetDocument.h"
#include "core/storage/ProjectFile.h"

#include <cmath>
#include <iostream>

namespace
{
    const char* const versionOneDocument = R"({
  "schemaVersion": 1,
  "preset": {
    "id": "old-1",
    "name": "Old Delivery",
    "kind": "publisher",
    "schema": {
      "publisher": "Osmerine",
      "stems": [
        { "id": "s1", "index": 1, "displayName": "Strings", "shortCode": "STR", "colour": "#00ff00",
          "keywords": ["string pads", "violin"], "exclude": ["synth"] },
        { "id": "s2", "index": 2, "displayName": "Brass", "keywords": [] }
      ]
    },
    "export": {
      "masterSampleRate": 48000,
      "headroomDb": -6,
      "peakMode": "samplePeak",
      "exportFullMix": false,
      "fullMixName": "Everything",
      "naming": { "stemTemplate": "{cue}_{stemName}" }
    }
  }
})";

    const char* const versionTwoDocument = R"({"schemaVersion": 2, "preset": {"name": "Two",
  "schema": {"stems": [{"displayName": "Drums", "rules": ["kick", "snare top"], "colour": "ABCDEF"}],
             "submixes": [{"name": "Beat", "stems": [1, "x"]}]},
  "export": {"formats": [{"codec": "flac", "sampleFormat": "pcm16"}, "wav"],
             "silenceGate": {"enabled": true, "fadeSeconds": 0.5}, "fullMix": {"index": 0}}}})";

    korvid::Preset makeVariedPreset()
    {
        auto preset = korvid::makeHybridOrchestraExamplePreset();
        preset.id = "7d4c9a10-5b2e-4f3a-9c61-2e8d0b7a4f55";
        preset.isBuiltIn = false;
        preset.kind = korvid::PresetKind::project;
        preset.schema.matchPlurals = false;
        preset.schema.stems[0].emptyPolicy = korvid::EmptyPolicy::exportSilence;
        preset.schema.stems[0].rules.front().excludes.add ("synth");
        preset.schema.stems[0].rules.front().note = "note";
        preset.schema.addSubmix ("Underscore");
        preset.exportSettings.silenceGate.enabled = true;
        return preset;
    }

    bool write (const juce::File& file, const juce::String& text)
    {
        if (file.replaceWithData (text.toRawUTF8(), text.getNumBytesAsUTF8()))
            return true;

        std::cerr << "Could not write " << file.getFullPathName() << std::endl;
        return false;
    }

    bool writePresetSeeds (const juce::File& folder)
    {
        const std::pair<const char*, korvid::Preset> presets[] {
            { "empty", korvid::makeEmptyPreset() },
            { "hybrid", korvid::makeHybridOrchestraExamplePreset() },
            { "varied", makeVariedPreset() },
        };

        bool ok = true;

        for (const auto& [name, preset] : presets)
        {
            const auto document = korvid::presetToJson (preset);
            ok &= write (folder.getChildFile (juce::String (name) + ".json"), document);
            ok &= write (folder.getChildFile (juce::String (name) + "-line.json"),
                         juce::JSON::toString (juce::JSON::parse (document), true, 15));
        }

        ok &= write (folder.getChildFile ("version1.json"), versionOneDocument);
        ok &= write (folder.getChildFile ("version2.json"), versionTwoDocument);
        ok &= write (folder.getChildFile ("newer.json"), R"({"korvid": {"schemaVersion": 4}, "preset": {}})");
        return ok;
    }

    // A project as the application writes it, and one with cues, tracks and mix overrides.
    bool writeProjectSeeds (const juce::File& folder)
    {
        korvid::Session session;
        session.setPreset (makeVariedPreset());

        const auto hybrid = korvid::presetToJson (korvid::makeHybridOrchestraExamplePreset());
        const auto withCues = R"({"format": "velvane.project", "schemaVersion": 1, "outputFolder": "/tmp/out",
  "recurseSubfolders": false, "importedFolders": ["/", "/no/such/folder", ""],
  "cues": [{"folder": "/music/Opening", "name": "Opening", "included": false, "trimStartSeconds": 1.5,
            "submixOverrides": {"mix-a": "stem-1\nstem-2"}, "relativeFolder": "Album/Opening"},
           {"folder": "relative", "name": "", "trimStartSeconds": -3}],
  "tracks": [{"path": "/music/Opening/Drums.wav", "stemId": "stem-1", "source": "locked", "locked": true},
             {"path": "", "stemId": 7}],
  "preset": )" + hybrid + "}";

        bool ok = write (folder.getChildFile ("session.json"), korvid::writeProjectFile (session, "/tmp/out", true));
        ok &= write (folder.getChildFile ("cues.json"), withCues);
        ok &= write (folder.getChildFile ("newer.json"), R"({"format": "velvane.project", "schemaVersion": 2, "preset": {}})");
        return ok;
    }

    bool writeAudio (const juce::File& file, char kind, const juce::MemoryBlock& bytes)
    {
        juce::MemoryBlock seed (&kind, 1);
        seed.append (bytes.getData(), bytes.getSize());

        if (bytes.isEmpty() || ! file.replaceWithData (seed.getData(), seed.getSize()))
        {
            std::cerr << "Could not write " << file.getFullPathName() << std::endl;
            return false;
        }

        return true;
    }

    korvid::test::IntegerChannels sine (int channels, int frames, int bits)
    {
        korvid::test::IntegerChannels samples ((size_t) channels, std::vector<int> ((size_t) frames));
        const double peak = std::ldexp (0.5, bits - 1);

        for (int ch = 0; ch < channels; ++ch)
            for (int i = 0; i < frames; ++i)
                samples[(size_t) ch][(size_t) i] = (int) (peak * std::sin (0.05 * i + ch));

        return samples;
    }

    // Small files of each kind the tests write; the leading byte chooses the kind (0 WAV,
    // 1 AIFF, 2 FLAC).
    bool writeAudioSeeds (const juce::File& folder)
    {
        using namespace korvid::test;
        const auto file = [&folder] (const char* name) { return folder.getChildFile (name); };
        const auto stereo16 = sine (2, 200, 16);
        const auto mono20 = sine (1, 200, 20);
        const auto mono24 = sine (1, 150, 24);
        const auto mono8 = sine (1, 300, 8);

        bool ok = writeAudio (file ("pcm16.wav"), 0, wavBytes ({ 1, 1, 16, 2 }, 48000, stereo16));
        ok &= writeAudio (file ("20in24.wav"), 0, wavBytes ({ 1, 1, 20, 3 }, 44100, mono20));
        ok &= writeAudio (file ("extensible12in16.wav"), 0, wavBytes ({ 0xfffe, 1, 12, 2 }, 48000, sine (2, 100, 12)));
        ok &= writeAudio (file ("streamed8.wav"), 0, wavBytes ({ 1, 1, 8, 1, true }, 8000, mono8));
        ok &= writeAudio (file ("float.wav"), 0, wavBytes ({ 3, 3, 32, 4 }, 96000, stereo16));
        ok &= writeAudio (file ("double.wav"), 0, wavBytes ({ 3, 3, 64, 8 }, 48000, mono8));
        ok &= writeAudio (file ("pcm16.aif"), 1, aiffBytes (16, 48000, stereo16));
        ok &= writeAudio (file ("pcm20.aif"), 1, aiffBytes (20, 44100, mono20));
        ok &= writeAudio (file ("sowt24.aif"), 1, aiffBytes (24, 48000, mono24, "sowt"));
        ok &= writeAudio (file ("float.aif"), 1, aiffBytes (32, 48000, mono8, "fl32"));
        ok &= writeAudio (file ("block192.flac"), 2, flacBytes (sine (1, 600, 16), 16, 48000, 192));
        ok &= writeAudio (file ("nototal.flac"), 2, flacBytes (sine (2, 300, 16), 16, 44100, 576, false));
        ok &= writeAudio (file ("variable.flac"), 2, variableBlockFlacBytes (mono8, 8, 48000, { 100, 17, 200 }));
        return ok;
    }
} // namespace

int main (int argc, char** argv)
{
    korvid::setTextLocale();

    if (argc < 3)
    {
        std::cerr << "usage: velvane_fuzz_seeds <corpus root> <seed root> <fuzzer name>..." << std::endl;
        return 2;
    }

    const juce::File corpusRoot (juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]));
    const juce::File seedRoot (juce::File::getCurrentWorkingDirectory().getChildFile (argv[2]));
    bool ok = true;

    for (int i = 3; i < argc; ++i)
    {
        const juce::String name (argv[i]);
        const auto seeds = seedRoot.getChildFile (name);
        const auto corpus = corpusRoot.getChildFile (name);
        corpus.deleteRecursively();
        ok &= corpus.createDirectory().wasOk();
        ok &= seeds.createDirectory().wasOk();

        if (name == "PresetDocumentFuzzer")
            ok &= writePresetSeeds (seeds);
        else if (name == "ProjectFileFuzzer")
            ok &= writeProjectSeeds (seeds);
        else if (name == "AudioFileFuzzer")
            ok &= writeAudioSeeds (seeds);
    }

    return ok ? 0 : 1;
}
