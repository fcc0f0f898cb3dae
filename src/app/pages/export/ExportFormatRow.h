#pragma once

#include "app/pages/export/ExportPage.h"
#include "core/model/Preset.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace korvid::ui
{
    class Dialogs;

    /** The columns one output format is laid out in, shared by the rows and their captions. */
    struct FormatColumns
    {
        juce::Rectangle<int> tick, format, wordLength, sampleRate, dither, subFolder, pick;
    };

    /** From the left of the row, full height, each width cut to what is left: tick 26,
        format 72, word length 100, sample rate 107, dither 185, 5 apart; the "..." button
        takes the right-most 36 and the sub-folder the space up to 5 before it. When that
        space would be too narrow to read a name in (formatRowStacks), the sub-folder and
        the button have no column here: the row puts them on a line of their own. */
    FormatColumns formatColumns (juce::Rectangle<int> row);

    /** Whether a row this wide puts its sub-folder field and "..." button on a second line,
        below the choosers. */
    bool formatRowStacks (int rowWidth);

    /** The height a format row of this width takes: its controls, its note line, and the
        sub-folder line when it stacks. */
    int formatRowHeightFor (int rowWidth);

    /** One output format of the preset: on or off, codec, word length, rate, dither and a
        sub-folder below the export folder. The choices come from the core's codec tables,
        so a row never shows a combination the codec cannot store. */
    class ExportPage::FormatRow : public juce::Component
    {
    public:
        static constexpr int controlHeight = 30;

        FormatRow (int index, std::function<void()> onChange, std::function<juce::File()> exportFolder,
                   Dialogs& dialogs);

        /** Refills word lengths and rates for the chosen codec, keeping the selections the
            codec still offers. No change is reported. */
        void refillChoices();

        /** The row read back as a format. */
        OutputFormat currentFormat() const;

        /** Fills the row from a format without reporting a change. */
        void showFormat (const OutputFormat& format, double masterSampleRate);

        /** The resampling and dither notes of the row as it stands. */
        void updateNote();

        /** A change by the user: the note, then the owner's callback (not while filling). */
        void changed();

        /** Asks for a folder inside the export folder and writes it as a relative path. */
        void chooseSubFolder();

        /** A folder answered by the chooser. */
        void useChosenSubFolder (const juce::File& folder);

        void resized() override;

        const int index;
        double projectRate = 48000.0;
        bool updating = false;
        int sampleFormat = (int) SampleFormat::pcm24;
        std::function<void()> onChange;
        std::function<juce::File()> exportFolder;

        juce::ToggleButton enabledToggle;
        juce::ComboBox codecBox, wordLengthBox, rateBox, ditherBox;
        juce::TextEditor subFolderEditor;
        juce::TextButton pickButton { "..." };
        juce::Label noteLabel;

    private:
        Dialogs& dialogs;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FormatRow)
    };

    /** "Format", "Word length", "Sample rate", "Dither" and "Sub-folder" over the columns. */
    class ExportPage::FormatCaptions : public juce::Component
    {
    public:
        FormatCaptions();
        void paint (juce::Graphics& g) override;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FormatCaptions)
    };
}
