#include "app/pages/export/ExportFormatRow.h"

#include "core/model/CodecCapabilities.h"
#include "core/model/PathGuards.h"
#include "ui/Dialogs.h"
#include "ui/Fonts.h"
#include "ui/LabelTones.h"
#include "ui/Palette.h"
#include "ui/ScopedDialogOwner.h"
#include "ui/TextFit.h"

#include <cmath>

namespace korvid::ui
{
    namespace
    {
        constexpr int projectRateId = 1;
        constexpr int columnGap = 5;
        constexpr int pickWidth = 36;
        constexpr int noteHeight = 17;
        constexpr int minimumSubFolderWidth = 150;   // room for a folder name to be read
        // Tick, format, word length, sample rate and dither, each followed by its gap.
        constexpr int chooserColumnsWidth = 26 + 72 + 100 + 107 + 185 + 5 * columnGap;

        const char* const ditherNames[] = { "No dither", "TPDF auto-black", "Shaped TPDF auto-black",
                                            "TPDF continuous", "Shaped TPDF continuous" };

        juce::Rectangle<int> takeLeft (juce::Rectangle<int>& row, int amount)
        {
            return row.removeFromLeft (juce::jlimit (0, row.getWidth(), amount));
        }

        juce::String wordLengthText (SampleFormat format)
        {
            if (format == SampleFormat::float32)
                return "32-bit float";

            return juce::String (bitsPerSample (format)) + "-bit";
        }

        Codec codecForId (int id)
        {
            return static_cast<Codec> (juce::jlimit (0, 3, id - 1));
        }

        juce::String codecName (Codec codec)
        {
            return toString (codec).toUpperCase();
        }
    }

    FormatColumns formatColumns (juce::Rectangle<int> row)
    {
        FormatColumns columns;
        columns.tick = takeLeft (row, 26);
        takeLeft (row, columnGap);
        columns.format = takeLeft (row, 72);
        takeLeft (row, columnGap);
        columns.wordLength = takeLeft (row, 100);
        takeLeft (row, columnGap);
        columns.sampleRate = takeLeft (row, 107);
        takeLeft (row, columnGap);
        columns.dither = takeLeft (row, 185);   // "Shaped TPDF continuous" whole
        takeLeft (row, columnGap);

        if (formatRowStacks (row.getRight() - columns.tick.getX()))
            return columns;

        columns.pick = row.removeFromRight (juce::jmin (pickWidth, row.getWidth()));
        row.removeFromRight (juce::jmin (columnGap, row.getWidth()));
        columns.subFolder = row;
        return columns;
    }

    bool formatRowStacks (int rowWidth)
    {
        return rowWidth - chooserColumnsWidth - columnGap - pickWidth < minimumSubFolderWidth;
    }

    int formatRowHeightFor (int rowWidth)
    {
        const int oneLine = ExportPage::FormatRow::controlHeight + 5 + noteHeight;
        return formatRowStacks (rowWidth) ? oneLine + ExportPage::FormatRow::controlHeight + 5 : oneLine;
    }

    //==============================================================================
    ExportPage::FormatRow::FormatRow (int rowIndex, std::function<void()> changeCallback,
                                      std::function<juce::File()> folderOfExport, Dialogs& dialogsToUse)
        : index (rowIndex),
          onChange (std::move (changeCallback)),
          exportFolder (std::move (folderOfExport)),
          dialogs (dialogsToUse)
    {
        enabledToggle.setTooltip ("Write this format.");
        subFolderEditor.setTextToShowWhenEmpty ("sub-folder (optional)", colours::textDisabled);
        centreTextInField (subFolderEditor);
        subFolderEditor.setTooltip ("A folder underneath the export folder. Type a name, or use the button to pick one.");
        pickButton.setTooltip ("Pick a folder inside the export folder.");
        noteLabel.setFont (captionFont());
        setLabelTone (noteLabel, 3);

        for (auto codec : offeredCodecs())
            codecBox.addItem (codecName (codec), (int) codec + 1);

        for (auto* child : std::initializer_list<juce::Component*> { &enabledToggle, &codecBox, &wordLengthBox, &rateBox,
                                                                       &ditherBox, &subFolderEditor, &pickButton,
                                                                       &noteLabel })
            addAndMakeVisible (child);

        codecBox.onChange = [this]
        {
            refillChoices();
            changed();
        };

        wordLengthBox.onChange = [this] { changed(); };
        rateBox.onChange = [this] { changed(); };
        ditherBox.onChange = [this] { changed(); };
        enabledToggle.onClick = [this] { changed(); };
        subFolderEditor.onFocusLost = [this] { changed(); };
        subFolderEditor.onReturnKey = [this]
        {
            changed();
            subFolderEditor.giveAwayKeyboardFocus();
        };
        pickButton.onClick = [this] { chooseSubFolder(); };
    }

    void ExportPage::FormatRow::refillChoices()
    {
        const auto codec = codecForId (codecBox.getSelectedId());
        const int wordLengthId = wordLengthBox.getSelectedId();
        const int rateId = rateBox.getSelectedId();

        wordLengthBox.clear (juce::dontSendNotification);

        for (auto format : supportedSampleFormats (codec))
            wordLengthBox.addItem (wordLengthText (format), (int) format + 1);

        const bool keepsWordLength = wordLengthBox.indexOfItemId (wordLengthId) >= 0;
        wordLengthBox.setSelectedId (keepsWordLength ? wordLengthId : (int) defaultSampleFormat (codec) + 1,
                                     juce::dontSendNotification);

        rateBox.clear (juce::dontSendNotification);
        rateBox.addItem ("Project rate", projectRateId);

        for (auto rate : supportedSampleRates (codec))
            rateBox.addItem (formatSampleRate (rate), juce::roundToInt (rate));

        const bool keepsRate = rateId != 0 && rateBox.indexOfItemId (rateId) >= 0;
        rateBox.setSelectedId (keepsRate ? rateId : projectRateId, juce::dontSendNotification);

        if (ditherBox.getNumItems() == 0)
            for (int i = 0; i < (int) std::size (ditherNames); ++i)
                ditherBox.addItem (ditherNames[i], i + 1);
    }

    OutputFormat ExportPage::FormatRow::currentFormat() const
    {
        OutputFormat format;
        format.enabled = enabledToggle.getToggleState();
        format.codec = codecForId (codecBox.getSelectedId());
        format.sampleFormat = coerceSampleFormat (format.codec,
                                                  static_cast<SampleFormat> (juce::jlimit (0, 2, wordLengthBox.getSelectedId() - 1)));
        const int rateId = rateBox.getSelectedId();
        format.sampleRate = rateId > projectRateId ? (double) rateId : 0.0;
        format.mp3Bitrate = 320;
        format.dither = static_cast<Dither> (juce::jlimit (0, juce::jmax (0, ditherBox.getNumItems() - 1),
                                                           ditherBox.getSelectedId() - 1));
        format.subFolder = subFolderEditor.getText().trim();
        return format;
    }

    void ExportPage::FormatRow::showFormat (const OutputFormat& format, double masterSampleRate)
    {
        updating = true;
        projectRate = masterSampleRate;
        enabledToggle.setToggleState (format.enabled, juce::dontSendNotification);

        const auto codec = isCodecAvailable (format.codec) ? format.codec : Codec::wav;
        sampleFormat = (int) coerceSampleFormat (codec, format.sampleFormat);
        codecBox.setSelectedId ((int) codec + 1, juce::dontSendNotification);
        refillChoices();
        wordLengthBox.setSelectedId (sampleFormat + 1, juce::dontSendNotification);

        // A rate the codec does not offer shows no selection, and reads back as the master rate.
        rateBox.setSelectedId (format.sampleRate > 0.0 ? juce::roundToInt (format.sampleRate) : projectRateId,
                               juce::dontSendNotification);
        ditherBox.setSelectedId ((int) format.dither + 1, juce::dontSendNotification);
        subFolderEditor.setText (format.subFolder, juce::dontSendNotification);
        updating = false;
        updateNote();
    }

    void ExportPage::FormatRow::updateNote()
    {
        const auto format = currentFormat();
        const double asked = format.sampleRate > 0.0 ? format.sampleRate : projectRate;
        const double stored = nearestSupportedSampleRate (format.codec, asked);

        juce::String note;

        if (std::abs (stored - asked) > 0.5)
            note = codecName (format.codec) + " cannot store " + juce::String (asked / 1000.0, 1)
                 + " kHz: it will be resampled to " + juce::String (stored / 1000.0, 1) + " kHz.";

        if (format.sampleFormat == SampleFormat::float32 && format.dither != Dither::none)
        {
            if (note.isNotEmpty())
                note << "  ";

            note << "Dither is skipped for floating point output.";
        }

        noteLabel.setText (note, juce::dontSendNotification);
    }

    void ExportPage::FormatRow::changed()
    {
        if (updating)
            return;

        updateNote();

        if (onChange)
            onChange();
    }

    void ExportPage::FormatRow::chooseSubFolder()
    {
        const auto root = exportFolder ? exportFolder() : juce::File();

        FileRequest request;
        request.chooseFolder = true;
        request.title = "Choose a sub-folder inside the export folder";
        request.start = root.isDirectory() ? root : juce::File::getSpecialLocation (juce::File::userMusicDirectory);

        juce::Component::SafePointer<FormatRow> safeThis (this);
        const ScopedDialogOwner owner (dialogs, this);

        dialogs.chooseFile (request, [safeThis] (juce::File chosen)
        {
            if (auto* row = safeThis.getComponent(); row != nullptr && chosen != juce::File())
                row->useChosenSubFolder (chosen);
        });
    }

    void ExportPage::FormatRow::useChosenSubFolder (const juce::File& folder)
    {
        const auto root = exportFolder ? exportFolder() : juce::File();

        if (root.isDirectory() && isWithinFolder (root, folder) && folder != root)
        {
            subFolderEditor.setText (folder.getRelativePathFrom (root).replaceCharacter ('\\', '/'),
                                     juce::dontSendNotification);
            changed();
            return;
        }

        const ScopedDialogOwner owner (dialogs, this);
        dialogs.showMessage (juce::MessageBoxIconType::WarningIcon, "That folder is not inside the export folder",
                             "A format's sub-folder has to sit underneath the export folder. Pick a folder inside "
                             "it, or type a relative name.");
    }

    void ExportPage::FormatRow::resized()
    {
        auto area = getLocalBounds();
        const auto top = area.removeFromTop (juce::jmin (controlHeight, area.getHeight()));
        const auto columns = formatColumns (top);

        enabledToggle.setBounds (columns.tick);
        codecBox.setBounds (columns.format);
        wordLengthBox.setBounds (columns.wordLength);
        rateBox.setBounds (columns.sampleRate);
        ditherBox.setBounds (columns.dither);
        subFolderEditor.setBounds (columns.subFolder);
        pickButton.setBounds (columns.pick);

        if (formatRowStacks (getWidth()))
        {
            // Too narrow beside the choosers: the sub-folder takes a line of its own below them.
            area.removeFromTop (juce::jmin (5, area.getHeight()));
            auto line = area.removeFromTop (juce::jmin (controlHeight, area.getHeight())).withLeft (columns.format.getX());
            pickButton.setBounds (line.removeFromRight (juce::jmin (pickWidth, line.getWidth())));
            line.removeFromRight (juce::jmin (columnGap, line.getWidth()));
            subFolderEditor.setBounds (line);
        }

        area.removeFromTop (juce::jmin (5, area.getHeight()));
        const auto noteLine = area.removeFromTop (juce::jmin (noteHeight, area.getHeight()));
        noteLabel.setBounds (noteLine.withLeft (columns.format.getX()));
    }

    //==============================================================================
    ExportPage::FormatCaptions::FormatCaptions()
    {
        setInterceptsMouseClicks (false, false);
    }

    void ExportPage::FormatCaptions::paint (juce::Graphics& g)
    {
        const auto columns = formatColumns (getLocalBounds());
        g.setFont (captionFont());
        g.setColour (colours::textDisabled);

        const std::pair<const char*, juce::Rectangle<int>> captions[] = {
            { "Format", columns.format },       { "Word length", columns.wordLength },
            { "Sample rate", columns.sampleRate }, { "Dither", columns.dither },
            { "Sub-folder", columns.subFolder }
        };

        for (const auto& [caption, area] : captions)
            g.drawText (caption, area, juce::Justification::centredLeft, false);
    }
}
