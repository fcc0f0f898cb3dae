#include "app/pages/export/ExportPageTestSupport.h"
#include "app/ProjectOpening.h"

namespace korvid::ui::exporttest
{
namespace
{
    /** Counts the session's preset notifications. */
    struct PresetCounter : Session::Listener
    {
        explicit PresetCounter (Session& s) : session (s)   { session.addListener (this); }
        ~PresetCounter() override                          { session.removeListener (this); }
        void presetChanged() override                      { ++count; }

        Session& session;
        int count = 0;
    };

    int filesIn (const juce::File& folder)
    {
        return folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories, "*");
    }

    using ExportFolderTest = ExportPageTest;
    using ExportFormatRowTest = ExportPageTest;

    //==============================================================================
    TEST_F (ExportFolderTest, TheChosenFolderIsUsedOnlyWhenItCanTakeTheDelivery)
    {
        auto& line = bar().folderLabel;
        EXPECT_EQ (line.getText(), "No folder chosen yet");
        EXPECT_EQ (line.getTooltip(), "Where the delivery is written.");
        EXPECT_FALSE (bar().openFolderButton.isEnabled());   // nothing to show yet

        const auto existing = root.getChildFile ("Existing");
        ASSERT_TRUE (existing.createDirectory());
        const auto aFile = root.getChildFile ("file.txt");
        ASSERT_TRUE (aFile.replaceWithText ("x"));

        struct Case
        {
            const char* name;
            juce::File answer;
            const char* refusal;   // empty when the folder is taken
        };

        const Case cases[] = {
            { "an existing folder", existing, "" },
            { "a missing folder, made on the way", root.getChildFile ("New").getChildFile ("Deep"), "" },
            { "a file", aFile, "The output folder is an existing file." },
            { "the root", juce::File ("/"), "Writing a delivery to the root of a volume is not allowed." },
            { "a folder nothing may write to", juce::File ("/proc/self"), "The output folder is not writable." },
        };

        juce::File current;

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            dialogs->asked.clear();
            dialogs->files.push_back (c.answer);
            bar().chooseFolderButton.triggerClick();
            pump (30);

            ASSERT_GE (dialogs->asked.size(), 1u);
            EXPECT_EQ (dialogs->asked[0].title, "Choose the export folder");
            EXPECT_TRUE (dialogs->asked[0].fileRequest.chooseFolder);

            if (juce::String (c.refusal).isEmpty())
            {
                current = c.answer;
                EXPECT_EQ (dialogs->asked.size(), 1u);
                EXPECT_TRUE (c.answer.isDirectory());
                EXPECT_EQ (filesIn (c.answer), 0);   // the write check leaves nothing behind
            }
            else
            {
                ASSERT_EQ (dialogs->asked.size(), 2u);
                EXPECT_EQ (dialogs->asked[1].title, "That folder cannot be used");
                EXPECT_EQ (dialogs->asked[1].icon, juce::MessageBoxIconType::WarningIcon);
                EXPECT_EQ (dialogs->asked[1].message, juce::String (c.refusal));
            }

            EXPECT_EQ (state->outputFolder, current);
            EXPECT_EQ (line.getText(), current.getFullPathName());
            EXPECT_EQ (line.getTooltip(), current.getFullPathName());
            EXPECT_TRUE (bar().openFolderButton.isEnabled());
        }

        // The next chooser starts in the folder in force; a cancelled one changes nothing.
        dialogs->asked.clear();
        page->chooseOutputFolder();
        EXPECT_EQ (dialogs->asked[0].fileRequest.start, current);
        EXPECT_EQ (state->outputFolder, current);
    }

    TEST_F (ExportFolderTest, TheFolderLineFollowsTheApplicationStateWhoeverChangesIt)
    {
        const auto elsewhere = root.getChildFile ("Elsewhere");
        ASSERT_TRUE (elsewhere.createDirectory());

        // A project remembers its folder; opening it sets the folder after the session's
        // preset has changed.
        state->setOutputFolder (elsewhere);
        const auto project = root.getChildFile ("Delivery.vlpr");
        juce::String error;
        ASSERT_TRUE (state->saveProject (project, error)) << error;

        const auto meanwhile = root.getChildFile ("Meanwhile");
        ASSERT_TRUE (meanwhile.createDirectory());
        page->useChosenOutputFolder (meanwhile);
        EXPECT_EQ (bar().folderLabel.getText(), meanwhile.getFullPathName());

        juce::StringArray missing;
        ASSERT_TRUE (korvid::test::openProjectAndWait (*state, project, error, missing)) << error;
        pump (30);
        EXPECT_EQ (state->outputFolder, elsewhere);
        EXPECT_EQ (bar().folderLabel.getText(), elsewhere.getFullPathName());
        EXPECT_EQ (bar().folderLabel.getTooltip(), elsewhere.getFullPathName());
    }

    //==============================================================================
    TEST (ExportFormatColumns, DivideARowAmongTheColumns)
    {
        const auto columns = formatColumns ({ 0, 0, 800, 30 });
        EXPECT_EQ (columns.tick, juce::Rectangle<int> (0, 0, 26, 30));
        EXPECT_EQ (columns.format, juce::Rectangle<int> (31, 0, 72, 30));
        EXPECT_EQ (columns.wordLength, juce::Rectangle<int> (108, 0, 100, 30));
        EXPECT_EQ (columns.sampleRate, juce::Rectangle<int> (213, 0, 107, 30));
        EXPECT_EQ (columns.dither, juce::Rectangle<int> (325, 0, 185, 30));
        EXPECT_EQ (columns.subFolder, juce::Rectangle<int> (515, 0, 244, 30));
        EXPECT_EQ (columns.pick, juce::Rectangle<int> (764, 0, 36, 30));

        // Too narrow: everything is cut to what is left, nothing goes negative.
        const auto narrow = formatColumns ({ 0, 0, 100, 30 });
        EXPECT_EQ (narrow.format.getWidth(), 69);
        EXPECT_EQ (narrow.dither.getWidth(), 0);
        EXPECT_EQ (narrow.subFolder.getWidth(), 0);
    }

    TEST_F (ExportFormatRowTest, ANarrowRowPutsItsSubFolderOnALineOfItsOwn)
    {
        auto& formatRow = row (0);

        // Wide enough: one line; the narrowest main column of the smallest window: two.
        for (const int width : { 848, 593 })
        {
            SCOPED_TRACE (width);
            const bool stacks = formatRowStacks (width);
            EXPECT_EQ (stacks, width < 700);
            formatRow.setBounds (0, 0, width, formatRowHeightFor (width));

            const auto dither = formatRow.ditherBox.getBounds();
            const auto subFolder = formatRow.subFolderEditor.getBounds();
            EXPECT_GE (subFolder.getWidth(), 150) << "room to read a folder name";
            EXPECT_FALSE (subFolder.intersects (dither));
            EXPECT_LE (subFolder.getRight(), width);
            EXPECT_EQ (subFolder.getY() > dither.getY(), stacks);

            // The note line stays below every control.
            for (auto* control : std::initializer_list<juce::Component*> { &formatRow.ditherBox, &formatRow.subFolderEditor })
                EXPECT_LE (control->getBottom(), formatRow.noteLabel.getY());

            EXPECT_LE (formatRow.noteLabel.getBottom(), formatRow.getHeight());
            EXPECT_EQ (formatColumns ({ 0, 0, width, 30 }).subFolder.isEmpty(), stacks) << "no caption over an empty column";
        }
    }

    TEST_F (ExportFormatRowTest, RowsOfferOnlyWhatTheCodecStoresAndSayWhatIsChanged)
    {
        auto onlyOne = presetWithStems ({ "Strings" });
        onlyOne.exportSettings.formats = { OutputFormat {} };
        state->session.setPreset (onlyOne);
        auto& first = row (0);
        auto& second = row (1);

        // A preset of one format: the second row is the unticked default.
        EXPECT_TRUE (first.enabledToggle.getToggleState());
        EXPECT_FALSE (second.enabledToggle.getToggleState());
        EXPECT_EQ (second.codecBox.getText(), "WAV");
        EXPECT_EQ (second.wordLengthBox.getText(), "24-bit");
        EXPECT_EQ (second.rateBox.getText(), "Project rate");
        EXPECT_EQ (second.ditherBox.getText(), "Shaped TPDF auto-black");
        EXPECT_EQ (first.codecBox.getNumItems(), 3);
        EXPECT_EQ (first.ditherBox.getNumItems(), 5);

        // WAV float to FLAC takes 24-bit; back to WAV it stays.
        first.wordLengthBox.setSelectedId ((int) SampleFormat::float32 + 1, juce::sendNotificationSync);
        EXPECT_EQ (first.noteLabel.getText(), "Dither is skipped for floating point output.");
        first.codecBox.setSelectedId ((int) Codec::flac + 1, juce::sendNotificationSync);
        EXPECT_EQ (first.wordLengthBox.getText(), "24-bit");
        EXPECT_EQ (first.wordLengthBox.getNumItems(), 2);
        first.codecBox.setSelectedId ((int) Codec::wav + 1, juce::sendNotificationSync);
        EXPECT_EQ (first.wordLengthBox.getText(), "24-bit");
        EXPECT_EQ (first.noteLabel.getText(), "");

        // A rate both codecs offer survives the switch.
        first.rateBox.setSelectedId (96000, juce::sendNotificationSync);
        first.codecBox.setSelectedId ((int) Codec::aiff + 1, juce::sendNotificationSync);
        EXPECT_EQ (first.rateBox.getText(), "96 kHz");
        EXPECT_EQ (state->session.getPreset().exportSettings.formats[0].codec, Codec::aiff);
        EXPECT_EQ (state->session.getPreset().exportSettings.formats[0].sampleRate, 96000.0);

        // Float without dither has no note.
        first.codecBox.setSelectedId ((int) Codec::wav + 1, juce::sendNotificationSync);
        first.wordLengthBox.setSelectedId ((int) SampleFormat::float32 + 1, juce::sendNotificationSync);
        first.ditherBox.setSelectedId ((int) Dither::none + 1, juce::sendNotificationSync);
        EXPECT_EQ (first.noteLabel.getText(), "");
    }

    TEST_F (ExportFormatRowTest, RowsShowThePresetWithoutWritingItBack)
    {
        auto preset = presetWithStems ({ "Strings" });
        preset.exportSettings.masterSampleRate = 32000.0;
        OutputFormat flac;
        flac.codec = Codec::flac;
        flac.sampleFormat = SampleFormat::pcm16;
        flac.sampleRate = 32000.0;   // not offered for FLAC
        flac.dither = Dither::tpdf;
        flac.subFolder = "flac";
        OutputFormat wav;
        wav.enabled = false;
        OutputFormat mp3;
        mp3.codec = Codec::mp3;
        mp3.mp3Bitrate = 256;
        preset.exportSettings.formats = { flac, wav, mp3 };

        PresetCounter counter (state->session);
        state->session.setPreset (preset);
        pump (30);
        EXPECT_EQ (counter.count, 1);   // filling the rows reported no change
        EXPECT_EQ (state->session.getPreset().exportSettings.formats.size(), 3u);

        auto& first = row (0);
        EXPECT_EQ (first.codecBox.getText(), "FLAC");
        EXPECT_EQ (first.wordLengthBox.getText(), "16-bit");
        EXPECT_EQ (first.rateBox.getSelectedId(), 0);            // a rate the codec cannot take shows none
        EXPECT_EQ (first.currentFormat().sampleRate, 0.0);      // and reads back as the master rate
        EXPECT_EQ (first.ditherBox.getText(), "TPDF auto-black");
        EXPECT_EQ (first.subFolderEditor.getText(), "flac");
        EXPECT_EQ (first.noteLabel.getText(), "FLAC cannot store 32.0 kHz: it will be resampled to 44.1 kHz.");
        EXPECT_FALSE (row (1).enabledToggle.getToggleState());

        // An edit on the page writes both rows, and only them, without refreshing the rows.
        row (1).enabledToggle.setToggleState (true, juce::sendNotificationSync);
        const auto& formats = state->session.getPreset().exportSettings.formats;
        ASSERT_EQ (formats.size(), 2u);
        EXPECT_EQ (formats[0].codec, Codec::flac);
        EXPECT_EQ (formats[0].sampleRate, 0.0);
        EXPECT_TRUE (formats[1].enabled);
        EXPECT_EQ (counter.count, 2);

        // Another preset brings its own formats, and the next edit writes those.
        auto other = presetWithStems ({ "Brass" });
        OutputFormat aiff;
        aiff.codec = Codec::aiff;
        other.exportSettings.formats = { aiff };
        state->session.setPreset (other);
        EXPECT_EQ (row (0).codecBox.getText(), "AIFF");
        EXPECT_FALSE (row (1).enabledToggle.getToggleState());
        row (0).ditherBox.setSelectedId ((int) Dither::none + 1, juce::sendNotificationSync);
        EXPECT_EQ (state->session.getPreset().exportSettings.formats[0].codec, Codec::aiff);
        EXPECT_EQ (state->session.getPreset().exportSettings.formats[0].dither, Dither::none);
    }

    TEST_F (ExportFormatRowTest, APickedSubFolderMustLieInsideTheExportFolder)
    {
        auto& first = row (0);
        const juce::String outsideText ("A format's sub-folder has to sit underneath the export folder. Pick a folder "
                                        "inside it, or type a relative name.");

        // No export folder yet: nothing can be inside it.
        dialogs->files.push_back (root.getChildFile ("Anything"));
        first.pickButton.triggerClick();
        pump (30);
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->title, "That folder is not inside the export folder");
        EXPECT_EQ (lastQuestion()->message, outsideText);

        const auto out = useOutputFolder();
        const auto mix = out.getChildFile ("Stems").getChildFile ("Mix");
        ASSERT_TRUE (mix.createDirectory());

        dialogs->asked.clear();
        dialogs->files.push_back (mix);
        first.chooseSubFolder();
        EXPECT_EQ (dialogs->asked[0].title, "Choose a sub-folder inside the export folder");
        EXPECT_EQ (dialogs->asked[0].fileRequest.start, out);
        EXPECT_EQ (first.subFolderEditor.getText(), "Stems/Mix");
        EXPECT_EQ (state->session.getPreset().exportSettings.formats[0].subFolder, "Stems/Mix");

        // A typed name that climbs out of the export folder is an error of the plan.
        first.subFolderEditor.setText ("../elsewhere", juce::dontSendNotification);
        first.subFolderEditor.onReturnKey();
        EXPECT_EQ (state->session.getPreset().exportSettings.formats[0].subFolder, "../elsewhere");
        EXPECT_TRUE (pumpUntil ([this] { return body().issueList.getText().contains ("ERROR    "); }))
            << body().issueList.getText();
        first.subFolderEditor.setText ("Stems/Mix", juce::dontSendNotification);
        first.subFolderEditor.onReturnKey();

        for (const auto& refused : { out, root.getChildFile ("Outside") })
        {
            dialogs->asked.clear();
            dialogs->files.push_back (refused);
            first.chooseSubFolder();
            ASSERT_EQ (dialogs->asked.size(), 2u);
            EXPECT_EQ (dialogs->asked[1].title, "That folder is not inside the export folder");
            EXPECT_EQ (first.subFolderEditor.getText(), "Stems/Mix");
        }
    }
}
}
