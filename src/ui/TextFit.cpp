#include "ui/TextFit.h"

#include "ui/LookAndFeel.h"

#include <cmath>

namespace korvid::ui
{
    namespace
    {
        constexpr int maxComboBoxLines = 3;

        juce::String visibleCharacters (const juce::String& text)
        {
            return text.removeCharacters (" \t\r\n");
        }

        juce::String ellipsisText()
        {
            return juce::String::charToString ((juce::juce_wchar) 0x2026);
        }
    }

    void centreTextInField (juce::TextEditor& field)
    {
        // JUCE centres the line below its top indent, which leaves it a few pixels low;
        // without the indent it sits in the middle.
        field.setJustification (juce::Justification::centredLeft);
        field.setIndents (field.getLeftIndent(), 0);
    }

    bool fitsWhole (const juce::String& text, const juce::Font& font, float width, int lines)
    {
        if (text.trim().isEmpty())
            return true;

        // Laid out as a label lays it out, with squeezing switched off: what does not fit
        // is cut and ends in an ellipsis, which the comparison below notices.
        juce::GlyphArrangement glyphs;
        glyphs.addFittedText (font, text, 0.0f, 0.0f, width, font.getHeight() * (float) lines,
                              juce::Justification::centredLeft, lines, 1.0f);

        juce::String drawn;

        for (int i = 0; i < glyphs.getNumGlyphs(); ++i)
        {
            const auto& glyph = glyphs.getGlyph (i);

            if (glyph.getRight() > width + 0.5f)
                return false;

            if (! glyph.isWhitespace())
                drawn << juce::String::charToString (glyph.getCharacter());
        }

        return drawn == visibleCharacters (text);
    }

    int linesToFitWhole (const juce::String& text, const juce::Font& font, float width, int maxLines)
    {
        for (int lines = 1; lines <= maxLines; ++lines)
            if (fitsWhole (text, font, width, lines))
                return lines;

        return 0;
    }

    int comboBoxHeightFor (juce::ComboBox& box, int width, int singleLineHeight)
    {
        const auto font = box.getLookAndFeel().getComboBoxFont (box);
        const auto textWidth = (float) AppLookAndFeel::comboBoxTextArea (width, singleLineHeight).getWidth();
        int lines = 1;

        for (int i = 0; i < box.getNumItems(); ++i)
        {
            const int needed = linesToFitWhole (box.getItemText (i), font, textWidth, maxComboBoxLines);
            lines = juce::jmax (lines, needed == 0 ? maxComboBoxLines : needed);
        }

        return singleLineHeight + (lines - 1) * (int) std::ceil (font.getHeight());
    }

    bool comboBoxShowsTextWhole (juce::ComboBox& box)
    {
        const auto area = AppLookAndFeel::comboBoxTextArea (box.getWidth(), box.getHeight());
        const auto font = box.getLookAndFeel().getComboBoxFont (box);
        const int lines = juce::jmax (1, (int) ((float) area.getHeight() / font.getHeight()));
        return fitsWhole (box.getText(), font, (float) area.getWidth(), lines);
    }

    int comboBoxWidthFor (juce::ComboBox& box)
    {
        const auto font = box.getLookAndFeel().getComboBoxFont (box);
        float widest = 0.0f;

        for (int i = 0; i < box.getNumItems(); ++i)
            widest = juce::jmax (widest, font.getStringWidthFloat (box.getItemText (i)));

        // What the box keeps for its border and chevron, whatever its width; a pixel more
        // for rounding.
        constexpr int anyWidth = 1000;
        const int frame = anyWidth - AppLookAndFeel::comboBoxTextArea (anyWidth, box.getHeight()).getWidth();
        return (int) std::ceil (widest) + frame + 1;
    }

    int textButtonWidth (juce::TextButton& button)
    {
        const auto font = button.getLookAndFeel().getTextButtonFont (button, 30);
        return (int) std::ceil (font.getStringWidthFloat (button.getButtonText())) + 24;
    }

    int labelWidthFor (juce::Label& label)
    {
        const auto font = label.getLookAndFeel().getLabelFont (label);
        return (int) std::ceil (font.getStringWidthFloat (label.getText())) + label.getBorderSize().getLeftAndRight() + 1;
    }

    juce::String elideMiddle (const juce::String& text, const juce::Font& font, float width)
    {
        if (font.getStringWidthFloat (text) <= width)
            return text;

        const auto ellipsis = ellipsisText();
        juce::Array<int> glyphs;
        juce::Array<float> offsets;
        font.getGlyphPositions (text, glyphs, offsets);
        const int length = text.length();

        // One glyph a character, as the fonts here lay out names; else no cut is safe.
        if (glyphs.size() != length || offsets.size() != length + 1)
            return ellipsis;

        const float total = offsets.getLast();
        const float room = width - font.getStringWidthFloat (ellipsis);

        // The start gets half the room, the end what the start leaves of it.
        int head = 0;

        while (head < length && offsets[head + 1] <= room * 0.5f)
            ++head;

        int tail = 0;

        while (tail < length - head && offsets[head] + (total - offsets[length - tail - 1]) <= room)
            ++tail;

        if (head == 0 || tail == 0)
            return ellipsis;

        return text.substring (0, head) + ellipsis + text.substring (length - tail);
    }

    juce::String elideEnd (const juce::String& text, const juce::Font& font, float width)
    {
        if (font.getStringWidthFloat (text) <= width)
            return text;

        juce::Array<int> glyphs;
        juce::Array<float> offsets;
        font.getGlyphPositions (text, glyphs, offsets);
        const int length = text.length();

        // One glyph a character, as elsewhere; else no cut is safe.
        if (glyphs.size() != length || offsets.size() != length + 1)
            return ellipsisText();

        const float room = width - font.getStringWidthFloat (ellipsisText());
        int head = 0;

        while (head < length && offsets[head + 1] <= room)
            ++head;

        // A cut after a space would leave the ellipsis standing apart from the word.
        const auto start = text.substring (0, head).trimEnd();
        return start.isEmpty() ? ellipsisText() : start + ellipsisText();
    }
}
