#include "ui/StepBar.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"

namespace korvid::ui
{
    namespace
    {
        const char* const stepNames[pageCount] { "Import", "Preset & stems", "Review", "Levels & export", "Report" };

        bool isStepIndex (int step) noexcept { return step >= 0 && step < pageCount; }
    }

    StepBar::StepBar()
    {
        setTitle ("Workflow steps");
        setWantsKeyboardFocus (true);
    }

    void StepBar::setCurrentStep (int step)
    {
        if (step == currentStep)
            return;

        currentStep = step;
        repaint();
    }

    void StepBar::setStepEnabled (int step, bool shouldBeEnabled)
    {
        if (! isStepIndex (step) || enabled[(size_t) step] == shouldBeEnabled)
            return;

        enabled[(size_t) step] = shouldBeEnabled;
        repaint();
    }

    bool StepBar::isStepEnabled (int step) const noexcept
    {
        return isStepIndex (step) && enabled[(size_t) step];
    }

    int StepBar::stepAt (juce::Point<int> position) const noexcept
    {
        const auto column = getWidth() / pageCount;

        if (column <= 0 || position.x < 0 || position.y < 0 || position.y >= getHeight())
            return -1;

        const auto step = position.x / column;
        return isStepIndex (step) ? step : -1;
    }

    void StepBar::paint (juce::Graphics& g)
    {
        const auto h = getHeight();
        const auto c = getWidth() / pageCount;
        const auto n = juce::jmin (juce::jmax (h - 12, 0), 19);

        g.fillAll (colours::panelBackground);

        for (int i = 0; i < pageCount; ++i)
        {
            const juce::Rectangle<int> column (i * c, 0, c, h);
            const bool isCurrent = i == currentStep;
            const bool isEnabled = enabled[(size_t) i];

            if (isCurrent)
            {
                g.setColour (colours::raisedBackground);
                g.fillRect (column);
                const auto barHeight = juce::jmin (h, 3);
                g.setColour (colours::accent);
                g.fillRect (column.withTop (h - barHeight));
            }
            else if (i == hoverStep && isEnabled)
            {
                g.setColour (colours::raisedBackground.withAlpha (0.5f));
                g.fillRect (column);
            }

            const auto textWidth = juce::jmax (c - 12, 0);

            g.setFont (stepNumberFont());
            g.setColour (isEnabled ? colours::textSecondary : colours::textDisabled);
            g.drawText ("STEP " + juce::String (i + 1), juce::Rectangle<int> (i * c + 6, 6, textWidth, n),
                        juce::Justification::centred, true);

            g.setFont (stepTitleFont());
            g.setColour (isCurrent ? colours::textPrimary : (isEnabled ? colours::textSecondary : colours::textDisabled));
            g.drawText (stepNames[i], juce::Rectangle<int> (i * c + 6, 6 + n, textWidth, juce::jmax (h - 12, 0) - n),
                        juce::Justification::centredTop, true);

            if (i > 0)
            {
                g.setColour (colours::subtleOutline);
                g.fillRect (i * c, 8, 1, h - 16);
            }
        }

        g.setColour (colours::subtleOutline);
        g.fillRect (0, h - 1, getWidth(), 1);
    }

    void StepBar::setHoverStep (int step)
    {
        if (step == hoverStep)
            return;

        hoverStep = step;
        repaint();
    }

    void StepBar::mouseMove (const juce::MouseEvent& e)
    {
        setHoverStep (stepAt (e.getPosition()));
    }

    void StepBar::mouseExit (const juce::MouseEvent&)
    {
        setHoverStep (-1);
    }

    void StepBar::mouseUp (const juce::MouseEvent& e)
    {
        const auto step = stepAt (e.getPosition());

        if (isStepEnabled (step) && onStep != nullptr)
            onStep (static_cast<Page> (step));
    }

    bool StepBar::keyPressed (const juce::KeyPress& key)
    {
        const auto isLeft = key.getKeyCode() == juce::KeyPress::leftKey;

        if (! isLeft && key.getKeyCode() != juce::KeyPress::rightKey)
            return false;

        // Walk round the steps until an enabled one is found; after five steps we are
        // back where we started, so with nothing else enabled the current step is chosen.
        const auto direction = isLeft ? pageCount - 1 : 1;
        auto step = ((currentStep % pageCount) + pageCount) % pageCount;

        for (int moves = 0; moves < pageCount; ++moves)
        {
            step = (step + direction) % pageCount;

            if (enabled[(size_t) step])
                break;
        }

        if (onStep != nullptr)
            onStep (static_cast<Page> (step));

        return true;
    }
}
