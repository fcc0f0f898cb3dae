#include "app/pages/export/ExportContent.h"

#include "app/pages/export/ExportBlockArrangement.h"
#include "app/pages/export/ExportBlockMoves.h"
#include "core/model/CodecCapabilities.h"
#include "ui/Fonts.h"
#include "ui/LabelTones.h"
#include "ui/LayoutHelpers.h"
#include "ui/Palette.h"
#include "ui/TextFit.h"

#include <algorithm>
#include <cmath>

namespace korvid::ui
{
    namespace
    {
        constexpr int reportGap = 6;
        constexpr int blockPadding = 10;

        int labelLineCount (const juce::Label& label)
        {
            return juce::jmax (1, juce::StringArray::fromLines (label.getText()).size());
        }

        void addItems (juce::ComboBox& box, std::initializer_list<const char*> texts)
        {
            int id = 1;

            for (const auto* text : texts)
                box.addItem (text, id++);
        }
    }

    ExportPage::Content::Content()
    {
        cueTable = std::make_unique<CueResultList>();
        gatedList = std::make_unique<GatedTrackList>();

        settingsLayer.setInterceptsMouseClicks (false, true);
        addAndMakeVisible (presetLine);
        addAndMakeVisible (settingsLayer);
        presetLine.setFont (smallFont());
        setLabelTone (presetLine, 1);

        buildControls();

        statusText.font = smallMonoFont();
        statusText.colour = colours::textPrimary;
        statusText.lineSpacing = 1.5f;
        addAllAndMakeVisible (*this, { &reportHeader, &statusText, &issueList });

        // Monospaced, so the texts after "ERROR" and "warning" start in one column.
        issueList.setFont (smallMonoFont());
        issueList.setJustificationType (juce::Justification::topLeft);
        setLabelTone (issueList, 3);

        buildHandles();

        gatedList->onLayoutChanged = [this] { relayoutFromInside(); };

        statusText.text = "Ready for analysis.\nAnalyse levels to see the gain, the peaks and the cue names before "
                          "anything is written.";
    }

    ExportPage::Content::~Content() = default;

    void ExportPage::Content::buildControls()
    {
        // Cues
        cueLine.setFont (captionFont());
        setLabelTone (cueLine, 2);
        addItems (folderNameBox, { "Do not use the folder name", "Folder name becomes the cue", "Folder name becomes the project" });
        folderNameBox.setTooltip ("The folder that holds a set of stems names the track it belongs to.");
        addItems (gainScopeBox, { "Each cue reaches the target on its own", "One gain for the whole run",
                                  "Each cue, and each alternative mix, on its own" });
        gainScopeBox.setTooltip ("One gain for the whole run keeps the cues at the loudness they have against each "
                                 "other. Use it for an album.");
        folderPerCueToggle.setTooltip ("One folder per cue, named after the cue, directly under the export folder. For "
                                       "when the sources have no structure to reproduce - a pile of files dropped in at once.");

        // Headroom
        targetSlider.setTooltip ("The peak level the whole delivery is scaled to reach.");
        addItems (measureBox, { "Sample peak", "True peak (recommended)" });
        addItems (gainModeBox, { "Always reach the target", "Attenuate only" });

        for (const int factor : { 2, 4, 8 })
            oversamplingBox.addItem (juce::String (factor) + "x", factor);

        for (const double rate : losslessSampleRates())
            projectRateBox.addItem (formatSampleRate (rate), juce::roundToInt (rate));

        remeasureToggle.setTooltip ("Off, the level after the gain is worked out from the level before it, which is "
                                    "exact: a constant gain scales a true peak by the same amount. On, the mix is "
                                    "measured a second time so the figure comes from the delivered samples rather than "
                                    "from the arithmetic. It checks the program, not the audio, and it is the slowest "
                                    "thing in a render after writing the files.");

        // Naming
        stemTemplateEditor.setCaption ("Stem file name");
        mixTemplateEditor.setCaption ("Full & alternative mix file name");
        mixTemplateEditor.setPaletteVisible (false);
        centreTextInField (fullMixNameEditor);
        fullMixNameEditor.setTooltip ("Goes into the mix file name wherever the template has Stem name. Typed exactly: "
                                      "\"FullMix\" stays \"FullMix\".");

        for (int digits = 1; digits <= 4; ++digits)
            indexPaddingBox.addItem (juce::String (digits) + (digits == 1 ? " digit" : " digits"), digits);

        addItems (numberingBox, { "Keep the schema number (gaps where stems are skipped)",
                                  "Renumber the exported stems 1..N (no gaps)" });
        numberingBox.setTooltip ("Some publishers want 04 to mean the same stem in every cue. Others want 1 to N with no "
                                 "gaps in each delivery.");
        mixesFirstToggle.setTooltip ("On: the full mix is 01, the alternative mixes take the numbers after it, and the "
                                     "stems carry on from there - one run through the whole delivery.\n\nOff: the mixes "
                                     "and the stems are numbered separately, so there is an 01 mix and an 01 stem. They "
                                     "are in different folders, so nothing is overwritten either way.");
        addItems (collisionBox, { "Overwrite", "Increment the version", "Stop and ask" });
        previewLabel.setFont (strongFont());
        previewText.font = smallMonoFont();
        previewText.colour = colours::textSecondary;
        previewText.lineSpacing = 1.5f;
        // The files of a delivery share their start (the cue) and differ at the end.
        previewText.setCutLinesInTheMiddle (true);

        // Cleanup
        cleanupToggle.setTooltip ("A track exported from a DAW runs the whole cue whether its instrument is playing or "
                                  "not, and where it is not it usually carries a noise floor rather than silence. Summed "
                                  "across forty tracks that becomes audible.");
        thresholdSlider.setTooltip ("The level a track has to stay under to count as not playing.");
        minimumSlider.setTooltip ("How long it has to stay there before it counts as a rest. Short values work inside "
                                  "phrasing, which is heard as the cleanup opening and closing under the cue.");
        fadeOutSlider.setTooltip ("The ramp down into each silenced stretch. It acts inside the stretch, so it never "
                                  "touches audio that is still playing - what it follows is the decay that has already "
                                  "fallen below the threshold.");
        fadeInSlider.setTooltip ("The ramp back up out of each silenced stretch, before the instrument returns. Usually "
                                 "shorter than the fade out: a long one lets the noise floor back in ahead of the note "
                                 "that justifies it.");
        floorSlider.setTooltip ("How far down a cleaned stretch is taken. All the way at the bottom of the range, which "
                                "removes it outright; anything else leaves the room or the tail under the cue, quieter "
                                "but present.");

        // Rules
        addItems (emptyStemsBox, { "Do not export empty stems", "Export empty stems as silence",
                                   "Treat an empty stem as an error" });
        exportAlternativeMixesToggle.setTooltip ("The alternative mixes defined in step 2. Switch it off and they stay in "
                                                 "the preset, unwritten this time round.");
        stemsFolderToggle.setTooltip ("Only the stems move down into it. The full mix and the alternative mixes stay at "
                                      "the top of the cue folder.");

        for (auto* caption : { &folderNameLabel, &gainScopeLabel, &targetLabel, &measureLabel, &gainModeLabel,
                               &oversamplingLabel, &projectRateLabel, &fullMixNameLabel, &indexPaddingLabel,
                               &numberingLabel, &collisionLabel, &emptyStemsLabel })
            setLabelTone (*caption, 1);

        addAllAndMakeVisible (settingsLayer, {
            &cuesHeader, &cueLine, &folderNameLabel, &folderNameBox, &gainScopeLabel, &gainScopeBox,
            &mirrorFoldersToggle, &folderPerCueToggle,
            &headroomHeader, &targetLabel, &targetSlider, &measureLabel, &measureBox, &gainModeLabel, &gainModeBox,
            &oversamplingLabel, &oversamplingBox, &projectRateLabel, &projectRateBox, &remeasureToggle,
            &formatsHeader, &formatCaptions,
            &namingHeader, &namingRulesHeader, &stemTemplateEditor, &mixTemplateEditor, &fullMixNameLabel,
            &fullMixNameEditor, &indexPaddingLabel, &indexPaddingBox, &numberingLabel, &numberingBox,
            &mixesFirstToggle, &collisionLabel, &collisionBox, &separatorChooser, &previewLabel, &previewText,
            &cleanupHeader, &cleanupToggle, &thresholdLabel, &thresholdSlider, &minimumLabel, &minimumSlider,
            &fadeOutLabel, &fadeOutSlider, &fadeInLabel, &fadeInSlider, &floorLabel, &floorSlider,
            &rulesHeader, &emptyStemsLabel, &emptyStemsBox, &refuseUnassignedToggle, &exportFullMixToggle,
            &exportAlternativeMixesToggle, &stemsFolderToggle });

        settingsLayer.addChildComponent (cueTable.get());
        settingsLayer.addChildComponent (gatedList.get());
    }

    void ExportPage::Content::buildHandles()
    {
        for (const auto& key : blockKeys())
        {
            auto* handle = handles.add (new BlockHandle (key));
            addChildComponent (handle);

            handle->onDrag = [this] (juce::String blockKey, juce::Point<int> position) { showDropIndicator (blockKey, position); };
            handle->onDrop = [this] (juce::String blockKey, juce::Point<int> position)
            {
                clearDropIndicator();
                moveBlock (blockKey, position);
                repaint();
            };
            handle->onRelease = [this]
            {
                clearDropIndicator();
                repaint();
            };
        }
    }

    //==============================================================================
    void ExportPage::Content::setSettingsEnabled (bool enabled)
    {
        settingsLayer.setEnabled (enabled);
    }

    void ExportPage::Content::addFormatRow (std::unique_ptr<FormatRow> row)
    {
        settingsLayer.addAndMakeVisible (row.get());
        formatRows.add (row.release());
    }

    void ExportPage::Content::setBlockLayoutText (const juce::String& text)
    {
        layoutText = closeColumnGaps (text);
        relayoutFromInside();
    }

    void ExportPage::Content::setColumnFractions (std::vector<double> fractions)
    {
        columnFractions = std::move (fractions);
        relayoutFromInside();
    }

    void ExportPage::Content::relayoutFromInside()
    {
        resized();
        repaint();

        if (onLayoutChanged)
            onLayoutChanged();
    }

    void ExportPage::Content::mouseDown (const juce::MouseEvent&)
    {
        // A press on the body itself ends typing in a field, which commits it.
        if (auto* focused = juce::Component::getCurrentlyFocusedComponent(); focused != nullptr && isParentOf (focused))
            focused->giveAwayKeyboardFocus();
    }

    void ExportPage::Content::paint (juce::Graphics& g)
    {
        for (const auto& panel : panels)
            drawPanel (g, panel);

        g.setColour (colours::subtleOutline);

        for (const auto& divider : dividers)
            g.fillRect (divider);

        if (juce::isPositiveAndBelow (hoverColumn, (int) columnRects.size()))
        {
            g.setColour (colours::accent.withAlpha (0.1f));
            g.fillRect (columnRects[(size_t) hoverColumn]);
        }

        if (dropIndicator.getWidth() >= 1 && dropIndicator.getHeight() >= 1)
        {
            g.setColour (colours::accent);
            g.fillRect (dropIndicator);
            g.fillRect (dropIndicator.getX(), dropIndicator.getY() - 3, 2, 8);
            g.fillRect (dropIndicator.getRight() - 2, dropIndicator.getY() - 3, 2, 8);
        }
    }

    //==============================================================================
    void ExportPage::Content::resized()
    {
        panels.clear();
        dividers.clear();
        placements.clear();
        settingsLayer.setBounds (getLocalBounds());

        const int width = juce::jmax (0, getWidth() - 2 * margin);
        const int left = margin;

        // The preset line above the columns: which preset the settings below belong to.
        presetLine.setBounds (left + 10, margin, juce::jmax (0, width - 10), presetLineHeight);
        const int top = margin + presetLineHeight + 6;

        layOutBlocks (width, top);

        int columnsBottom = top;

        for (const auto& rect : columnRects)
            columnsBottom = juce::jmax (columnsBottom, rect.getBottom());

        const int bottom = layOutReport (width, top + juce::jmax (0, columnsBottom - top - blockGap));
        requiredHeight = bottom + margin;

        for (const auto& placement : placements)
        {
            if (auto* handle = handleFor (placement.key))
            {
                handle->setBounds (placement.bounds.withHeight (handleHeight));
                handle->setVisible (true);
                handle->toFront (false);
            }
        }
    }

    void ExportPage::Content::layOutBlocks (int width, int top)
    {
        const int left = margin;
        const auto layout = computeColumns (width, layoutText, columnFractions);
        const int count = (int) layout.widths.size();

        struct Column
        {
            int x = 0;
            int width = 0;
            int nextY = 0;
            int blocks = 0;
            juce::StringArray groups;
        };

        std::vector<Column> columns;
        int x = left;

        for (const int columnWidth : layout.widths)
        {
            columns.push_back ({ x, columnWidth, top, 0, {} });
            x += columnWidth + columnGap;
        }

        struct Block
        {
            juce::String key;
            int minimumWidth;
            std::function<void (juce::Rectangle<int>&)> layOut;
            bool handled = false;
        };

        std::vector<Block> blocks {
            { "naming",      620, [this] (juce::Rectangle<int>& a) { layOutNaming (a); } },
            { "namingRules", 440, [this] (juce::Rectangle<int>& a) { layOutNamingRules (a); } },
            { "cues",        440, [this] (juce::Rectangle<int>& a) { layOutCues (a); } },
            { "cleanup",     440, [this] (juce::Rectangle<int>& a) { layOutCleanup (a); } },
            { "rules",       440, [this] (juce::Rectangle<int>& a) { layOutRules (a); } },
            { "formats",     620, [this] (juce::Rectangle<int>& a) { layOutFormats (a); } },
            { "headroom",    440, [this] (juce::Rectangle<int>& a) { layOutHeadroom (a); } },
        };

        const auto place = [&] (Block& block, int c)
        {
            auto& column = columns[(size_t) c];
            juce::Rectangle<int> area (column.x + blockPadding, column.nextY + blockPadding,
                                       juce::jmax (0, column.width - 2 * blockPadding), 65536);
            const int startY = area.getY();
            block.layOut (area);

            const juce::Rectangle<int> bounds (column.x, column.nextY, column.width, area.getY() - startY + 2 * blockPadding);
            panels.push_back (bounds);
            column.nextY += bounds.getHeight() + blockGap;
            ++column.blocks;
            placements.push_back ({ block.key, c, bounds });

            if (const auto group = blockGroup (block.key); group.isNotEmpty())
                column.groups.addIfNotAlreadyThere (group);
        };

        std::vector<Block*> automatic;

        for (const auto& line : juce::StringArray::fromLines (layoutText))
        {
            const auto key = line.upToFirstOccurrenceOf (":", false, false).trim();
            const auto found = std::find_if (blocks.begin(), blocks.end(),
                                             [&key] (const Block& b) { return b.key == key && ! b.handled; });

            if (found == blocks.end())
                continue;

            found->handled = true;
            const int column = columnOfLine (line);

            if (column >= 0 && column < count && columns[(size_t) column].width >= found->minimumWidth)
                place (*found, column);
            else
                automatic.push_back (&*found);
        }

        for (auto& block : blocks)
            if (! block.handled)
                automatic.push_back (&block);

        std::stable_sort (automatic.begin(), automatic.end(),
                          [] (const Block* a, const Block* b) { return a->minimumWidth > b->minimumWidth; });

        for (auto* block : automatic)
        {
            const bool anyEmpty = std::any_of (columns.begin(), columns.end(), [] (const Column& c) { return c.blocks == 0; });
            const auto group = blockGroup (block->key);

            const auto best = [&] (bool byGroup)
            {
                int chosen = -1;

                for (int c = 0; c < count; ++c)
                {
                    const auto& column = columns[(size_t) c];

                    if (column.width < block->minimumWidth || (byGroup && ! column.groups.contains (group)))
                        continue;

                    if (chosen < 0 || column.nextY < columns[(size_t) chosen].nextY)
                        chosen = c;
                }

                return chosen;
            };

            int chosen = (group.isNotEmpty() && ! anyEmpty) ? best (true) : -1;

            if (chosen < 0)
                chosen = best (false);

            // No column is wide enough: the widest one cuts the block least (the first on a tie).
            if (chosen < 0)
            {
                chosen = 0;

                for (int c = 1; c < count; ++c)
                    if (columns[(size_t) c].width > columns[(size_t) chosen].width)
                        chosen = c;
            }

            place (*block, chosen);
        }

        // Column rectangles, widths and the splitters in the gaps.
        int bottom = top;

        for (const auto& column : columns)
            bottom = juce::jmax (bottom, column.nextY);

        columnRects.clear();
        columnWidths.clear();

        for (const auto& column : columns)
        {
            columnRects.emplace_back (column.x, top, column.width, bottom - top);
            columnWidths.push_back (column.width);
        }

        while (splitters.size() < count - 1)
        {
            auto* splitter = splitters.add (new ColumnSplitter (splitters.size()));
            addChildComponent (splitter);
            splitter->onPress = [this] (int index) { pressSplitter (index); };
            splitter->onDrag = [this] (int index, int dragX) { dragSplitter (index, dragX); };
        }

        for (int i = 0; i < splitters.size(); ++i)
        {
            auto* splitter = splitters[i];
            splitter->setVisible (i < count - 1);

            if (i < count - 1)
            {
                splitter->setBounds (columns[(size_t) i].x + columns[(size_t) i].width, top, columnGap, bottom - top);
                splitter->toFront (false);
            }
        }

        usableWidth = width - columnGap * (count - 1);
        columnsLeft = left;
    }

    int ExportPage::Content::layOutReport (int width, int top)
    {
        // No height here is cut by the first, unbounded pass: the body gets what it needs.
        const int left = margin;
        int y = top + blockGap;

        reportHeader.setBounds (left + 10, y, juce::jmax (0, width - 10), headerHeight);
        reportTop = y;
        y += headerHeight;

        const int statusHeight = statusText.getPreferredHeight (2);
        statusText.setBounds (left, y, width, statusHeight);
        y += statusHeight + reportGap;

        if (cueTable->isVisible())
        {
            const int tableHeight = cueTable->getRequiredHeight();
            cueTable->setBounds (left, y, width, tableHeight);
            y += tableHeight + reportGap;
        }

        if (gatedList->isVisible())
        {
            const int listHeight = gatedList->getRequiredHeight();
            gatedList->setBounds (left, y, width, listHeight);
            panels.push_back (gatedList->getBounds());
            y += listHeight + reportGap;
        }

        const int issueHeight = ((int) std::ceil (issueList.getFont().getHeight()) + 3) * labelLineCount (issueList);
        issueList.setBounds (left, y, width, issueHeight);
        return issueList.getBottom();
    }
}
