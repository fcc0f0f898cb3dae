// Writes the seed corpus of the fuzzers: for every fuzzer named on the command line
// it empties <corpus root>/<name> (where a short run keeps what it finds, started
// afresh each time so its length stays bounded) and fills <seed root>/<name> for
// the fuzzers it knows.
//
//   velvane_fuzz_seeds <corpus root> <seed root> <fuzzer name>...

#include "core/model/BuiltInPresets.h"
#include "core/platform/TextLocale.h"
#include "core/storage/PresetDocument.h"

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
    }

    return ok ? 0 : 1;
}
