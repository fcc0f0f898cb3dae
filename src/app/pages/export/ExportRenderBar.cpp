#include "app/pages/export/ExportRenderBar.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <cmath>

namespace korvid::ui
{
    namespace
    {
        constexpr int margin = 12;
        constexpr int rowHeight = 30;
        constexpr int smallButton = 30;
        constexpr double shortestStretch = 0.005;

        /** Takes up to `amount` from the left of the row; never more than what is left. */
        juce::Rectangle<int> takeLeft (juce::Rectangle<int>& row, int amount)
        {
            return row.removeFromLeft (juce::jlimit (0, row.getWidth(), amount));
        }

        juce::Rectangle<int> takeRight (juce::Rectangle<int>& row, int amount)
        {
            return row.removeFromRight (juce::jlimit (0, row.getWidth(), amount));
        }

        juce::Rectangle<int> takeTop (juce::Rectangle<int>& area, int amount)
        {
            return area.removeFromTop (juce::jlimit (0, area.getHeight(), amount));
        }

        bool isWorkingPhase (int phase)
        {
            return phase != (int) RenderJob::Phase::starting && phase != (int) RenderJob::Phase::finished;
        }
    }

    //==============================================================================
    ExportPage::RenderBar::RenderBar()
    {
        cancelButton.setEnabled (false);

        zoomOutButton.setTooltip ("Show more of the take.");
        zoomInButton.setTooltip ("Show less of the take, in more detail.");
        wholeTakeButton.setTooltip ("Back to the whole take.");
        tallerButton.setTooltip ("Draw the tracks taller.");
        shorterButton.setTooltip ("Draw the tracks shorter, so more of them fit.");

        for (auto* button : std::initializer_list<juce::Component*> { &zoomOutButton, &zoomInButton, &wholeTakeButton,
                                                                        &shorterButton, &tallerButton })
            button->setVisible (false);

        for (auto* child : std::initializer_list<juce::Component*> { &saveButton, &chooseFolderButton, &openFolderButton,
                                                                       &folderLabel, &analyseButton, &renderButton,
                                                                       &cancelButton, &phaseBar })
            addAndMakeVisible (child);

        for (auto* button : std::initializer_list<juce::Component*> { &zoomOutButton, &zoomInButton, &wholeTakeButton,
                                                                        &shorterButton, &tallerButton })
            addChildComponent (button);

        folderLabel.setMinimumHorizontalScale (1.0f);
    }

    void ExportPage::RenderBar::setZoomButtonsVisible (bool shouldShow)
    {
        for (auto* button : std::initializer_list<juce::Component*> { &zoomOutButton, &zoomInButton, &wholeTakeButton,
                                                                        &shorterButton, &tallerButton })
            button->setVisible (shouldShow);

        resized();
    }

    bool ExportPage::RenderBar::areZoomButtonsVisible() const
    {
        return zoomInButton.isVisible();
    }

    void ExportPage::RenderBar::paint (juce::Graphics& g)
    {
        g.fillAll (colours::panelBackground);
        g.setColour (colours::outline);
        g.fillRect (0, 0, getWidth(), 1);
    }

    void ExportPage::RenderBar::resized()
    {
        auto inner = getLocalBounds().reduced (margin);
        inner.setSize (juce::jmax (0, inner.getWidth()), juce::jmax (0, inner.getHeight()));

        auto top = takeTop (inner, rowHeight);
        takeTop (inner, margin);
        auto second = takeTop (inner, rowHeight);

        if (areZoomButtonsVisible())
        {
            tallerButton.setBounds (takeRight (top, smallButton));
            takeRight (top, 3);
            shorterButton.setBounds (takeRight (top, smallButton));
            takeRight (top, 3 + margin);
            wholeTakeButton.setBounds (takeRight (top, smallButton));
            takeRight (top, 3);
            zoomOutButton.setBounds (takeRight (top, smallButton));
            takeRight (top, 3);
            zoomInButton.setBounds (takeRight (top, smallButton));
            takeRight (top, 3 + margin);
        }

        saveButton.setBounds (takeLeft (top, 150));
        takeLeft (top, 5);
        chooseFolderButton.setBounds (takeLeft (top, 170));
        takeLeft (top, 5);
        openFolderButton.setBounds (takeLeft (top, 110));
        takeLeft (top, margin);
        folderLabel.setBounds (top);

        analyseButton.setBounds (takeLeft (second, 150));
        takeLeft (second, 5);
        renderButton.setBounds (takeLeft (second, 170));
        takeLeft (second, 5);
        cancelButton.setBounds (takeLeft (second, 90));
        takeLeft (second, margin);
        phaseBar.setBounds (second);
    }

    //==============================================================================
    ExportPage::RenderBar::PhaseBar::PhaseBar()
    {
        setInterceptsMouseClicks (false, false);
    }

    void ExportPage::RenderBar::PhaseBar::setProgress (double fraction, int phase)
    {
        progress = std::isfinite (fraction) ? juce::jlimit (0.0, 1.0, fraction) : 0.0;

        if (! isWorkingPhase (phase))
        {
            if (! segments.empty())
                segments.back().end = juce::jmax (segments.back().end, progress);

            return;
        }

        if (! segments.empty() && segments.back().phase == phase)
        {
            segments.back().end = juce::jmax (segments.back().end, progress);
            return;
        }

        if (segments.size() >= 2 && segments.back().end - segments.back().start < shortestStretch)
        {
            const double absorbedEnd = segments.back().end;
            segments.pop_back();
            segments.back().end = absorbedEnd;

            if (segments.back().phase == phase)
            {
                segments.back().end = juce::jmax (segments.back().end, progress);
                return;
            }
        }

        const double start = segments.empty() ? 0.0 : segments.back().end;
        segments.push_back ({ phase, start, juce::jmax (progress, start) });
    }

    void ExportPage::RenderBar::PhaseBar::setText (const juce::String& newText)
    {
        if (newText == text)
            return;

        text = newText;
        repaint();
    }

    void ExportPage::RenderBar::PhaseBar::reset()
    {
        segments.clear();
        progress = 0.0;
        repaint();
    }

    void ExportPage::RenderBar::PhaseBar::complete()
    {
        progress = 1.0;

        if (! segments.empty())
            segments.back().end = juce::jmax (segments.back().end, 1.0);

        repaint();
    }

    juce::Colour ExportPage::RenderBar::PhaseBar::phaseColour (int phase)
    {
        if (phase == (int) RenderJob::Phase::writing)
            return juce::Colour (0xff4f97d9);

        if (phase == (int) RenderJob::Phase::verifying)
            return juce::Colour (0xff2559c4);

        return juce::Colour (0xff9fd0ee);
    }

    void ExportPage::RenderBar::PhaseBar::paint (juce::Graphics& g)
    {
        const auto area = getLocalBounds().toFloat();
        const float x = area.getX(), y = area.getY(), w = area.getWidth(), h = area.getHeight();

        g.setColour (colours::controlBackground);
        g.fillRoundedRectangle (area, 4.0f);

        if (! segments.empty())
        {
            juce::Graphics::ScopedSaveState state (g);
            juce::Path clip;
            clip.addRoundedRectangle (area, 4.0f);
            g.reduceClipRegion (clip);

            // From the last to the first, so each phase keeps its colour over its own stretch.
            for (auto it = segments.rbegin(); it != segments.rend(); ++it)
            {
                const float right = x + w * (float) it->end;

                if (right <= x)
                    continue;

                g.setColour (phaseColour (it->phase));
                g.fillRect (juce::Rectangle<float> (x, y, right - x, h));
            }
        }

        g.setColour (colours::subtleOutline);
        g.drawRoundedRectangle (x + 0.5f, y + 0.5f, juce::jmax (0.0f, w - 1.0f), juce::jmax (0.0f, h - 1.0f), 4.0f, 1.0f);

        if (text.isEmpty())
            return;

        g.setFont (captionFont());
        const auto textArea = juce::Rectangle<float> (x + 6.0f, y, juce::jmax (0.0f, w - 12.0f), h);
        const int fillEdge = juce::roundToInt (x + w * (float) progress);
        const int left = juce::roundToInt (x);
        const int right = juce::roundToInt (x + w);

        {
            juce::Graphics::ScopedSaveState state (g);
            g.reduceClipRegion (juce::Rectangle<int> (left, 0, juce::jmax (0, fillEdge - left), getHeight()));
            g.setColour (juce::Colour (0xff10171f));
            g.drawText (text, textArea, juce::Justification::centredLeft, true);
        }

        {
            juce::Graphics::ScopedSaveState state (g);
            g.reduceClipRegion (juce::Rectangle<int> (fillEdge, 0, juce::jmax (0, right - fillEdge), getHeight()));
            g.setColour (colours::textSecondary);
            g.drawText (text, textArea, juce::Justification::centredLeft, true);
        }
    }
}
