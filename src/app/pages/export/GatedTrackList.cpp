#include "app/pages/export/GatedTrackList.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/WaveformView.h"

#include <cmath>

namespace korvid::ui
{
    namespace
    {
        constexpr double coverTolerance = 1e-9;
        constexpr int detailWaitMs = 300;

        bool covers (const ExportPage::GatedTrackList::Detail& detail, double start, double end)
        {
            return start >= detail.startFraction - coverTolerance && end <= detail.endFraction + coverTolerance;
        }
    }

    /** Restarted by every zoom, fold and reset; when the view has been still for a moment
        the list reads finer waveforms. */
    class ExportPage::GatedTrackList::SettleTimer : public juce::Timer
    {
    public:
        explicit SettleTimer (GatedTrackList& owner) : list (owner) {}

        void timerCallback() override
        {
            stopTimer();
            list.fetchDetails();
        }

    private:
        GatedTrackList& list;
    };

    /** Reads one row's window on the list's pool. Works on copies; its result goes to the
        message thread, where a gone list, newer rows or another file drop it. */
    class ExportPage::GatedTrackList::DetailJob : public juce::ThreadPoolJob
    {
    public:
        DetailJob (juce::Component::SafePointer<GatedTrackList> owner, juce::File source, double start, double end,
                   int rowIndex, int rowsGeneration)
            : juce::ThreadPoolJob ("gated detail"),
              list (owner), file (std::move (source)), startFraction (start), endFraction (end),
              index (rowIndex), generation (rowsGeneration)
        {
        }

        JobStatus runJob() override
        {
            juce::String error;
            auto overview = readWaveformWindow (file, startFraction, endFraction, detailBuckets, error,
                                                [this] { return shouldExit(); });

            if (shouldExit() || overview.minima.empty())
                return jobHasFinished;

            Detail detail { startFraction, endFraction, std::move (overview) };

            juce::MessageManager::callAsync ([owner = list, index = index, generation = generation, source = file,
                                              result = std::move (detail)]() mutable
            {
                if (auto* target = owner.getComponent())
                    target->storeDetail (index, generation, source, std::move (result));
            });

            return jobHasFinished;
        }

    private:
        juce::Component::SafePointer<GatedTrackList> list;
        const juce::File file;
        const double startFraction, endFraction;
        const int index, generation;
    };

    //==============================================================================
    ExportPage::GatedTrackList::GatedTrackList()
        : settleTimer (std::make_unique<SettleTimer> (*this))
    {
        setWantsKeyboardFocus (true);
        setInterceptsMouseClicks (true, false);
    }

    ExportPage::GatedTrackList::~GatedTrackList()
    {
        settleTimer->stopTimer();

        if (detailPool != nullptr)
            detailPool->removeAllJobs (true, detailWaitMs);
    }

    void ExportPage::GatedTrackList::setRows (std::vector<Row>&& newRows)
    {
        // Reads asked for the rows before are of no use any more.
        ++generation;

        if (detailPool != nullptr)
            detailPool->removeAllJobs (true, detailWaitMs);

        rows = std::move (newRows);
        collapsedCues.clear();
        details.assign (rows.size(), Detail {});

        int widest = 0;
        const juce::Font labelFont (13.5f);

        for (const auto& row : rows)
            widest = juce::jmax (widest, (int) std::ceil (labelFont.getStringWidthFloat (row.fileName)));

        labelWidth = juce::jlimit (280, 620, widest + 162);
        setVisible (! rows.empty());
        repaint();
    }

    bool ExportPage::GatedTrackList::renameCue (const juce::String& cueId, const juce::String& newName)
    {
        bool changed = false;

        for (auto& row : rows)
        {
            if (row.cueId == cueId && row.cueName != newName)
            {
                row.cueName = newName;
                changed = true;
            }
        }

        if (changed)
            repaint();

        return changed;
    }

    //==============================================================================
    void ExportPage::GatedTrackList::viewChanged()
    {
        repaint();
        settleTimer->startTimer (settleMs);
    }

    void ExportPage::GatedTrackList::zoomBy (double factor)
    {
        const double span = juce::jlimit (smallestSpan, 1.0, (viewEnd - viewStart) * factor);
        const double centre = (viewStart + viewEnd) / 2.0;
        viewStart = juce::jlimit (0.0, 1.0 - span, centre - span / 2.0);
        viewEnd = viewStart + span;
        viewChanged();
    }

    void ExportPage::GatedTrackList::resetView()
    {
        viewStart = 0.0;
        viewEnd = 1.0;
        viewChanged();
    }

    void ExportPage::GatedTrackList::changeRowHeight (bool taller)
    {
        const int height = taller ? juce::jmin (rowHeight + rowHeightStep, tallestRow)
                                  : (rowHeight < 42 ? shortestRow : rowHeight - rowHeightStep);

        if (height == rowHeight)
            return;

        rowHeight = height;

        if (onLayoutChanged)
            onLayoutChanged();

        repaint();
    }

    void ExportPage::GatedTrackList::toggleCue (const juce::String& cueName)
    {
        if (collapsedCues.contains (cueName))
            collapsedCues.removeString (cueName);
        else
            collapsedCues.add (cueName);

        if (onLayoutChanged)
            onLayoutChanged();

        viewChanged();
    }

    bool ExportPage::GatedTrackList::isSettling() const
    {
        return settleTimer->isTimerRunning();
    }

    int ExportPage::GatedTrackList::pendingDetailJobs() const
    {
        return detailPool != nullptr ? detailPool->getNumJobs() : 0;
    }

    //==============================================================================
    void ExportPage::GatedTrackList::fetchDetails()
    {
        if (rows.empty())
            return;

        if (detailPool == nullptr)
            detailPool = std::make_unique<juce::ThreadPool> (1);

        detailPool->removeAllJobs (true, detailWaitMs);

        if (viewEnd - viewStart > 0.25)
        {
            details.assign (rows.size(), Detail {});
            repaint();
            return;
        }

        details.resize (rows.size());
        const double span = viewEnd - viewStart;
        juce::Component::SafePointer<GatedTrackList> safeThis (this);

        for (size_t i = 0; i < rows.size(); ++i)
        {
            if (isFolded ((int) i) || ! rows[i].file.existsAsFile())
                continue;

            const auto& detail = details[i];
            const bool useful = ! detail.overview.minima.empty() && covers (detail, viewStart, viewEnd)
                             && detail.endFraction - detail.startFraction <= 1.6 * span;

            if (! useful)
                detailPool->addJob (new DetailJob (safeThis, rows[i].file, viewStart, viewEnd, (int) i, generation), true);
        }
    }

    void ExportPage::GatedTrackList::storeDetail (int index, int rowsGeneration, const juce::File& file, Detail detail)
    {
        if (rowsGeneration != generation || ! juce::isPositiveAndBelow (index, (int) details.size())
            || ! juce::isPositiveAndBelow (index, (int) rows.size()) || rows[(size_t) index].file != file)
            return;

        details[(size_t) index] = std::move (detail);
        repaint();
    }

    //==============================================================================
    double ExportPage::GatedTrackList::playStartSeconds (const Row& row)
    {
        if (! row.regions.empty() && row.regions.front().start <= 1e-4)
            return row.regions.front().floorEnd * row.lengthSeconds;

        return 0.0;
    }

    bool ExportPage::GatedTrackList::jumpPlaying (bool forward)
    {
        if (! isPlaying)
            return false;

        for (size_t i = 0; i < rows.size(); ++i)
            if (isPlaying (rows[i]))
                return jumpWithin ((int) i, forward);

        return false;
    }

    bool ExportPage::GatedTrackList::jumpWithin (int index, bool forward)
    {
        if (! juce::isPositiveAndBelow (index, (int) rows.size()))
            return false;

        const auto& row = rows[(size_t) index];
        const double position = playFraction ? playFraction (row) : -1.0;
        const double current = position >= 0.0 ? position : -1.0;
        const double limit = position >= 0.0 ? position : 1.0;
        const double oneSecond = row.lengthSeconds > 0.0 ? 1.0 / row.lengthSeconds : 0.0;

        double target = -1.0;

        for (const auto& region : row.regions)
        {
            // Where cleaned sound comes back: the end of a floor that a fade-in follows.
            if (region.floorEnd >= region.end)
                continue;

            if (forward)
            {
                if (region.floorEnd > current + 1e-6)
                {
                    target = region.floorEnd;
                    break;
                }
            }
            else if (region.floorEnd < limit - oneSecond)
            {
                target = region.floorEnd;
            }
        }

        if (target < 0.0 || ! onSeekOrAudition)
            return false;

        onSeekOrAudition (row, target * row.lengthSeconds);
        repaint();
        return true;
    }

    //==============================================================================
    juce::Rectangle<int> ExportPage::GatedTrackList::contentArea() const
    {
        return getLocalBounds().reduced (padding);
    }

    bool ExportPage::GatedTrackList::isFolded (int index) const
    {
        return collapsedCues.contains (rows[(size_t) index].cueName);
    }

    int ExportPage::GatedTrackList::groupSize (const juce::String& cueName) const
    {
        int count = 0;

        for (const auto& row : rows)
            if (row.cueName == cueName)
                ++count;

        return count;
    }

    std::vector<ExportPage::GatedTrackList::Item> ExportPage::GatedTrackList::walk() const
    {
        std::vector<Item> items;
        int y = padding + summaryHeight;

        for (size_t i = 0; i < rows.size(); ++i)
        {
            if (i == 0 || rows[i].cueName != rows[i - 1].cueName)
            {
                items.push_back ({ true, (int) i, y, groupHeight });
                y += groupHeight;
            }

            if (! isFolded ((int) i))
            {
                items.push_back ({ false, (int) i, y, rowHeight });
                y += rowHeight;
            }
        }

        return items;
    }

    int ExportPage::GatedTrackList::getRequiredHeight() const
    {
        if (rows.empty())
            return 0;

        int height = 2 * padding + summaryHeight;

        for (const auto& item : walk())
            height += item.height;

        return height;
    }

    juce::Rectangle<int> ExportPage::GatedTrackList::rowBounds (int index) const
    {
        const auto area = contentArea();

        for (const auto& item : walk())
            if (! item.header && item.index == index)
                return { area.getX(), item.y, area.getWidth(), item.height };

        return {};
    }

    ExportPage::GatedTrackList::Spot ExportPage::GatedTrackList::spotAt (juce::Point<int> position) const
    {
        const auto area = contentArea();

        for (const auto& item : walk())
        {
            if (position.y < item.y || position.y >= item.y + item.height
                || position.x < area.getX() || position.x >= area.getRight())
                continue;

            if (item.header)
                return { Spot::Kind::header, item.index };

            const int x = position.x - area.getX();

            if (x < buttonWidth)
                return { Spot::Kind::play, item.index };

            if (x < 2 * buttonWidth)
                return { Spot::Kind::next, item.index };

            if (x >= labelWidth + 5)
                return { Spot::Kind::waveform, item.index };

            return { Spot::Kind::row, item.index };
        }

        return {};
    }

    //==============================================================================
    void ExportPage::GatedTrackList::mouseDown (const juce::MouseEvent& e)
    {
        grabKeyboardFocus();
        const auto spot = spotAt (e.getPosition());

        if (spot.kind == Spot::Kind::none || spot.kind == Spot::Kind::row)
            return;

        const auto& row = rows[(size_t) spot.index];

        switch (spot.kind)
        {
            case Spot::Kind::header:
                toggleCue (row.cueName);
                break;

            case Spot::Kind::play:
                if (onAudition)
                    onAudition (row, playStartSeconds (row));

                repaint();
                break;

            case Spot::Kind::next:
                jumpWithin (spot.index, true);
                break;

            case Spot::Kind::waveform:
            {
                if (! onSeekOrAudition)
                    return;

                const auto area = contentArea();
                const int waveLeft = area.getX() + labelWidth + 5;
                const int waveWidth = juce::jmax (0, area.getRight() - waveLeft);
                const double width = waveWidth < 2 ? 1.0 : (double) waveWidth;
                double t = viewStart + (e.x - waveLeft) * (viewEnd - viewStart) / width;

                // Inside a cleaned stretch: from where the sound comes back.
                for (const auto& region : row.regions)
                {
                    if (t >= region.start && t <= region.end)
                    {
                        t = region.floorEnd;
                        break;
                    }
                }

                onSeekOrAudition (row, t * row.lengthSeconds);
                repaint();
                break;
            }

            default:
                break;
        }
    }

    void ExportPage::GatedTrackList::mouseDoubleClick (const juce::MouseEvent&)
    {
        resetView();
    }

    void ExportPage::GatedTrackList::mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel)
    {
        const auto area = contentArea();
        const int waveLeft = area.getX() + labelWidth + 5;
        const int waveWidth = area.getRight() - waveLeft;
        const bool overWaveforms = e.x >= waveLeft && e.x < area.getRight() && e.y >= area.getY() + summaryHeight
                                && e.y < area.getBottom() && waveWidth > 0;

        if (! overWaveforms || wheel.deltaY == 0.0f)
        {
            juce::Component::mouseWheelMove (e, wheel);
            return;
        }

        const double span = viewEnd - viewStart;
        const double newSpan = juce::jlimit (smallestSpan, 1.0, wheel.deltaY > 0.0f ? span * 0.9 : span / 0.9);
        const double anchor = viewStart + juce::jlimit (0.0, 1.0, (double) (e.x - waveLeft) / waveWidth) * span;
        viewStart = juce::jlimit (0.0, 1.0 - newSpan, anchor - newSpan / span * (anchor - viewStart));
        viewEnd = viewStart + newSpan;
        viewChanged();
    }

    bool ExportPage::GatedTrackList::keyPressed (const juce::KeyPress& key)
    {
        const auto modifiers = key.getModifiers();

        if (modifiers.isShiftDown() || modifiers.isCtrlDown() || modifiers.isAltDown() || modifiers.isCommandDown())
            return false;

        if (key.getKeyCode() == juce::KeyPress::spaceKey)
        {
            if (onToggle)
                onToggle();

            return true;
        }

        if (key.getKeyCode() == juce::KeyPress::rightKey)
            return jumpPlaying (true);

        if (key.getKeyCode() == juce::KeyPress::leftKey)
            return jumpPlaying (false);

        return false;
    }

    //==============================================================================
    juce::String ExportPage::GatedTrackList::summaryText() const
    {
        int touched = 0;
        double seconds = 0.0;

        for (const auto& row : rows)
        {
            if (row.gatedRuns > 0)
                ++touched;

            seconds += row.gatedSeconds;
        }

        return juce::String (touched) + " of " + juce::String ((int) rows.size()) + " tracks touched, "
             + juce::String (seconds, 1) + " s taken down. Shaded is what was cleaned, blue its fades. Click one to "
               "hear it come back.";
    }

    void ExportPage::GatedTrackList::paint (juce::Graphics& g)
    {
        if (rows.empty())
            return;

        const auto area = contentArea();
        g.setColour (colours::textSecondary);
        g.setFont (juce::Font (12.0f));
        g.drawText (summaryText(), area.getX(), area.getY(), juce::jmax (0, area.getWidth() - 189),
                    juce::jmin (area.getHeight(), summaryHeight), juce::Justification::centredLeft, true);

        const auto clip = g.getClipBounds();

        for (const auto& item : walk())
        {
            if (item.y > clip.getBottom() || item.y + item.height < clip.getY())
                continue;

            const juce::Rectangle<int> bounds (area.getX(), item.y, area.getWidth(), item.height);

            if (item.header)
                paintHeader (g, bounds, item.index);
            else
                paintRow (g, bounds, item.index);
        }
    }

    void ExportPage::GatedTrackList::paintHeader (juce::Graphics& g, const juce::Rectangle<int>& bounds, int index)
    {
        const auto& cueName = rows[(size_t) index].cueName;
        const bool folded = collapsedCues.contains (cueName);

        g.setColour (colours::windowBackground);
        g.fillRect (bounds);

        const float x0 = (float) bounds.getX() + (float) (juce::jmin (bounds.getWidth(), 22) - 12) / 2.0f + 1.0f;
        const float y0 = (float) bounds.getY() + (float) (groupHeight - 12) / 2.0f + 1.0f;
        juce::Path triangle;

        if (folded)
            triangle.addTriangle (x0, y0, x0, y0 + 10.0f, x0 + 10.0f, y0 + 5.0f);
        else
            triangle.addTriangle (x0, y0, x0 + 10.0f, y0, x0 + 5.0f, y0 + 10.0f);

        g.setColour (colours::textSecondary);
        g.fillPath (triangle);

        auto text = cueName;

        if (folded)
            text << "   (" << groupSize (cueName) << " tracks)";

        g.setColour (colours::textPrimary);
        g.setFont (juce::Font (14.0f, juce::Font::bold));
        g.drawText (text, bounds.getX() + 22, bounds.getY() + 4, juce::jmax (0, bounds.getWidth() - 22), 26,
                    juce::Justification::bottomLeft, true);
    }

    void ExportPage::GatedTrackList::paintRow (juce::Graphics& g, const juce::Rectangle<int>& bounds, int index)
    {
        const auto& row = rows[(size_t) index];
        const int x = bounds.getX();
        const int innerTop = bounds.getY() + 2;
        const int innerHeight = juce::jmax (0, bounds.getHeight() - 4);

        if (index % 2 == 1)
        {
            g.setColour (colours::raisedBackground.withAlpha (0.45f));
            g.fillRect (bounds);
        }

        // Play and next buttons: a key each, with its icon in a square inset from the box.
        const auto drawKey = [&g] (juce::Rectangle<float> box)
        {
            const float side = juce::jmax (0.0f, juce::jmin (box.getWidth(), box.getHeight()) - 3.0f);
            const auto square = juce::Rectangle<float> (side, side).withCentre (box.getCentre());
            g.setColour (colours::controlBackground);
            g.fillRoundedRectangle (square, 4.0f);
            g.setColour (colours::subtleOutline);
            g.drawRoundedRectangle (square, 4.0f, 1.0f);
        };

        const auto iconSquare = [] (juce::Rectangle<float> box, float insetFraction)
        {
            const float smaller = juce::jmin (box.getWidth(), box.getHeight());
            const float side = juce::jmax (0.0f, smaller - 2.0f * insetFraction * smaller);
            return juce::Rectangle<float> (side, side).withCentre (box.getCentre());
        };

        const auto playBox = juce::Rectangle<float> ((float) x, (float) innerTop, (float) buttonWidth, (float) innerHeight);
        drawKey (playBox);
        const auto playIcon = iconSquare (playBox, 0.26f);

        if (isPlaying && isPlaying (row))
        {
            g.setColour (colours::accent);
            g.fillRect (playIcon);
        }
        else
        {
            juce::Path triangle;
            triangle.addTriangle (playIcon.getX(), playIcon.getY(), playIcon.getX(), playIcon.getBottom(),
                                  playIcon.getRight(), playIcon.getCentreY());
            g.setColour (colours::textPrimary);
            g.fillPath (triangle);
        }

        const auto nextBox = playBox.translated ((float) buttonWidth, 0.0f);
        drawKey (nextBox);
        const auto nextIcon = iconSquare (nextBox, 0.28f);
        const float arrowWidth = nextIcon.getWidth() * 0.78f;
        const float barLeft = nextIcon.getX() + arrowWidth + 0.4f * (nextIcon.getWidth() - arrowWidth);
        juce::Path next;
        next.addTriangle (nextIcon.getX(), nextIcon.getY(), nextIcon.getX(), nextIcon.getBottom(),
                          nextIcon.getX() + arrowWidth, nextIcon.getCentreY());
        next.addRectangle (barLeft, nextIcon.getY(), juce::jmax (0.0f, nextIcon.getRight() - barLeft), nextIcon.getHeight());
        g.setColour (row.regions.empty() ? colours::textDisabled : colours::textPrimary);
        g.fillPath (next);

        // Name and how much was taken down.
        g.setFont (juce::Font (13.5f));
        g.setColour (row.gatedRuns < 1 ? colours::textSecondary : colours::textPrimary);
        g.drawText (row.fileName, x + 2 * buttonWidth, innerTop, juce::jmax (0, labelWidth - 152), innerHeight,
                    juce::Justification::centredLeft, false);

        const juce::String taken = row.wholeFileSilent ? juce::String ("all of it")
                                 : row.gatedRuns > 0   ? juce::String (row.gatedSeconds, 1) + " s"
                                                       : juce::String ("-");
        g.setFont (juce::Font (11.0f));
        g.setColour (colours::textSecondary);
        g.drawText (taken, x + labelWidth - 100, innerTop, 100, innerHeight, juce::Justification::centredRight, true);

        // The waveform of the visible window, the cleaned stretches and their fades.
        const int waveLeft = x + labelWidth + 5;
        const auto wave = juce::Rectangle<int> (waveLeft, innerTop, juce::jmax (0, bounds.getRight() - waveLeft), innerHeight);

        if (wave.isEmpty())
            return;

        const auto& detail = details[(size_t) index];

        if (! detail.overview.minima.empty() && covers (detail, viewStart, viewEnd))
            WaveformView::drawMiniWaveform (g, wave.toFloat(), detail.overview, colours::stem, false,
                                            detail.startFraction, detail.endFraction, viewStart, viewEnd);
        else
            WaveformView::drawMiniWaveform (g, wave.toFloat(), row.overview, colours::stem, false, 0.0, 1.0,
                                            viewStart, viewEnd);

        juce::Graphics::ScopedSaveState saved (g);
        g.reduceClipRegion (wave);
        const double span = viewEnd - viewStart;
        const auto toX = [&] (double f) { return (float) wave.getX() + (float) ((f - viewStart) / span * wave.getWidth()); };
        const float top = (float) wave.getY(), height = (float) wave.getHeight();

        for (const auto& region : row.regions)
        {
            const float start = toX (region.start), end = toX (region.end);
            g.setColour (shadeColour.withAlpha (0.16f));
            g.fillRect (juce::Rectangle<float> (start, top, juce::jmax (0.0f, end - start), height));

            const auto fade = [&] (float from, float to)
            {
                if (to - from < 1.0f)
                    return;

                g.setColour (fadeColour.withAlpha (0.42f));
                g.fillRect (juce::Rectangle<float> (from, top, to - from, height));
                g.setColour (fadeColour.withAlpha (0.95f));
                g.fillRect (juce::Rectangle<float> (from, top, 1.0f, height));
                g.fillRect (juce::Rectangle<float> (to - 1.0f, top, 1.0f, height));
            };

            if (region.floorStart > region.start)
                fade (start, toX (region.floorStart));

            if (region.floorEnd < region.end)
                fade (toX (region.floorEnd), end);
        }

        if (playFraction)
        {
            const double position = playFraction (row);

            if (position >= 0.0 && position >= viewStart && position <= viewEnd)
            {
                g.setColour (colours::playhead);
                g.fillRect (juce::Rectangle<float> (toX (position) - 0.8f, top, 1.6f, height));
            }
        }
    }
}
