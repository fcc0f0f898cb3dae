#include "app/pages/export/ExportContent.h"

#include "ui/TextFit.h"

#include <cmath>

namespace korvid::ui
{
    namespace
    {
        constexpr int narrowControlWidth = 170;
        constexpr int captionLineHeight = 20;
        constexpr int rowGap = 6;

        /** Takes up to `height` from the top of the area; never more than is left. */
        juce::Rectangle<int> take (juce::Rectangle<int>& area, int height)
        {
            return area.removeFromTop (juce::jlimit (0, area.getHeight(), height));
        }

        void place (juce::Rectangle<int>& area, juce::Component& component, int height)
        {
            component.setBounds (take (area, height));
        }

        int textWidth (const juce::Font& font, const juce::String& text)
        {
            return (int) std::ceil (font.getStringWidthFloat (text));
        }
    }

    int ExportPage::Content::choiceWidth (const juce::ComboBox& box)
    {
        const juce::Font font (15.0f);
        float widest = 0.0f;

        for (int i = 0; i < box.getNumItems(); ++i)
            widest = juce::jmax (widest, font.getStringWidthFloat (box.getItemText (i)));

        return juce::jlimit (120, 620, (int) std::ceil (widest) + 56);
    }

    void ExportPage::Content::layOutRow (juce::Rectangle<int>& area, juce::Component& label, juce::Component& control,
                                         int labelWidth, int height, int maxWidth)
    {
        const bool narrow = area.getWidth() - labelWidth - 5 < narrowControlWidth;
        const int controlWidth = narrow ? juce::jmin (area.getWidth(), maxWidth)
                                        : juce::jmin (maxWidth, juce::jmax (0, area.getWidth() - labelWidth - 5));

        // A chooser whose longest choice does not fit on one line at this width gets the
        // lines it needs, so that no choice is cut.
        if (auto* box = dynamic_cast<juce::ComboBox*> (&control))
            height = comboBoxHeightFor (*box, controlWidth, height);

        if (narrow)
        {
            // A narrow block: the caption takes a line of its own.
            label.setBounds (take (area, captionLineHeight));
            auto line = take (area, height);
            control.setBounds (line.withWidth (juce::jmin (line.getWidth(), maxWidth)));
        }
        else
        {
            auto line = take (area, height);
            label.setBounds (line.removeFromLeft (juce::jmin (line.getWidth(), labelWidth)));
            line.removeFromLeft (juce::jmin (5, line.getWidth()));
            control.setBounds (line.withWidth (juce::jmin (maxWidth, line.getWidth())));
        }

        take (area, rowGap);
    }

    void ExportPage::Content::layOutInlinePair (juce::Rectangle<int> area, juce::Label& label, juce::Component& control)
    {
        const int captionWidth = juce::jmin (textWidth (juce::Font (14.0f), label.getText()) + 12, area.getWidth() / 2);
        label.setBounds (area.removeFromLeft (captionWidth));
        area.removeFromLeft (juce::jmin (5, area.getWidth()));
        control.setBounds (area);
    }

    //==============================================================================
    void ExportPage::Content::layOutCues (juce::Rectangle<int>& area)
    {
        place (area, cuesHeader, headerHeight);
        place (area, cueLine, 18);
        take (area, 5);
        layOutRow (area, folderNameLabel, folderNameBox, rowLabelWidth, rowHeight, choiceWidth (folderNameBox));
        take (area, rowGap);
        place (area, mirrorFoldersToggle, toggleHeight);
        place (area, folderPerCueToggle, toggleHeight);
    }

    void ExportPage::Content::layOutHeadroom (juce::Rectangle<int>& area)
    {
        place (area, headroomHeader, headerHeight);
        layOutRow (area, targetLabel, targetSlider, rowLabelWidth, rowHeight, sliderMaxWidth);

        const std::pair<juce::Label*, juce::ComboBox*> rows[] = {
            { &gainScopeLabel, &gainScopeBox }, { &measureLabel, &measureBox }, { &gainModeLabel, &gainModeBox },
            { &oversamplingLabel, &oversamplingBox }, { &projectRateLabel, &projectRateBox },
        };

        for (const auto& [label, box] : rows)
            layOutRow (area, *label, *box, rowLabelWidth, rowHeight, choiceWidth (*box));

        take (area, rowGap);
        place (area, remeasureToggle, toggleHeight);
    }

    void ExportPage::Content::layOutFormats (juce::Rectangle<int>& area)
    {
        place (area, formatsHeader, headerHeight);
        place (area, formatCaptions, 18);
        take (area, 5);

        for (auto* row : formatRows)
        {
            place (area, *row, formatRowHeightFor (area.getWidth()));
            take (area, 5);
        }
    }

    void ExportPage::Content::layOutNaming (juce::Rectangle<int>& area)
    {
        place (area, namingHeader, headerHeight);
        place (area, separatorChooser, rowHeight);
        take (area, 12);
        place (area, stemTemplateEditor, stemTemplateEditor.getPreferredHeight (area.getWidth()));
        take (area, 12);
        dividers.push_back (take (area, 1));
        take (area, 12);
        place (area, mixTemplateEditor, mixTemplateEditor.getPreferredHeight (area.getWidth()));
    }

    void ExportPage::Content::layOutNamingRules (juce::Rectangle<int>& area)
    {
        place (area, namingRulesHeader, headerHeight);
        layOutRow (area, fullMixNameLabel, fullMixNameEditor, rowLabelWidth, rowHeight, choiceWidth (numberingBox));
        layOutRow (area, indexPaddingLabel, indexPaddingBox, rowLabelWidth, rowHeight, choiceWidth (indexPaddingBox));
        layOutRow (area, numberingLabel, numberingBox, rowLabelWidth, rowHeight, choiceWidth (numberingBox));

        const auto toggleLine = take (area, toggleHeight);
        mixesFirstToggle.setBounds (toggleLine.getX() + 155, toggleLine.getY(),
                                    juce::jmax (0, toggleLine.getWidth() - 155), toggleLine.getHeight());
        take (area, 3);

        layOutRow (area, collisionLabel, collisionBox, rowLabelWidth, rowHeight, choiceWidth (collisionBox));
        take (area, 12);

        const int line = (int) std::ceil (previewText.font.getHeight() * previewText.lineSpacing);
        const int textHeight = previewText.getPreferredHeight (4);
        const auto box = take (area, textHeight + line / 2 + 46);
        panels.push_back (box);

        auto inner = box.reduced (10);
        previewLabel.setBounds (box.getX() + 10, box.getY() + 10, juce::jmax (0, box.getWidth() - 20),
                                juce::jmax (0, juce::jmin (20, box.getHeight() - 20)));
        inner.removeFromTop (juce::jmin (20 + 6, inner.getHeight()));
        previewText.setBounds (inner);
    }

    void ExportPage::Content::layOutCleanup (juce::Rectangle<int>& area)
    {
        place (area, cleanupHeader, headerHeight);
        place (area, cleanupToggle, toggleHeight);
        take (area, rowGap);

        const juce::Font captions (14.0f);
        const int captionWidth = juce::jmax (textWidth (captions, "Below"), textWidth (captions, "For at least"),
                                             textWidth (captions, "Take down by")) + 12;

        layOutRow (area, thresholdLabel, thresholdSlider, captionWidth, rowHeight, sliderMaxWidth);
        layOutRow (area, minimumLabel, minimumSlider, captionWidth, rowHeight, sliderMaxWidth);

        auto fades = take (area, rowHeight);
        const auto fadeIn = fades.removeFromLeft (juce::jmin (fades.getWidth(), fades.getWidth() / 2 - 2));
        fades.removeFromLeft (juce::jmin (5, fades.getWidth()));
        layOutInlinePair (fadeIn, fadeInLabel, fadeInSlider);
        layOutInlinePair (fades, fadeOutLabel, fadeOutSlider);
        take (area, rowGap);

        layOutRow (area, floorLabel, floorSlider, captionWidth, rowHeight, sliderMaxWidth);
    }

    void ExportPage::Content::layOutRules (juce::Rectangle<int>& area)
    {
        place (area, rulesHeader, headerHeight);
        layOutRow (area, emptyStemsLabel, emptyStemsBox, rowLabelWidth, rowHeight, choiceWidth (emptyStemsBox));
        take (area, rowGap);

        for (auto* toggle : { &refuseUnassignedToggle, &exportFullMixToggle, &exportAlternativeMixesToggle, &stemsFolderToggle })
            place (area, *toggle, toggleHeight);
    }
}
