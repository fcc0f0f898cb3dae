#include "app/pages/preset/PresetPageTestSupport.h"

#include "ui/Fonts.h"

#include <cmath>

namespace korvid::ui::presettest
{
    namespace
    {
        using R = juce::Rectangle<int>;

        /** Takes n from the top (or another edge) as the layout does: never more than is there. */
        R top (R& r, int n)     { return r.removeFromTop (n); }
        R left (R& r, int n)    { return r.removeFromLeft (n); }
        R right (R& r, int n)   { return r.removeFromRight (n); }
        R bottom (R& r, int n)  { return r.removeFromBottom (n); }

        int textWidth (juce::TextButton& button)
        {
            const auto font = button.getLookAndFeel().getTextButtonFont (button, 30);
            return (int) std::ceil (font.getStringWidthFloat (button.getButtonText())) + 24;
        }
    }

    class PresetLayoutTest : public PresetPageTest
    {
    protected:
        /** Every rectangle of the layout, worked out from the page's size as the layout
            rules state them, compared with where the controls are. */
        void checkLayout (int width, int height)
        {
            SCOPED_TRACE (juce::String (width) + " x " + juce::String (height));
            page->setSize (width, height);
            page->resized();

            auto all = R (0, 0, width, height);
            auto L = left (all, 340).reduced (12);
            EXPECT_EQ (page->getProjectHeading().getBounds(), top (L, 26));
            top (L, 5);

            juce::Component* fields[] = { &page->getPublisherEditor(), &page->getPubCodeEditor(), &page->getComposerEditor(),
                                          &page->getVersionEditor() };
            for (auto* field : fields)
            {
                auto row = top (L, 30);
                left (row, 80);
                left (row, 5);
                EXPECT_EQ (field->getBounds(), field == &page->getVersionEditor() ? row.withWidth (juce::jmin (90, row.getWidth()))
                                                                                 : row);
                top (L, 5);
            }

            // The numbering chooser under its caption, across the column.
            EXPECT_EQ (page->getNumberingLabel().getBounds(), top (L, 20));
            const auto numbering = page->getNumberingCombo().getBounds();
            EXPECT_EQ (numbering, top (L, numbering.getHeight()));
            top (L, 5);

            auto toggleRow = top (L, 30);
            left (toggleRow, 85);
            EXPECT_EQ (page->getPluralToggle().getBounds(), toggleRow);
            top (L, 17);
            EXPECT_EQ (page->getSeparatorY(), L.getY());
            top (L, 12);
            EXPECT_EQ (page->getLibraryHeading().getBounds(), top (L, 26));
            top (L, 5);
            const int h = L.getHeight();
            EXPECT_EQ (page->getLibraryList().getBounds(), top (L, juce::jmin (h, juce::jmax (h - 131, 84))));
            top (L, 5);
            EXPECT_EQ (page->getStatusLabel().getBounds(), top (L, 20));
            top (L, 5);

            juce::Component* rows[3][3] = {
                { &page->getNewButton(), &page->getDuplicatePresetButton(), &page->getRenameButton() },
                { &page->getSaveButton(), &page->getSaveAsButton(), &page->getDeletePresetButton() },
                { &page->getImportButton(), &page->getExportButton(), &page->getRestoreButton() } };
            for (auto& buttons : rows)
            {
                auto row = top (L, 30);
                const int w = juce::jmax (0, (row.getWidth() - 10) / 3);
                EXPECT_EQ (buttons[0]->getBounds(), left (row, w));
                left (row, 5);
                EXPECT_EQ (buttons[1]->getBounds(), left (row, w));
                left (row, 5);
                EXPECT_EQ (buttons[2]->getBounds(), row);
                top (L, 5);
            }

            // Right side.
            auto area = all.reduced (12);
            const int x0 = area.getX(), y0 = area.getY(), W = area.getWidth();
            const int E = juce::jmin (W, juce::jlimit (270, 320, W / 3));
            auto strip = top (area, 26);
            EXPECT_EQ (page->getAuditionStrip().getBounds(), R (x0 + W - E, y0, E, strip.getHeight()));
            auto stripLeft = strip.withWidth (juce::jmax (0, W - E - 12));
            const auto mixSlot = right (stripLeft, 160);
            EXPECT_EQ (page->getAddMixButton().getBounds(),
                       R (mixSlot.getX() + (mixSlot.getWidth() - juce::jmin (160, mixSlot.getWidth())) / 2, y0 - 2,
                          juce::jmin (160, mixSlot.getWidth()), 30));
            right (stripLeft, 5);
            const auto cueSlot = right (stripLeft, 230);
            EXPECT_EQ (page->getCueSelector().getBounds().getWidth(), juce::jmin (230, cueSlot.getWidth()));
            right (stripLeft, 6);
            EXPECT_EQ (page->getCueLabel().getBounds(), right (stripLeft, 34));
            right (stripLeft, 12);
            EXPECT_EQ (page->getStemsHeading().getBounds(), left (stripLeft, 58));
            left (stripLeft, 6);
            EXPECT_EQ (page->getStemsHint().getBounds(), stripLeft);

            top (area, 5);
            EXPECT_EQ (page->getDividerTop(), area.getY());
            EXPECT_EQ (page->getDividerHeight(), area.getHeight());
            EXPECT_EQ (page->getDividerX(), x0 + W - E - 6);

            auto stemSide = area.withWidth (juce::jmax (0, W - E - 12));
            auto buttonRow = bottom (stemSide, 30);
            juce::TextButton* texts[] = { &page->getAddStemButton(), &page->getAddSeveralButton(), &page->getDuplicateStemButton(),
                                          &page->getDeleteStemButton(), &page->getDeleteAllButton() };
            juce::Component* buttons[] = { texts[0], texts[1], texts[2], texts[3], texts[4], &page->getUpButton(), &page->getDownButton() };
            int widths[7], sum = 0;
            for (int i = 0; i < 7; ++i)
                sum += (widths[i] = i < 5 ? textWidth (*texts[i]) : 30);
            if (sum > buttonRow.getWidth() - 30)
                for (auto& w : widths)
                    w = juce::jmax (0, buttonRow.getWidth() - 30) * w / sum;
            for (int i = 0; i < 7; ++i)
            {
                EXPECT_EQ (buttons[i]->getBounds(), left (buttonRow, widths[i])) << i;
                left (buttonRow, 5);
            }

            bottom (stemSide, 5);
            EXPECT_EQ (page->getMixHeading().getBounds(), top (stemSide, 26));
            if (page->getMixScrollBar().isVisible())
            {
                EXPECT_EQ (page->getMixScrollBar().getBounds(), bottom (stemSide, 10));
                bottom (stemSide, 3);
            }
            EXPECT_EQ (page->getStemList().getBounds(), stemSide);

            auto column = R (x0 + W - E, area.getY(), E, area.getHeight());
            for (auto* editor : { &page->getNameEditor(), &page->getShortCodeEditor(), &page->getTokenEditor() })
            {
                auto row = top (column, 30);
                left (row, 135);
                EXPECT_EQ (editor->getBounds(), row);
                top (column, 5);
            }
            auto priorityRow = top (column, 26);
            left (priorityRow, 135);
            EXPECT_EQ (page->getPrioritySlider().getBounds(), priorityRow.withWidth (juce::jmin (109, priorityRow.getWidth())));
            top (column, 5);
            EXPECT_EQ (page->getColourButton().getBounds(), top (column, 30).withWidth (juce::jmin (E, 110)));
            top (column, 12);
            const int X = column.getHeight();
            const int q = juce::jmax (X / 4, 54);
            const auto rules = top (column, juce::jmin (X, juce::jmax (X - q - 59, 147)));
            top (column, 12);
            const auto exclusions = top (column, juce::jmin (column.getHeight(), q + 47));
            ASSERT_EQ (page->getPanelBoxes().size(), 2);
            EXPECT_EQ (page->getPanelBoxes()[0], rules);
            EXPECT_EQ (page->getPanelBoxes()[1], exclusions);
            auto inner = rules.reduced (10);
            EXPECT_EQ (page->getRulesLabel().getBounds(), top (inner, 22));
            top (inner, 5);
            EXPECT_EQ (page->getRulesEditor().getBounds(), inner);
        }
    };

    TEST_F (PresetLayoutTest, RectanglesFollowTheLayoutRulesAtEverySize)
    {
        useStoredStems ({ "Bass", "Drums" });

        struct Size { const char* name; int width, height; };
        for (const auto& size : { Size { "normal", 1336, 700 }, Size { "364 wide", 364, 700 }, Size { "narrower than the column", 300, 500 },
                                  Size { "short", 1336, 420 }, Size { "very short", 1336, 200 },
                                  Size { "right side 810", 340 + 810 + 24, 700 }, Size { "right side 809", 340 + 809 + 24, 700 },
                                  Size { "right side 1200", 340 + 1200 + 24, 700 }, Size { "right side 200", 340 + 200 + 24, 700 } })
        {
            SCOPED_TRACE (size.name);
            checkLayout (size.width, size.height);
        }

        // The editor column's width at the named right sides.
        page->setSize (340 + 810 + 24, 700);
        EXPECT_EQ (page->getNameEditor().getRight(), 340 + 810 + 12);
        EXPECT_EQ (page->getAuditionStrip().getWidth(), 270);
        page->setSize (340 + 960 + 24, 700);
        EXPECT_EQ (page->getAuditionStrip().getWidth(), 320);
        page->setSize (340 + 200 + 24, 700);
        EXPECT_EQ (page->getAuditionStrip().getWidth(), 200);
        EXPECT_EQ (page->getStemList().getWidth(), 0);

        // 364 wide: nothing on the right side has width.
        page->setSize (364, 700);
        for (juce::Component* c : { (juce::Component*) &page->getAddMixButton(), (juce::Component*) &page->getCueSelector(),
                                    (juce::Component*) &page->getStemList(), (juce::Component*) &page->getNameEditor(),
                                    (juce::Component*) &page->getAddStemButton(), (juce::Component*) &page->getUpButton() })
            EXPECT_EQ (c->getWidth(), 0) << c->getName();

        // A short page: the list keeps three rows while it can, then takes everything left.
        for (const int height : { 600, 440, 400 })
        {
            page->setSize (1336, height);
            const int h = height - 12 - page->getLibraryList().getY();
            EXPECT_EQ (page->getLibraryList().getHeight(), juce::jmin (h, juce::jmax (h - 131, 84))) << height;
        }

        page->setSize (1336, 600);
        EXPECT_GT (page->getLibraryList().getHeight(), 84);
        page->setSize (1336, 400);
        EXPECT_LE (page->getLibraryList().getHeight(), 84);
        page->setSize (1336, 300);
        EXPECT_EQ (page->getNewButton().getHeight() + page->getImportButton().getHeight(), 0);
    }

    TEST_F (PresetLayoutTest, LongCaptionsShrinkEveryStemButtonInProportion)
    {
        page->getAddStemButton().setButtonText ("Add a stem from the palette of templates");
        page->getDeleteAllButton().setButtonText ("Delete every stem of this preset at once");
        checkLayout (1336, 700);

        const int rowWidth = page->getStemList().getWidth();
        const int used = page->getDownButton().getRight() - page->getAddStemButton().getX();
        EXPECT_LE (used, rowWidth);
        EXPECT_GE (used, rowWidth - 7);   // integer shares round down, one pixel at most each
        EXPECT_LT (page->getUpButton().getWidth(), 30);
    }

    TEST_F (PresetLayoutTest, MixColumnsWidenForLongNamesAndScroll)
    {
        useStoredStems ({ "Bass", "Drums" });
        EXPECT_EQ (page->getMixColumnWidth(), 116);
        EXPECT_FALSE (page->getMixScrollBar().isVisible());
        EXPECT_EQ (page->getMixScrollOffset(), 0);

        auto schema = state->session.getPreset().schema;
        schema.addSubmix ("Vox");
        page->applySchemaEdit (std::move (schema));
        EXPECT_EQ (page->getMixColumnWidth(), 116);   // a short name keeps the usual width

        schema = state->session.getPreset().schema;
        const juce::String longName ("An alternative mix with a name far too long for any column");
        schema.addSubmix (longName);
        for (int i = 0; i < 6; ++i)
            schema.addSubmix ("Mix " + juce::String (i));
        page->applySchemaEdit (std::move (schema));

        const int widest = (int) std::ceil (bodyFont().getStringWidthFloat (longName));
        EXPECT_EQ (page->getMixColumnWidth(), juce::jmin (widest + 45, 210));
        EXPECT_TRUE (page->getMixScrollBar().isVisible());
        checkLayout (1336, 700);

        // Scrolling moves the columns of the rows and of the heading alike.
        page->getMixScrollBar().setCurrentRange (50.0, page->getMixScrollBar().getCurrentRangeSize(), juce::sendNotificationSync);
        EXPECT_EQ (page->getMixScrollOffset(), 50);
        const auto layout = page->layoutStemRow ({ 0, 0, 600, 28 }, 8, 50, false, page->getMixColumnWidth());
        EXPECT_EQ (layout.nameArea.getWidth(), 230);
        EXPECT_EQ (layout.mixColumns[1].getX(), 230 + page->getMixColumnWidth() - 50);

        const auto noMixes = page->layoutStemRow ({ 0, 0, 600, 28 }, 0, 0, true, 116);
        EXPECT_EQ (noMixes.auditionArea.getWidth(), 22);
        EXPECT_EQ (noMixes.nameArea.getWidth(), 578);
    }

    TEST_F (PresetLayoutTest, PaintDrawsTheColumnLinesAndPanels)
    {
        const testsupport::ScopedPalette palette (testsupport::distinctPalette());
        useStoredStems ({ "Bass" });
        page->resized();
        const auto image = page->createComponentSnapshot (page->getLocalBounds());

        EXPECT_TRUE (testsupport::coloursNear (image.getPixelAt (2, 300), colours::panelBackground));
        EXPECT_TRUE (testsupport::coloursNear (image.getPixelAt (200, page->getSeparatorY()), colours::outline));
        EXPECT_TRUE (testsupport::coloursNear (image.getPixelAt (page->getDividerX(), page->getDividerTop() + 100), colours::outline));
        const auto panel = page->getPanelBoxes()[0];
        EXPECT_TRUE (testsupport::coloursNear (image.getPixelAt (panel.getX() + 4, panel.getBottom() - 4), colours::panelBackground));
    }
}
