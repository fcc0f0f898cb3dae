#include "app/pages/export/ExportPageTestSupport.h"
#include "ui/Fonts.h"
#include "ui/UiTestSupport.h"

#include <cmath>
#include <cstdio>

namespace korvid::ui::exporttest
{
namespace
{
    using CueRow = ExportPage::CueResultList::Row;
    using GatedRow = ExportPage::GatedTrackList::Row;
    using EditMode = ExportPage::CueResultList::EditMode;

    juce::MouseEvent clickAt (juce::Component& component, juce::Point<int> position, int clicks = 1)
    {
        const auto now = juce::Time::getCurrentTime();
        const auto at = position.toFloat();
        return { juce::Desktop::getInstance().getMainMouseSource(), at, {}, juce::MouseInputSource::defaultPressure,
                 juce::MouseInputSource::defaultOrientation, juce::MouseInputSource::defaultRotation,
                 juce::MouseInputSource::defaultTiltX, juce::MouseInputSource::defaultTiltY, &component, &component,
                 now, at, now, clicks, false };
    }

    /** The ids and texts of a menu, in order; section headers as "#" + text. */
    juce::StringArray menuTexts (const juce::PopupMenu& menu)
    {
        juce::StringArray texts;

        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
        {
            const auto& item = it.getItem();

            if (item.isSectionHeader)
                texts.add ("#" + item.text);
            else if (! item.isSeparator)
                texts.add (juce::String (item.itemID) + " " + item.text + (item.isTicked ? " [x]" : ""));
        }

        return texts;
    }

    class ExportResultsTest : public ExportPageTest
    {
    public:
        /** Two cues: "1M01" with half a second of silence before its takes, "1M02" without;
            Strings takes have a quiet second in the middle. The cleanup is on. */
        void prepareAndAnalyse()
        {
            auto preset = presetWithStems ({ "Strings", "Brass" });
            preset.exportSettings.silenceGate.enabled = true;
            preset.exportSettings.silenceGate.thresholdDb = -40.0;
            preset.exportSettings.silenceGate.minimumSeconds = 0.3;
            state->session.setPreset (preset);

            const auto first = folder ("1M01");
            writeTake (first.getChildFile ("Brass.wav"), 2.0, 0.5);
            writeQuietMiddle (first.getChildFile ("Strings.wav"), 2.0, 0.5);
            const auto second = folder ("1M02");
            writeTake (second.getChildFile ("Brass.wav"), 2.0);
            writeQuietMiddle (second.getChildFile ("Strings.wav"), 2.0, 0.0);
            state->session.importFiles ({ first.getFullPathName(), second.getFullPathName() }, false);
            useOutputFolder();

            page->runAnalysis();
            ASSERT_TRUE (waitForRunEnd());
        }

        /** Silence for `silent` seconds, then a level with a quiet stretch from 1.0 to 1.5 s. */
        static void writeQuietMiddle (const juce::File& file, double seconds, double silent)
        {
            const double rate = 8000.0;
            const auto samples = test::makeSignal (1, (int) (seconds * rate), [=] (int, int i)
            {
                const double t = i / rate;
                return t < silent ? 0.0f : (t >= 1.0 && t < 1.5 ? 0.0005f : 0.25f);
            });

            EXPECT_TRUE (test::writeWav (file, samples, rate));
        }

        ExportPage::CueResultList& table()     { return *body().cueTable; }
        ExportPage::GatedTrackList& gated()    { return *body().gatedList; }
        const Cue* cue (int i) const           { return &state->session.getCues()[(size_t) i]; }
    };

    //==============================================================================
    TEST_F (ExportResultsTest, TheCueTableShowsTheRunAndCutsTheSilenceItFound)
    {
        prepareAndAnalyse();
        ASSERT_TRUE (table().isVisible());
        const auto& rows = table().getRows();
        ASSERT_EQ (rows.size(), 2u);
        EXPECT_EQ (body().cueTable->getHeight(), 2 * 34 + 56);

        EXPECT_TRUE (rows[0].analysed);
        EXPECT_NEAR (rows[0].leadingSilenceSeconds, 0.5, 0.02);
        EXPECT_NEAR (rows[0].durationSeconds, 2.0, 0.001);
        EXPECT_EQ (rows[0].assignedStems, 2);
        EXPECT_LT (rows[1].leadingSilenceSeconds, 0.05);

        const auto menu = table().createTrimMenu (0);
        const auto silence = rows[0].leadingSilenceSeconds;
        juce::StringArray expected;
        expected.add ("#Silence found: " + juce::String (silence, 2) + " s");
        expected.add ("1 Keep it all [x]");
        expected.add ("2 Cut all of it   (" + juce::String (silence, 2) + " s)");
        expected.add ("3 Cut all but 0.10 s   (" + juce::String (silence - 0.1, 2) + " s)");
        expected.add ("4 Type an amount...");
        expected.add ("5 Cut the silence from every cue");
        EXPECT_EQ (menuTexts (menu), expected);

        // All but a tenth; then every cue, which leaves a cue without silence alone.
        const auto firstId = rows[0].cueId;
        table().trimMenuItemChosen (3, firstId);
        EXPECT_NEAR (state->session.findCue (firstId)->trimStartSeconds, rows[0].leadingSilenceSeconds - 0.1, 1e-9);
        table().trimMenuItemChosen (5, firstId);
        EXPECT_DOUBLE_EQ (state->session.findCue (firstId)->trimStartSeconds, table().getRows()[0].leadingSilenceSeconds);
        EXPECT_EQ (state->session.getCues()[1].trimStartSeconds, 0.0);
        table().trimMenuItemChosen (1, firstId);
        EXPECT_EQ (state->session.findCue (firstId)->trimStartSeconds, 0.0);

        // An answer for a cue that has gone does nothing.
        table().trimMenuItemChosen (2, "no such cue");

        // A click on the include box reaches the session.
        table().mouseDown (clickAt (table(), { 10, 50 + 34 + 17 }));
        EXPECT_FALSE (state->session.getCues()[1].included);
        EXPECT_FALSE (table().getRows()[1].included);
    }

    TEST_F (ExportResultsTest, IncludeBoxesAreDrawnAsTheCheckBoxesOfThePage)
    {
        testsupport::ScopedAppLookAndFeel look;
        auto& list = table();
        list.setLookAndFeel (&look.lookAndFeel);

        // A toggle button as tall as a row draws its box where the table draws the include box.
        juce::ToggleButton toggle;
        toggle.setLookAndFeel (&look.lookAndFeel);
        toggle.setBounds (0, 0, 22, ExportPage::CueResultList::rowHeight);

        for (const bool included : { true, false })
        {
            SCOPED_TRACE (included ? "included" : "left out");
            std::vector<CueRow> rows (1);
            rows[0].cueId = "c";
            rows[0].included = included;
            list.setRows (std::move (rows));
            list.setBounds (0, 0, 900, ExportPage::CueResultList::headerHeight + ExportPage::CueResultList::rowHeight);
            toggle.setToggleState (included, juce::dontSendNotification);

            const auto drawn = list.createComponentSnapshot (list.getLocalBounds())
                                   .getClippedImage (toggle.getBounds().translated (0, ExportPage::CueResultList::firstRowTop));
            const auto expected = toggle.createComponentSnapshot (toggle.getLocalBounds());
            int differing = 0;

            for (int y = 0; y < expected.getHeight(); ++y)
                for (int x = 0; x < expected.getWidth(); ++x)
                    if (! testsupport::coloursNear (drawn.getPixelAt (x, y), expected.getPixelAt (x, y), 40))
                        ++differing;

            EXPECT_LT (differing, 12) << differing << " pixels unlike a check box";
        }

        toggle.setLookAndFeel (nullptr);
        list.setLookAndFeel (nullptr);
    }

    TEST (ExportCueTable, ANameItsCellCutsShortHeadsTheTooltipWhole)
    {
        using List = ExportPage::CueResultList;
        const juce::String longName ("1M01 The Long Goodbye Across The Northern Sea Opening Titles");
        const juce::String mediumName ("2M05 End Credits Suite");

        std::vector<CueRow> rows (2);
        rows[0].cueId = "long";
        rows[0].name = longName;
        rows[1].cueId = "medium";
        rows[1].name = mediumName;

        List list;
        list.setRows (std::move (rows));
        const auto nameCell = [] (int row) { return juce::Point<int> (List::nameX + 20, List::firstRowTop + List::rowHeight * row + 17); };
        list.setSize (900, List::headerHeight + 2 * List::rowHeight);
        const auto chip = juce::Point<int> (list.getColumns().chipX + 10, List::firstRowTop + 17);
        const auto help = list.tooltipAt ({ 5, 5 });
        ASSERT_TRUE (help.startsWith ("Untick a cue"));

        struct Case
        {
            const char* what;
            int width;
            juce::Point<int> at;
            juce::String heading;
        };

        const int mediumShown = (int) std::ceil (bodyFont().getStringWidthFloat (mediumName));

        const Case cases[] = {
            { "a long name", 900, nameCell (0), longName },
            { "a name that fits", 900, nameCell (1), {} },
            { "the long name's row, off its name", 900, chip, {} },
            { "the header", 900, { List::nameX + 20, 30 }, {} },
            { "a table too narrow for a name that would fit", List::nameX + mediumShown - 10, nameCell (1), mediumName },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.what);
            list.setSize (c.width, list.getHeight());
            EXPECT_EQ (list.tooltipAt (c.at), c.heading.isEmpty() ? help : c.heading + "\n\n" + help);
        }
    }

    TEST_F (ExportResultsTest, TheTrimMenuOffersWhatTheSilenceAllows)
    {
        struct Case
        {
            double silence;
            int rows;
            juce::StringArray expected;
        };

        const Case cases[] = {
            { 0.04, 2, { "#Silence found: 0.04 s", "1 Keep it all [x]", "4 Type an amount...", "5 Cut the silence from every cue" } },
            { 0.10, 2, { "#Silence found: 0.10 s", "1 Keep it all [x]", "2 Cut all of it   (0.10 s)", "4 Type an amount...",
                         "5 Cut the silence from every cue" } },
            { 0.004, 1, { "#No silence found at the start", "1 Keep it all [x]", "4 Type an amount..." } },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.silence);
            std::vector<CueRow> rows ((size_t) c.rows);

            for (int i = 0; i < c.rows; ++i)
                rows[(size_t) i].cueId = "c" + juce::String (i);

            rows[0].leadingSilenceSeconds = c.silence;
            table().setRows (std::move (rows));
            EXPECT_EQ (menuTexts (table().createTrimMenu (0)), c.expected);
        }

        std::vector<CueRow> none;
        table().setRows (std::move (none));
        EXPECT_FALSE (table().isVisible());
    }

    TEST_F (ExportResultsTest, TypedCutsAreWholeNumbersShorterThanTheCue)
    {
        prepareAndAnalyse();
        const auto cueId = table().getRows()[0].cueId;

        struct Case
        {
            const char* typed;
            double stored;         // the session's cut afterwards
            const char* refusal;
        };

        const Case cases[] = {
            { "1,5", 1.5, "" },   { ",5", 0.5, "" },  { "", 0.0, "" },   { "2x", 0.0, "The cut is a number of seconds, and cannot be negative." },
            { "-1", 0.0, "The cut is a number of seconds, and cannot be negative." },
            { "1 5", 0.0, "The cut is a number of seconds, and cannot be negative." },
            { "1.2.3", 0.0, "The cut is a number of seconds, and cannot be negative." },
            { "2.0", 0.0, "The cut must be shorter than the cue." },   { "1.99", 1.99, "" },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.typed);
            table().beginEdit (0, EditMode::trim);
            table().getEditor().setText (c.typed, false);
            const bool taken = table().finishEdit (true);

            EXPECT_EQ (taken, juce::String (c.refusal).isEmpty());
            EXPECT_EQ (table().getMessage(), juce::String (c.refusal));
            EXPECT_NEAR (state->session.findCue (cueId)->trimStartSeconds, c.stored, 1e-9);

            if (taken)
            {
                EXPECT_NEAR (table().getRows()[0].trimSeconds, c.stored, 1e-9);
            }

            table().trimMenuItemChosen (1, cueId);   // back to no cut
        }

        // The editor shows the cut with three decimals.
        table().setTrim (0, 0.25);
        table().beginEdit (0, EditMode::trim);
        EXPECT_EQ (table().getEditor().getText(), "0.250");
        table().finishEdit (false);
    }

    TEST_F (ExportResultsTest, RenamingGoesThroughTheSessionAndRowsFollowItsUndo)
    {
        prepareAndAnalyse();
        const auto cueId = table().getRows()[0].cueId;

        // Refused: the row and the session keep the old name.
        table().beginEdit (0, EditMode::name);
        EXPECT_EQ (table().getEditor().getText(), "1M01");
        table().getEditor().setText ("a/b", false);
        EXPECT_FALSE (table().finishEdit (true));
        EXPECT_EQ (table().getMessage(), "That name cannot be used: a cue name becomes part of a file name, so it cannot be "
                                         "empty or contain / or \\.");
        EXPECT_EQ (table().getRows()[0].name, "1M01");
        EXPECT_EQ (state->session.findCue (cueId)->name, "1M01");

        table().beginEdit (0, EditMode::name);
        table().getEditor().setText ("Opening", false);
        EXPECT_TRUE (table().finishEdit (true));
        EXPECT_EQ (table().getMessage(), "");
        EXPECT_EQ (state->session.findCue (cueId)->name, "Opening");

        for (const auto& row : gated().getRows())
            if (row.cueId == cueId)
            {
                EXPECT_EQ (row.cueName, "Opening");
            }

        // Undo puts the old name back, in the session and in both lists.
        state->session.undo();
        EXPECT_EQ (state->session.findCue (cueId)->name, "1M01");
        EXPECT_EQ (table().getRows()[0].name, "1M01");

        for (const auto& row : gated().getRows())
            if (row.cueId == cueId)
            {
                EXPECT_EQ (row.cueName, "1M01");
            }

        // So retyping the name the table shows is a real rename again.
        table().beginEdit (0, EditMode::name);
        table().getEditor().setText ("Opening", false);
        EXPECT_TRUE (table().finishEdit (true));
        EXPECT_EQ (state->session.findCue (cueId)->name, "Opening");

        // A cue that leaves the session leaves the table; the figures of the others stay.
        const auto secondId = table().getRows()[1].cueId;
        juce::StringArray secondTracks;

        for (const auto& track : state->session.getTracks())
            if (track.cueId == secondId)
                secondTracks.add (track.id);

        state->session.removeTracks (secondTracks);
        ASSERT_EQ (table().getRows().size(), 1u);
        EXPECT_TRUE (table().getRows()[0].analysed);
    }

    TEST_F (ExportResultsTest, TabMovesTheEditorDownTheColumn)
    {
        prepareAndAnalyse();
        const auto tab = juce::KeyPress (juce::KeyPress::tabKey);
        auto& listener = static_cast<juce::KeyListener&> (table());

        table().beginEdit (1, EditMode::name);
        EXPECT_FALSE (listener.keyPressed (tab, &table().getEditor()));   // the last row: not taken

        table().beginEdit (0, EditMode::name);
        table().getEditor().setText ("Opening", false);
        EXPECT_TRUE (listener.keyPressed (tab, &table().getEditor()));
        EXPECT_EQ (table().getEditRow(), 1);
        EXPECT_EQ (table().getEditor().getText(), "1M02");
        EXPECT_EQ (state->session.getCues()[0].name, "Opening");

        // A refused text keeps the editor where it is.
        table().getEditor().setText ("x/y", false);
        EXPECT_TRUE (listener.keyPressed (juce::KeyPress (juce::KeyPress::tabKey, juce::ModifierKeys::shiftModifier, 0),
                                          &table().getEditor()));
        EXPECT_EQ (table().getEditRow(), 1);
        table().finishEdit (false);
    }

    //==============================================================================
    TEST_F (ExportResultsTest, TheGatedListShowsWhatTheCleanupTookAndFoldsByCue)
    {
        prepareAndAnalyse();
        auto& list = gated();
        ASSERT_TRUE (list.isVisible());
        EXPECT_TRUE (bar().areZoomButtonsVisible());
        ASSERT_EQ (list.getRows().size(), 4u);
        EXPECT_EQ (list.getRows()[0].cueName, "1M01");

        int touched = 0;
        double seconds = 0.0;

        for (const auto& row : list.getRows())
        {
            touched += row.gatedRuns > 0 ? 1 : 0;
            seconds += row.gatedSeconds;
        }

        EXPECT_GE (touched, 2);
        EXPECT_EQ (list.summaryText(), juce::String (touched) + " of 4 tracks touched, " + juce::String (seconds, 1)
                                           + " s taken down. Shaded is what was cleaned, blue its fades. Click one to hear it come back.");

        // Two groups of two rows.
        EXPECT_EQ (list.getRequiredHeight(), 54 + 2 * 30 + 4 * 58);
        EXPECT_EQ (list.getHeight(), list.getRequiredHeight());

        // Folding a cue takes its rows away and names how many there are.
        const int bodyBefore = body().getRequiredHeight();
        list.mouseDown (clickAt (list, { 20, 10 + 34 + 15 }));
        EXPECT_TRUE (list.getCollapsedCues().contains ("1M01"));
        EXPECT_EQ (list.getRequiredHeight(), 54 + 2 * 30 + 2 * 58);
        EXPECT_EQ (body().getRequiredHeight(), bodyBefore - 2 * 58);
        EXPECT_TRUE (list.rowBounds (0).isEmpty());

        // Row heights step by 16 within 26..220.
        list.changeRowHeight (true);
        EXPECT_EQ (list.getRowHeight(), 74);

        for (int i = 0; i < 20; ++i)
            list.changeRowHeight (true);

        EXPECT_EQ (list.getRowHeight(), 220);
        list.changeRowHeight (false);
        EXPECT_EQ (list.getRowHeight(), 204);

        for (int i = 0; i < 20; ++i)
            list.changeRowHeight (false);

        EXPECT_EQ (list.getRowHeight(), 26);
    }

    TEST_F (ExportResultsTest, OneZoomWindowForEveryRowWithinItsLimits)
    {
        auto& list = gated();
        std::vector<GatedRow> rows (1);
        rows[0].fileName = "Strings.wav";
        rows[0].cueName = "Delivery";
        rows[0].lengthSeconds = 10.0;
        list.setRows (std::move (rows));

        list.zoomBy (0.6);
        EXPECT_NEAR (list.getViewStart(), 0.2, 1e-12);
        EXPECT_NEAR (list.getViewEnd(), 0.8, 1e-12);
        EXPECT_TRUE (list.isSettling());

        for (int i = 0; i < 40; ++i)
            list.zoomBy (0.6);

        EXPECT_NEAR (list.getViewEnd() - list.getViewStart(), 0.0005, 1e-12);

        for (int i = 0; i < 40; ++i)
            list.zoomBy (1.0 / 0.6);

        EXPECT_EQ (list.getViewStart(), 0.0);
        EXPECT_EQ (list.getViewEnd(), 1.0);

        // The render bar's buttons act on it.
        bar().zoomInButton.triggerClick();
        pump (30);
        EXPECT_NEAR (list.getViewStart(), 0.2, 1e-12);
        bar().wholeTakeButton.triggerClick();
        pump (30);
        EXPECT_EQ (list.getViewStart(), 0.0);
        bar().tallerButton.triggerClick();
        pump (30);
        EXPECT_EQ (list.getRowHeight(), 74);

        // New rows keep the window and the height but fold nothing.
        list.zoomBy (0.6);
        list.toggleCue ("Delivery");
        std::vector<GatedRow> more (1);
        more[0].cueName = "Delivery";
        list.setRows (std::move (more));
        EXPECT_NEAR (list.getViewStart(), 0.2, 1e-12);
        EXPECT_EQ (list.getRowHeight(), 74);
        EXPECT_TRUE (list.getCollapsedCues().isEmpty());
    }

    TEST_F (ExportResultsTest, ClicksPlayFromWhereTheSoundComesBack)
    {
        auto& list = gated();
        list.setSize (1000, 400);
        std::vector<GatedRow> rows (2);

        for (auto& row : rows)
        {
            row.cueName = "Delivery";
            row.lengthSeconds = 10.0;
            row.fileName = "take.wav";
        }

        rows[0].regions = { { 0.0, 0.2, 0.0, 0.18 }, { 0.5, 0.6, 0.51, 0.58 } };
        rows[1].regions = { { 0.3, 0.4, 0.31, 0.38 } };
        list.setRows (std::move (rows));

        juce::Array<double> auditions, seeks;
        list.onAudition = [&auditions] (const GatedRow&, double seconds) { auditions.add (seconds); };
        list.onSeekOrAudition = [&seeks] (const GatedRow&, double seconds) { seeks.add (seconds); };

        const auto first = list.rowBounds (0);
        const auto second = list.rowBounds (1);
        list.mouseDown (clickAt (list, { first.getX() + 10, first.getCentreY() }));
        list.mouseDown (clickAt (list, { second.getX() + 10, second.getCentreY() }));
        ASSERT_EQ (auditions.size(), 2);
        EXPECT_DOUBLE_EQ (auditions[0], 1.8);
        EXPECT_DOUBLE_EQ (auditions[1], 0.0);

        // On the waveform: inside a stretch from its floor end, outside from the point.
        const int waveLeft = first.getX() + list.getLabelWidth() + 5;
        const int waveWidth = first.getRight() - waveLeft;
        list.mouseDown (clickAt (list, { waveLeft + (int) (0.55 * waveWidth), first.getCentreY() }));
        list.mouseDown (clickAt (list, { waveLeft + (int) (0.8 * waveWidth), first.getCentreY() }));
        ASSERT_EQ (seeks.size(), 2);
        EXPECT_DOUBLE_EQ (seeks[0], 5.8);
        EXPECT_NEAR (seeks[1], 8.0, 0.05);

        // The next button: the next place the sound comes back, after the play position.
        double position = -1.0;
        list.playFraction = [&position] (const GatedRow&) { return position; };
        list.isPlaying = [&position] (const GatedRow&) { return position >= 0.0; };
        seeks.clear();
        EXPECT_TRUE (list.jumpWithin (0, true));          // not playing: the first return point
        position = 0.3;
        EXPECT_TRUE (list.jumpPlaying (true));
        position = 0.7;
        EXPECT_FALSE (list.jumpPlaying (true));           // past the last one
        EXPECT_TRUE (list.jumpPlaying (false));           // back to one at least a second before
        position = 0.62;
        EXPECT_TRUE (list.jumpPlaying (false));
        ASSERT_EQ (seeks.size(), 4);
        EXPECT_DOUBLE_EQ (seeks[0], 1.8);
        EXPECT_DOUBLE_EQ (seeks[1], 5.8);
        EXPECT_DOUBLE_EQ (seeks[2], 5.8);
        EXPECT_DOUBLE_EQ (seeks[3], 1.8);

        // The keys: space toggles, arrows jump, anything with a modifier is not taken.
        int toggles = 0;
        list.onToggle = [&toggles] { ++toggles; };
        EXPECT_TRUE (list.keyPressed (juce::KeyPress (juce::KeyPress::spaceKey)));
        EXPECT_EQ (toggles, 1);
        EXPECT_FALSE (list.keyPressed (juce::KeyPress (juce::KeyPress::rightKey, juce::ModifierKeys::shiftModifier, 0)));
        EXPECT_FALSE (list.keyPressed (juce::KeyPress ('a')));
    }

    TEST_F (ExportResultsTest, DetailWaveformsAreReadForZoomedViewsAndNeverLandOnNewerRows)
    {
        prepareAndAnalyse();
        auto& list = gated();

        // Wide view: nothing is read.
        list.fetchDetails();
        EXPECT_EQ (list.pendingDetailJobs(), 0);

        list.zoomBy (0.2);
        ASSERT_TRUE (pumpUntil ([&list] { return ! list.isSettling() && list.pendingDetailJobs() == 0; }));
        pump (50);
        int read = 0;

        for (const auto& detail : list.getDetails())
            read += detail.overview.minima.empty() ? 0 : 1;

        EXPECT_EQ (read, 4);

        // A result for rows that have been replaced is dropped.
        const int oldGeneration = list.getGeneration();
        const auto oldFile = list.getRows()[0].file;
        auto rows = list.getRows();
        list.setRows (std::move (rows));
        ExportPage::GatedTrackList::Detail late { 0.4, 0.6, list.getRows()[0].overview };
        list.storeDetail (0, oldGeneration, oldFile, late);
        EXPECT_TRUE (list.getDetails()[0].overview.minima.empty());

        // And one for another file at that index too.
        list.storeDetail (0, list.getGeneration(), root.getChildFile ("other.wav"), late);
        EXPECT_TRUE (list.getDetails()[0].overview.minima.empty());
        list.storeDetail (0, list.getGeneration(), oldFile, late);
        EXPECT_FALSE (list.getDetails()[0].overview.minima.empty());

        // A paint of a long list draws only the rows in view, and is timed.
        std::vector<GatedRow> many (2048, list.getRows()[0]);
        const auto started = juce::Time::getMillisecondCounterHiRes();
        list.setRows (std::move (many));
        const auto setMs = juce::Time::getMillisecondCounterHiRes() - started;
        list.setSize (1200, list.getRequiredHeight());
        juce::Image image (juce::Image::ARGB, 1200, 700, true);
        juce::Graphics g (image);
        const auto paintStart = juce::Time::getMillisecondCounterHiRes();
        list.paintEntireComponent (g, false);
        const auto paintMs = juce::Time::getMillisecondCounterHiRes() - paintStart;
        std::printf ("[ figures  ] 2048 gated rows: setRows %.2f ms, one paint %.2f ms\n", setMs, paintMs);
        RecordProperty ("gatedSetRowsMs", juce::String (setMs, 2).toStdString());
        RecordProperty ("gatedPaintMs", juce::String (paintMs, 2).toStdString());
    }

    TEST_F (ExportResultsTest, ABodyOfManyGatedRowsIsNeverCutShort)
    {
        std::vector<GatedRow> rows (700);

        for (auto& row : rows)
            row.cueName = "Delivery";

        body().gatedList->setRows (std::move (rows));
        page->resized();

        const int needed = body().gatedList->getRequiredHeight();
        EXPECT_EQ (needed, 54 + 30 + 700 * 58);
        EXPECT_GT (needed, ExportPage::unboundedContentHeight);
        EXPECT_EQ (body().gatedList->getHeight(), needed);
        EXPECT_GT (body().issueList.getY(), body().gatedList->getBottom());
        EXPECT_EQ (body().getHeight(), body().getRequiredHeight());
        EXPECT_EQ (body().getRequiredHeight(), body().issueList.getBottom() + 12);
    }
}
}
