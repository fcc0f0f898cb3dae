#include "app/pages/export/ExportPageTestSupport.h"
#include "app/pages/export/NamingPreview.h"

#include <cstdio>

namespace korvid::ui::exporttest
{
namespace
{
    Preset namingPreset (int stems, int mixes)
    {
        Preset preset;
        preset.id = "naming";
        preset.name = "Naming";
        preset.metadata.project = "PRJ";

        for (int i = 0; i < stems; ++i)
            preset.schema.addStem (Stem ("Stem" + juce::String (i + 1), "S" + juce::String (i + 1), 0xff336699, false, 0, {}));

        for (int i = 0; i < mixes; ++i)
            preset.schema.addSubmix ("Mix" + juce::String (i + 1));

        return preset;
    }

    std::vector<Cue> oneCue (const juce::String& name)
    {
        Cue cue;
        cue.id = "c";
        cue.name = name;
        return { cue };
    }

    //==============================================================================
    TEST (ExportNamingPreview, ShowsTheFirstStemsAndMixesAsTheRenderNamesThem)
    {
        auto preset = namingPreset (5, 4);
        const auto lines = juce::StringArray::fromLines (namingPreviewText (preset, oneCue ("1M01")));

        EXPECT_EQ (lines, juce::StringArray ({ "PRJ_1M01_01_Stem1.wav", "PRJ_1M01_02_Stem2.wav", "PRJ_1M01_03_Stem3.wav",
                                               "PRJ_1M01_Full Mix.wav", "PRJ_1M01_Mix1.wav", "PRJ_1M01_Mix2.wav",
                                               "... and 2 more alternative mix(es)" }));

        // The folder name goes where the preset says, or nowhere.
        preset.exportSettings.batch.folderNameTarget = FolderNameTarget::project;
        EXPECT_TRUE (namingPreviewText (preset, oneCue ("1M01")).startsWith ("1M01__01_Stem1.wav")
                     || namingPreviewText (preset, oneCue ("1M01")).startsWith ("1M01_01_Stem1.wav"));
        preset.exportSettings.batch.folderNameTarget = FolderNameTarget::none;
        EXPECT_TRUE (namingPreviewText (preset, oneCue ("1M01")).startsWith ("PRJ_01_Stem1.wav"));
    }

    TEST (ExportNamingPreview, NumbersFollowTheNumberingRules)
    {
        auto preset = namingPreset (3, 2);
        preset.exportSettings.naming.stemTemplate = "{stemIndex}";
        preset.schema.stems[1].namingTemplate = "  own_{stemIndex}  ";

        preset.exportSettings.naming.numbering = Numbering::schemaIndex;
        preset.schema.stems[0].index = 4;
        auto lines = juce::StringArray::fromLines (namingPreviewText (preset, {}));
        EXPECT_EQ (lines[0], "04.wav");
        EXPECT_EQ (lines[1], "own_02.wav");

        preset.exportSettings.naming.numbering = Numbering::consecutiveExported;
        preset.exportSettings.naming.numberMixesFirst = true;
        lines = juce::StringArray::fromLines (namingPreviewText (preset, {}));
        EXPECT_EQ (lines[0], "04.wav");   // after the full mix (1) and two alternative mixes
        EXPECT_EQ (lines[2], "06.wav");

        preset.exportSettings.exportSubmixes = false;
        EXPECT_EQ (juce::StringArray::fromLines (namingPreviewText (preset, {}))[0], "02.wav");
    }

    TEST (ExportNamingPreview, UsesTheFirstEnabledFormatAndNamesUnknownTokensOnce)
    {
        auto preset = namingPreset (2, 0);
        preset.exportSettings.naming.stemTemplate = "{stemName}_{sampleRate}_{mood}";
        preset.exportSettings.naming.mixTemplate = "{stemName}_{mood}";
        OutputFormat off;
        off.enabled = false;
        OutputFormat flac;
        flac.codec = Codec::flac;
        flac.sampleRate = 96000.0;
        preset.exportSettings.formats = { off, flac };

        const auto lines = juce::StringArray::fromLines (namingPreviewText (preset, {}));
        EXPECT_TRUE (lines[0].endsWith (".flac")) << lines[0];
        EXPECT_TRUE (lines[0].contains ("96")) << lines[0];
        EXPECT_EQ (lines[lines.size() - 1], "unknown token(s): {mood}");
    }

    //==============================================================================
    using ExportNamingPreviewTest = ExportPageTest;

    // Brass has no take, so it writes no file and the stems after it move up under
    // consecutive numbering; the alternative mix of Brass alone is not written either.
    TEST_F (ExportNamingPreviewTest, NamesAndNumbersAreThoseOfTheFilesARenderWrites)
    {
        auto preset = presetWithStems ({ "Strings", "Brass", "Choir", "Piano" });
        const auto& stems = preset.schema.stems;
        preset.schema.addSubmix ("Brass Only");
        preset.schema.submixes[0].stems = { stems[1].id };
        preset.schema.addSubmix ("Lift");
        preset.schema.submixes[1].stems = { stems[0].id, stems[2].id };
        preset.schema.submixes[1].shortCode = "LFT";
        preset.exportSettings.naming.mixTemplate = "{cue}_{stemIndex}_{stemCode}";
        state->session.setPreset (preset);
        importCue ("1M01", { "Strings.wav", "Choir.wav", "Piano.wav" });
        useOutputFolder();

        ASSERT_TRUE (waitForPlan());
        const auto preview = juce::StringArray::fromLines (body().previewText.text);
        EXPECT_EQ (preview, juce::StringArray ({ "1M01_01_Strings.wav", "1M01_02_Choir.wav", "1M01_03_Piano.wav",
                                                 "1M01_01_MIX.wav", "1M01_02_LFT.wav" }));

        page->startExport();
        ASSERT_TRUE (pumpUntil ([this] { return page->isExporting() || state->hasReport; }));
        ASSERT_TRUE (waitForRunEnd());
        ASSERT_TRUE (state->hasReport);
        ASSERT_EQ (state->lastReport.cues.size(), 1u);

        juce::StringArray written;

        for (const auto& file : state->lastReport.cues[0].files)
            written.add (file.file.getFileName());

        EXPECT_EQ (written, preview);
    }

    //==============================================================================
    using ExportVocabularyTest = ExportPageTest;

    TEST_F (ExportVocabularyTest, OwnWordsAreKeptWithinTheirLimits)
    {
        for (int i = 0; i < 61; ++i)
            page->addVocabularyWord ("Word" + juce::String (i));

        const auto& words = page->getNameVocabulary();
        EXPECT_EQ (words.size(), 60);
        EXPECT_EQ (words[0], "Word1");
        EXPECT_EQ (body().stemTemplateEditor.getVocabulary(), words);
        EXPECT_EQ (body().mixTemplateEditor.getVocabulary(), words);
        EXPECT_EQ (state->settings->getValue ("nameVocabulary"), words.joinIntoString ("\n"));

        page->addVocabularyWord ("WORD5");
        EXPECT_EQ (page->getNameVocabulary().size(), 60);

        // Longer than a start would read back: not remembered.
        page->addVocabularyWord (juce::String::repeatedString ("x", 65));
        EXPECT_FALSE (page->getNameVocabulary().contains (juce::String::repeatedString ("x", 65)));

        page->forgetVocabularyWord ("word7");
        EXPECT_FALSE (page->getNameVocabulary().contains ("Word7"));
        EXPECT_EQ (page->getNameVocabulary().size(), 59);

        // A stored list is read within the same limits.
        juce::StringArray stored;

        for (int i = 0; i < 70; ++i)
            stored.add ("  Stored" + juce::String (i) + " ");

        stored.insert (3, juce::String::repeatedString ("y", 65));
        stored.insert (4, "stored0");
        stored.insert (5, "");
        state->settings->setValue ("nameVocabulary", stored.joinIntoString ("\n"));
        makePage();
        EXPECT_EQ (page->getNameVocabulary().size(), 60);
        EXPECT_EQ (page->getNameVocabulary()[0], "Stored0");
        EXPECT_EQ (page->getNameVocabulary()[3], "Stored3");
    }

    TEST_F (ExportVocabularyTest, AWordTypedIntoAnEditorBecomesAnOwnWordAndShowsInThePreview)
    {
        useStems ({ "Strings" });
        auto& editor = body().stemTemplateEditor;
        editor.insertWordAndEdit (-1);
        editor.getWordEditor().setText ("-Remix-", false);
        editor.finishWordEdit (true);

        EXPECT_TRUE (page->getNameVocabulary().contains ("Remix"));
        EXPECT_EQ (state->session.getPreset().exportSettings.naming.stemTemplate, "{project}_{cue}_{stemIndex}_{stemName}_Remix");

        // The preview follows on the next tick, once the worker has planned.
        EXPECT_TRUE (pumpUntil ([this] { return body().previewText.text.contains ("Strings_Remix.wav"); }))
            << body().previewText.text;

        // Timed: a commit and a preview at full size.
        const auto take = root.getChildFile ("take.wav");
        writeTake (take, 0.05);

        for (int cue = 0; cue < 16; ++cue)
            for (int i = 0; i < 128; ++i)
                take.copyFileTo (folder ("Cue" + juce::String (cue)).getChildFile ("Strings " + juce::String (i) + ".wav"));

        state->session.importFiles ({ root.getChildFile ("audio").getFullPathName() }, true);
        const auto started = juce::Time::getMillisecondCounterHiRes();
        page->commitSettings();
        page->refreshNamingPreview();
        const auto elapsed = juce::Time::getMillisecondCounterHiRes() - started;
        std::printf ("[ figures  ] a commit and the naming preview at 2048 tracks: %.2f ms\n", elapsed);
        RecordProperty ("commitAndPreviewMs", juce::String (elapsed, 2).toStdString());
    }
}
}
