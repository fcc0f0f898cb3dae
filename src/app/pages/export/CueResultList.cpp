#include "app/pages/export/CueResultList.h"

#include "app/pages/export/DeliverySummary.h"
#include "app/pages/export/SettingsSliders.h"
#include "core/model/Types.h"
#include "ui/Fonts.h"
#include "ui/LayoutHelpers.h"
#include "ui/Palette.h"
#include "ui/WidthSqueeze.h"

#include <cmath>
#include <map>

namespace korvid::ui
{
    namespace
    {
        // The gaps after the name and after the silence chip; a figure keeps 6 px a side.
        constexpr int nameGap = 6, chipGap = 24, figureMargins = 12;
        // The start of a name, which keeps its room when the table is too narrow for all.
        constexpr int nameStart = 150;

        int textWidth (const juce::Font& font, const juce::String& text)
        {
            // A pixel more for rounding.
            return (int) std::ceil (font.getStringWidthFloat (text)) + 1;
        }

        const juce::String trimRefusal ("The cut is a number of seconds, and cannot be negative.");
        const juce::String tooLongRefusal ("The cut must be shorter than the cue.");
        const juce::String nameRefusal ("That name cannot be used: a cue name becomes part of a file name, so it cannot be "
                                        "empty or contain / or \\.");

        juce::String twoDecimals (double value)
        {
            return juce::String (value, 2);
        }

        juce::Colour dimmed (juce::Colour colour, bool included)
        {
            return included ? colour : colour.withMultipliedAlpha (0.4f);
        }

        int rowTop (int index)
        {
            return ExportPage::CueResultList::firstRowTop + ExportPage::CueResultList::rowHeight * index;
        }
    }

    ExportPage::CueResultList::CueResultList()
    {
        addChildComponent (editor);
        editor.onReturnKey = [this] { finishEdit (true); };
        editor.onFocusLost = [this] { finishEdit (true); };
        editor.onEscapeKey = [this] { finishEdit (false); };
        editor.addKeyListener (this);
    }

    ExportPage::CueResultList::~CueResultList()
    {
        editor.removeKeyListener (this);
    }

    //==============================================================================
    void ExportPage::CueResultList::setRows (std::vector<Row>&& newRows)
    {
        finishEdit (false);
        rows = std::move (newRows);
        setVisible (! rows.empty());
        hoverNameRow = -1;
        message.clear();
        layOutColumns();
        repaint();
    }

    bool ExportPage::CueResultList::syncWithSession (const std::vector<Cue>& cues)
    {
        std::map<juce::String, const Cue*> byId;

        for (const auto& cue : cues)
            byId.emplace (cue.id, &cue);

        bool changed = false;

        for (auto it = rows.begin(); it != rows.end();)
        {
            const auto found = byId.find (it->cueId);

            if (found == byId.end())
            {
                it = rows.erase (it);
                changed = true;
                continue;
            }

            const auto& cue = *found->second;

            if (it->name != cue.name || it->included != cue.included || it->trimSeconds != cue.trimStartSeconds)
            {
                it->name = cue.name;
                it->included = cue.included;
                it->trimSeconds = cue.trimStartSeconds;
                changed = true;
            }

            ++it;
        }

        if (changed)
        {
            if (! juce::isPositiveAndBelow (editRow, (int) rows.size()))
                finishEdit (false);

            setVisible (! rows.empty());
            layOutColumns();
            repaint();
        }

        return changed;
    }

    int ExportPage::CueResultList::getRequiredHeight() const
    {
        return rows.empty() ? 0 : (int) rows.size() * rowHeight + headerHeight;
    }

    int ExportPage::CueResultList::rowForCue (const juce::String& cueId) const
    {
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].cueId == cueId)
                return (int) i;

        return -1;
    }

    //==============================================================================
    juce::PopupMenu ExportPage::CueResultList::createTrimMenu (int index) const
    {
        juce::PopupMenu menu;

        if (! juce::isPositiveAndBelow (index, (int) rows.size()))
            return menu;

        const auto& row = rows[(size_t) index];
        const double silence = row.leadingSilenceSeconds;

        menu.addSectionHeader (silence >= 0.005 ? "Silence found: " + twoDecimals (silence) + " s"
                                                : juce::String ("No silence found at the start"));
        menu.addItem (keepAllId, "Keep it all", true, row.trimSeconds <= 0.0);

        if (silence >= noticedSilence)
            menu.addItem (cutAllId, "Cut all of it   (" + twoDecimals (silence) + " s)");

        if (silence > 0.12)
            menu.addItem (cutAllButATenthId, "Cut all but " + twoDecimals (0.1) + " s   (" + twoDecimals (silence - 0.1) + " s)");

        menu.addSeparator();
        menu.addItem (typeAmountId, "Type an amount...");

        if (rows.size() > 1)
            menu.addItem (cutEveryCueId, "Cut the silence from every cue");

        return menu;
    }

    void ExportPage::CueResultList::showTrimMenu (int index)
    {
        finishEdit (true);

        if (! juce::isPositiveAndBelow (index, (int) rows.size()))
            return;

        const auto cueId = rows[(size_t) index].cueId;
        const juce::Rectangle<int> chip (columns.chipX, firstRowTop + rowHeight * index, chipWidth, rowHeight);
        juce::Component::SafePointer<CueResultList> safeThis (this);

        createTrimMenu (index).showMenuAsync (popupMenuOptions (*this).withTargetScreenArea (localAreaToGlobal (chip)),
                                              [safeThis, cueId] (int result)
                                              {
                                                  if (auto* table = safeThis.getComponent())
                                                      table->trimMenuItemChosen (result, cueId);
                                              });
    }

    void ExportPage::CueResultList::trimMenuItemChosen (int result, const juce::String& cueId)
    {
        const int index = rowForCue (cueId);

        if (result == 0 || index < 0)
            return;

        const double silence = rows[(size_t) index].leadingSilenceSeconds;

        switch (result)
        {
            case keepAllId:          setTrim (index, 0.0); break;
            case cutAllId:           setTrim (index, silence); break;
            case cutAllButATenthId:  setTrim (index, juce::jmax (silence - 0.1, 0.0)); break;
            case typeAmountId:       beginEdit (index, EditMode::trim); break;

            case cutEveryCueId:
                for (size_t i = 0; i < rows.size(); ++i)
                    if (rows[i].leadingSilenceSeconds >= noticedSilence)
                        setTrim ((int) i, rows[i].leadingSilenceSeconds);
                break;

            default: break;
        }
    }

    void ExportPage::CueResultList::setTrim (int index, double seconds)
    {
        if (! juce::isPositiveAndBelow (index, (int) rows.size()) || rows[(size_t) index].trimSeconds == seconds)
            return;

        auto& row = rows[(size_t) index];
        row.trimSeconds = seconds;
        message.clear();
        repaint();

        if (onTrimChanged)
            onTrimChanged (row.cueId, seconds);
    }

    //==============================================================================
    juce::Rectangle<int> ExportPage::CueResultList::editorBounds (int index, EditMode mode) const
    {
        const int top = firstRowTop + rowHeight * index + 1;
        return mode == EditMode::name ? juce::Rectangle<int> (nameX, top, columns.nameWidth, 32)
                                      : juce::Rectangle<int> (columns.chipX, top, chipWidth, 32);
    }

    void ExportPage::CueResultList::placeEditor()
    {
        editor.setBounds (editorBounds (editRow, editMode));
    }

    void ExportPage::CueResultList::fillEditor()
    {
        const auto& row = rows[(size_t) editRow];
        editor.setText (editMode == EditMode::name ? row.name : juce::String (row.trimSeconds, 3), false);
        placeEditor();
        editor.setVisible (true);
        editor.toFront (true);
        editor.grabKeyboardFocus();
        editor.selectAll();
    }

    void ExportPage::CueResultList::beginEdit (int index, EditMode mode)
    {
        finishEdit (true);

        if (! juce::isPositiveAndBelow (index, (int) rows.size()))
            return;

        editRow = index;
        editMode = mode;
        message.clear();
        fillEditor();
        repaint();
    }

    bool ExportPage::CueResultList::finishEdit (bool commit)
    {
        if (! editor.isVisible())
            return true;

        const auto text = editor.getText().trim();
        const int index = editRow;
        editRow = -1;
        editor.setVisible (false);

        return commit ? commitEdit (index, text) : true;
    }

    void ExportPage::CueResultList::refuse (const juce::String& sentence)
    {
        message = sentence;
        repaint();
    }

    bool ExportPage::CueResultList::commitEdit (int index, const juce::String& text)
    {
        if (! juce::isPositiveAndBelow (index, (int) rows.size()))
            return true;

        auto& row = rows[(size_t) index];

        if (editMode == EditMode::trim)
        {
            double seconds = 0.0;

            // The whole text is one number of seconds; "," works as the decimal mark too.
            if (text.isNotEmpty() && (! parseDecimalNumber (text, seconds) || seconds < 0.0))
            {
                refuse (trimRefusal);
                return false;
            }

            if (row.analysed && row.durationSeconds > 0.0 && seconds >= row.durationSeconds + row.runTrimSeconds)
            {
                refuse (tooLongRefusal);
                return false;
            }

            row.trimSeconds = seconds;
            message.clear();
            repaint();

            if (onTrimChanged)
                onTrimChanged (juce::String (row.cueId), seconds);

            return true;
        }

        if (text == row.name || ! onRename)
            return true;

        // The callback reaches the session, which may change the rows: keep the id, not the row.
        const auto cueId = row.cueId;

        if (! onRename (cueId, text))
        {
            refuse (nameRefusal);
            return false;
        }

        if (const int now = rowForCue (cueId); now >= 0)
            rows[(size_t) now].name = text;

        message.clear();
        layOutColumns();
        repaint();
        return true;
    }

    bool ExportPage::CueResultList::keyPressed (const juce::KeyPress& key, juce::Component* originatingComponent)
    {
        if (originatingComponent != &editor || key.getKeyCode() != juce::KeyPress::tabKey || ! editor.isVisible())
            return false;

        const bool backwards = key.getModifiers().isShiftDown();
        const int target = editRow + (backwards ? -1 : 1);

        if (! juce::isPositiveAndBelow (target, (int) rows.size()))
            return false;

        if (! commitEdit (editRow, editor.getText().trim()))
        {
            editor.selectAll();
            return true;
        }

        editRow = target;
        fillEditor();
        return true;
    }

    //==============================================================================
    ExportPage::CueResultList::Hit ExportPage::CueResultList::hitTestRow (juce::Point<int> position) const
    {
        if (position.y < firstRowTop)
            return {};

        const int index = (position.y - firstRowTop) / rowHeight;

        if (! juce::isPositiveAndBelow (index, (int) rows.size()))
            return {};

        const int top = rowTop (index);
        const int x = position.x, y = position.y;

        if (x >= 1 && x <= 20 && y >= top + 2 && y < top + 32)
            return { index, Spot::include };

        if (x >= columns.chipX && x < columns.chipX + chipWidth)
            return { index, Spot::chip };

        if (x >= nameX && x < nameX + columns.nameWidth)
            return { index, Spot::name };

        return { index, Spot::none };
    }

    void ExportPage::CueResultList::mouseMove (const juce::MouseEvent& e)
    {
        const auto hit = hitTestRow (e.getPosition());
        const int nameRow = hit.spot == Spot::name ? hit.row : -1;
        const int trimRow = hit.spot == Spot::chip ? hit.row : -1;

        if (nameRow != hoverNameRow || trimRow != hoverTrimRow)
        {
            hoverNameRow = nameRow;
            hoverTrimRow = trimRow;
            repaint();
        }

        setMouseCursor (hit.spot != Spot::none ? juce::MouseCursor::PointingHandCursor : juce::MouseCursor::NormalCursor);
    }

    void ExportPage::CueResultList::mouseExit (const juce::MouseEvent&)
    {
        hoverNameRow = -1;
        hoverTrimRow = -1;
        setMouseCursor (juce::MouseCursor::NormalCursor);
        repaint();
    }

    void ExportPage::CueResultList::mouseDown (const juce::MouseEvent& e)
    {
        const auto hit = hitTestRow (e.getPosition());

        if (hit.spot == Spot::include)
        {
            finishEdit (true);

            // The commit may have changed the rows; the click goes to the row it landed on.
            if (! juce::isPositiveAndBelow (hit.row, (int) rows.size()))
                return;

            auto& row = rows[(size_t) hit.row];
            row.included = ! row.included;
            repaint();

            if (onIncludedChanged)
                onIncludedChanged (row.cueId, row.included);

            return;
        }

        if (hit.spot == Spot::chip)
        {
            showTrimMenu (hit.row);
            return;
        }

        finishEdit (true);

        if (hit.spot == Spot::name)
            beginEdit (hit.row, EditMode::name);
    }

    juce::String ExportPage::CueResultList::getTooltip()
    {
        return tooltipAt (getMouseXYRelative());
    }

    juce::String ExportPage::CueResultList::tooltipAt (juce::Point<int> position) const
    {
        const juce::String help (
            "Untick a cue and it stays in the session, named and assigned, but is not written this time.\n\n"
            "Click a name to type a new one - the name is the {cue} token in every file the cue writes.\n\n"
            "The figure on the right is the silence the analysis found at the start of the cue. Click it to choose how "
            "much of that to cut - all of it, all but a tenth of a second, an amount you type, or the same for every "
            "cue at once.\n\n"
            "Whatever you choose is applied to the stems, the full mix and every alternative mix alike, at a zero "
            "crossing and with a short fade, so the delivery still adds up.");

        // A name too long for its cell heads the help whole.
        const auto hit = hitTestRow (position);

        if (hit.spot != Spot::name)
            return help;

        const auto& name = rows[(size_t) hit.row].name;
        const int shown = juce::jmax (0, juce::jmin (columns.nameWidth, getWidth() - nameX));
        return bodyFont().getStringWidthFloat (name) > (float) shown ? name + "\n\n" + help : help;
    }

    void ExportPage::CueResultList::resized()
    {
        layOutColumns();
    }

    const std::array<juce::String, ExportPage::CueResultList::figureCount>& ExportPage::CueResultList::figureCaptions()
    {
        static const std::array<juce::String, figureCount> captions { "Duration", "Peak", "Gain", "Assigned stems",
                                                                      "Empty stems" };
        return captions;
    }

    std::array<juce::String, ExportPage::CueResultList::figureCount> ExportPage::CueResultList::figureTexts (const Row& row)
    {
        if (! row.analysed)
            return {};

        return { formatDuration (row.durationSeconds), decibelText (row.peakDb), decibelText (row.gainDb),
                 juce::String (row.assignedStems), row.emptyStems > 0 ? juce::String (row.emptyStems) : juce::String() };
    }

    void ExportPage::CueResultList::layOutColumns()
    {
        // A figure column is as wide as its caption and its texts; the name has the start of
        // its texts before anything, then the figures their texts, then the figures their
        // captions, then the name the rest of its texts. The name takes what is left over.
        enum Turn { leftOver, nameRest, captions };
        const auto captionsFont = captionFont().boldened();
        const auto cellFont = bodyFont();

        int widestName = textWidth (captionsFont, "Cue");
        std::array<int, figureCount> widestFigure {};

        for (const auto& row : rows)
        {
            widestName = juce::jmax (widestName, textWidth (cellFont, row.name));
            const auto texts = figureTexts (row);

            for (size_t i = 0; i < texts.size(); ++i)
                if (texts[i].isNotEmpty())
                    widestFigure[i] = juce::jmax (widestFigure[i], textWidth (cellFont, texts[i]) + figureMargins);
        }

        const int start = juce::jmin (widestName, nameStart);
        std::vector<SqueezableWidth> items {
            { start, start, leftOver },
            { widestName - start, 0, nameRest },
            { getWidth(), 0, leftOver }
        };

        for (size_t i = 0; i < (size_t) figureCount; ++i)
        {
            const int caption = textWidth (captionsFont, figureCaptions()[i]) + figureMargins;
            items.push_back ({ widestFigure[i], widestFigure[i], leftOver });
            items.push_back ({ juce::jmax (0, caption - widestFigure[i]), 0, captions });
        }

        const int fixed = nameX + nameGap + chipWidth + chipGap;
        const auto widths = squeezeWidths (items, getWidth() - fixed);

        columns.nameWidth = widths[0] + widths[1] + widths[2];
        columns.chipX = nameX + columns.nameWidth + nameGap;
        int x = columns.chipX + chipWidth + chipGap;

        for (size_t i = 0; i < (size_t) figureCount; ++i)
        {
            columns.figureX[i] = x;
            columns.figureWidth[i] = widths[3 + 2 * i] + widths[4 + 2 * i];
            x += columns.figureWidth[i];
        }

        if (editor.isVisible() && juce::isPositiveAndBelow (editRow, (int) rows.size()))
            placeEditor();

        repaint();
    }

    //==============================================================================
    void ExportPage::CueResultList::paint (juce::Graphics& g)
    {
        const int width = getWidth();
        const auto clipped = [width] (int x, int w) { return juce::jmax (0, juce::jmin (w, width - x)); };

        g.setFont (captionFont());

        if (message.isNotEmpty())
        {
            g.setColour (colours::bad);
            g.drawText (message, 0, 0, width, 20, juce::Justification::centredLeft, true);
        }
        else
        {
            g.setColour (colours::textSecondary);
            g.drawText ("Untick a cue to leave it out. Click its name to rename it, or the silence figure on the right "
                        "to cut the start off every file it writes.",
                        0, 0, width, 20, juce::Justification::centredLeft, true);
        }

        g.setColour (colours::raisedBackground);
        g.fillRect (0, 28, width, 22);

        g.setFont (captionFont().boldened());
        g.setColour (colours::textSecondary);
        g.drawText ("Cue", nameX, 28, clipped (nameX, columns.nameWidth), 22, juce::Justification::centredLeft, true);
        g.drawText ("Leading silence", columns.chipX, 28, clipped (columns.chipX, chipWidth), 22,
                    juce::Justification::centredLeft, true);

        for (size_t i = 0; i < (size_t) figureCount; ++i)
        {
            const int x = columns.figureX[i] + figureMargins / 2;
            g.drawText (figureCaptions()[i], x, 28, clipped (x, columns.figureWidth[i] - figureMargins), 22,
                        juce::Justification::centredLeft, true);
        }

        g.setColour (colours::subtleOutline);
        g.fillRect (0, 49, width, 1);

        const auto clip = g.getClipBounds();

        for (size_t i = 0; i < rows.size(); ++i)
        {
            const int top = rowTop ((int) i);

            if (top > clip.getBottom() || top + rowHeight < clip.getY())
                continue;

            paintRow (g, (int) i, rows[i]);
        }
    }

    void ExportPage::CueResultList::paintRow (juce::Graphics& g, int index, const Row& row)
    {
        const int width = getWidth();
        const int top = rowTop (index);
        const bool on = row.included;
        const auto clipped = [width] (int x, int w) { return juce::jmax (0, juce::jmin (w, width - x)); };

        if (index % 2 == 1)
        {
            g.setColour (colours::raisedBackground.withAlpha (0.35f));
            g.fillRect (0, top, width, rowHeight);
        }

        // The include box is a check box like every other: the look's own box and tick.
        const float box = includeBoxSize;
        getLookAndFeel().drawTickBox (g, *this, 4.0f, (float) top + ((float) rowHeight - box) / 2.0f, box, box, on,
                                      isEnabled(), false, false);

        if (row.hasProblem)
        {
            g.setColour (colours::bad.withAlpha (0.16f));
            g.fillRoundedRectangle (22.0f, (float) top + 1.0f, (float) juce::jmax (0, width - 22), 32.0f, 3.0f);
        }

        g.setColour (dimmed (row.hasProblem ? colours::bad : colours::good, on));
        g.fillRoundedRectangle (22.0f, (float) top + 3.0f, 4.0f, 28.0f, 2.0f);

        const auto nameColour = row.hasProblem ? colours::bad : colours::textPrimary;
        g.setFont (bodyFont());
        g.setColour (dimmed (nameColour, on));
        g.drawText (row.name, nameX, top, clipped (nameX, columns.nameWidth), rowHeight, juce::Justification::centredLeft, true);

        if (hoverNameRow == index)
        {
            const int underline = juce::jmin (columns.nameWidth, (int) std::ceil (bodyFont().getStringWidthFloat (row.name)));
            g.setColour (nameColour.withAlpha (0.6f));
            g.fillRect (nameX, top + 30, clipped (nameX, underline), 1);
        }

        // The silence chip.
        const int chipX = columns.chipX;
        const auto chip = juce::Rectangle<float> ((float) chipX, (float) top + 3.0f, (float) clipped (chipX, chipWidth), 28.0f);
        const bool trimmed = row.trimSeconds > 0.0;
        g.setColour (dimmed (hoverTrimRow == index && on ? colours::controlHover : colours::controlBackground, on));
        g.fillRoundedRectangle (chip, 3.0f);
        g.setColour (dimmed (trimmed ? colours::accent : colours::outline, on));
        g.drawRoundedRectangle (chip, 3.0f, 1.0f);

        const float cx = chip.getRight() - 7.0f;
        const float cy = (float) top + 17.0f;
        juce::Path chevron;
        chevron.startNewSubPath (cx - 3.0f, cy - 1.5f);
        chevron.lineTo (cx, cy + 2.0f);
        chevron.lineTo (cx + 3.0f, cy - 1.5f);
        g.setColour (dimmed (colours::textSecondary, on));
        g.strokePath (chevron, juce::PathStrokeType (1.2f));

        juce::String chipText ("no silence");

        if (trimmed)
            chipText = "cut " + twoDecimals (row.trimSeconds) + " s";
        else if (row.leadingSilenceSeconds >= noticedSilence)
            chipText = twoDecimals (row.leadingSilenceSeconds) + " s silent";

        g.setFont (smallFont());
        g.setColour (dimmed (trimmed ? colours::accent : colours::textSecondary, on));
        g.drawText (chipText, chipX + 6, top + 3, clipped (chipX + 6, chipWidth - 26), 28, juce::Justification::centredRight, true);

        if (! row.analysed)
            return;

        const auto figures = figureTexts (row);
        g.setFont (bodyFont());
        g.setColour (dimmed (nameColour, on));

        for (size_t i = 0; i < (size_t) figureCount; ++i)
        {
            const int x = columns.figureX[i] + figureMargins / 2;
            g.drawText (figures[i], x, top, clipped (x, columns.figureWidth[i] - figureMargins), rowHeight,
                        juce::Justification::centredLeft, true);
        }
    }
}
