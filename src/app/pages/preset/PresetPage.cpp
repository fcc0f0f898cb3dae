#include "app/pages/preset/PresetPage.h"

#include "app/AppState.h"
#include "ui/Fonts.h"
#include "ui/LabelTones.h"
#include "ui/LayoutHelpers.h"
#include "ui/Palette.h"
#include "ui/ScopedDialogOwner.h"
#include "ui/TextFit.h"

#include <cmath>

namespace korvid::ui
{
    namespace
    {
        const juce::String rulesTooltip (
            "Rules separated by commas; a new line works too.\n"
            "  boom, riser           two whole-word rules\n"
            "  sound design          a space inside a rule means a phrase\n"
            "  riser @50             rule priority\n"
            "  waterphone !choir     does not fire when 'choir' is present\n"
            "  brass !low !soft      one '!' per exclusion\n"
            "  ~piano                the whole file name must be exactly this\n"
            "  ?strings              approximate (only when fuzzy matching is on)");

        const juce::String pluralTooltip (
            "Treat singular and plural as the same word, so a keyword written \"guitar\" also finds Guitars.wav "
            "and one written \"guitars\" also finds Guitar.wav. Applies to the exclusions as well.\n\n"
            "Off by default: it changes which files land in which stem, and that is not a change to make "
            "behind your back in a preset you rely on.");

        void setUpRuleEditor (juce::TextEditor& editor, const juce::String& placeholder, const juce::String& tooltip)
        {
            editor.setMultiLine (true, true);
            editor.setReturnKeyStartsNewLine (true);
            editor.setFont (smallMonoFont());
            editor.setLineSpacing (1.25f);
            editor.setTextToShowWhenEmpty (placeholder, colours::textDisabled);
            editor.setTooltip (tooltip);
        }

        /** A slot of `slotWidth` at the right of the strip, with a control of at most the
            given size centred in it. */
        juce::Rectangle<int> centredInSlot (juce::Rectangle<int> slot, int width, int height)
        {
            const int w = juce::jmin (width, slot.getWidth());
            return { slot.getX() + (slot.getWidth() - w) / 2, slot.getY() + (slot.getHeight() - height) / 2, w, height };
        }
    }

    //==============================================================================
    ArrowStepButton::ArrowStepButton (bool up)
        : juce::TextButton (juce::String()), pointsUp (up)
    {
    }

    void ArrowStepButton::paintButton (juce::Graphics& g, bool highlighted, bool down)
    {
        juce::TextButton::paintButton (g, highlighted, down);

        const float left = (float) (getWidth() - 11) / 2.0f;
        const float top = (float) (getHeight() - 7) / 2.0f;
        juce::Path triangle;

        if (pointsUp)
            triangle.addTriangle (left + 5.5f, top, left + 11.0f, top + 7.0f, left, top + 7.0f);
        else
            triangle.addTriangle (left, top, left + 11.0f, top, left + 5.5f, top + 7.0f);

        g.setColour (findColour (juce::TextButton::textColourOffId).withMultipliedAlpha (isEnabled() ? 1.0f : 0.4f));
        g.fillPath (triangle);
    }

    //==============================================================================
    PresetPage::PresetPage (AppState& state)
        : appState (state), templates (state.templates)
    {
        buildControls();
        setCallbacks();

        for (auto* editor : { &nameEditor, &shortCodeEditor, &tokenEditor, &rulesEditor, &exclusionsEditor })
            editor->addMouseListener (this, false);

        appState.session.addListener (this);

        refreshLibrary();
        refreshEditors();
        loadStemEditor();
    }

    PresetPage::~PresetPage()
    {
        stopTimer();

        for (auto* editor : { &nameEditor, &shortCodeEditor, &tokenEditor, &rulesEditor, &exclusionsEditor })
            editor->removeMouseListener (this);

        appState.session.removeListener (this);
        libraryList.setModel (nullptr);
        stemList->setModel (nullptr);
        inlineNameEditor.removeKeyListener (this);
        mixScrollBar.removeListener (this);

        if (auto* selector = openColourSelector.getComponent())
            selector->removeChangeListener (this);
    }

    void PresetPage::buildControls()
    {
        mixHeading = std::make_unique<SubmixHeader> (*this);
        auditionRepainter = std::make_unique<AuditionRepainter> (*this);
        stemListModel = std::make_unique<StemListModel> (*this);
        stemListOwner = std::make_unique<StemListBox> (*this, stemListModel.get());
        stemList = stemListOwner.get();

        for (auto* button : std::initializer_list<juce::Button*> {
                 &newButton, &duplicatePresetButton, &renameButton, &saveButton, &saveAsButton, &deletePresetButton,
                 &importButton, &exportButton, &restoreButton, &addMixButton, &addStemButton, &addSeveralButton,
                 &duplicateStemButton, &deleteStemButton, &deleteAllButton, &colourButton })
            button->setName (button->getButtonText());

        upButton.setName ("up");
        downButton.setName ("down");

        for (auto* heading : { &libraryHeading, &projectHeading, &stemsHeading })
            heading->setFont (headingFont());

        for (auto* label : { &publisherLabel, &pubCodeLabel, &composerLabel, &versionLabel, &nameLabel, &shortCodeLabel,
                             &tokenLabel, &priorityLabel, &numberingLabel, &keywordsLabel })
        {
            setLabelTone (*label, 1);
            label->setJustificationType (juce::Justification::centredLeft);
        }

        for (auto* label : { &rulesLabel, &exclusionsLabel })
        {
            label->setFont (strongFont());
            label->setJustificationType (juce::Justification::centredLeft);
        }

        setLabelTone (statusLabel, 3);
        setLabelTone (cueLabel, 1);
        cueLabel.setJustificationType (juce::Justification::centredRight);
        stemsHint.setFont (captionFont());
        setLabelTone (stemsHint, 2);
        stemsHint.setJustificationType (juce::Justification::centredLeft);

        addAllAndMakeVisible (*this, { &libraryHeading, &libraryList, &newButton, &duplicatePresetButton, &renameButton,
                                       &saveButton, &saveAsButton, &deletePresetButton, &importButton, &exportButton,
                                       &restoreButton, &statusLabel, &projectHeading, &publisherLabel, &pubCodeLabel,
                                       &composerLabel, &versionLabel, &publisherEditor, &pubCodeEditor, &composerEditor,
                                       &versionEditor, &stemsHeading, &stemsHint, &mixScrollBar, mixHeading.get(),
                                       &addMixButton, &cueLabel, &cueSelector, &auditionStrip, stemList,
                                       &numberingLabel, &numberingCombo, &keywordsLabel, &pluralToggle, &addStemButton,
                                       &addSeveralButton, &duplicateStemButton, &deleteStemButton, &deleteAllButton,
                                       &upButton, &downButton, &nameLabel, &shortCodeLabel, &tokenLabel, &priorityLabel,
                                       &nameEditor, &shortCodeEditor, &tokenEditor, &prioritySlider, &colourButton,
                                       &rulesLabel, &rulesEditor, &exclusionsLabel, &exclusionsEditor });
        addChildComponent (inlineNameEditor);
        auditionStrip.setEmptyText ({});
        // Shown by the first audition: an empty strip above the stem fields reads as a
        // field without a caption.
        auditionStrip.setVisible (false);

        // Preset library.
        libraryList.setModel (this);
        libraryList.setRowHeight (listRowHeight);
        saveButton.setTooltip ("Write these changes back to the selected preset.");
        saveAsButton.setTooltip ("Store the current settings as a new preset.");
        restoreButton.setTooltip ("Rewrite the built-in presets. Your own presets are not touched.");

        // Stem list and its neighbours.
        stemList->setRowHeight (listRowHeight);
        stemList->setMultipleSelectionEnabled (true);
        stemList->setTooltip ("Double-click a stem to rename it. Drag a stem to move it in the order. "
                              "Shift-click for a run, Ctrl-click to pick them out one at a time.");
        upButton.setTooltip ("Move the selected stem earlier in the delivery order");
        downButton.setTooltip ("Move the selected stem later in the delivery order");
        mixScrollBar.setAutoHide (false);
        mixScrollBar.addListener (this);
        inlineNameEditor.addKeyListener (this);

        // One-line fields show their text in the middle of the box.
        for (auto* field : { &publisherEditor, &pubCodeEditor, &composerEditor, &versionEditor, &nameEditor,
                             &shortCodeEditor, &tokenEditor })
            centreTextInField (*field);

        // Stem editor.
        prioritySlider.setSliderStyle (juce::Slider::IncDecButtons);
        prioritySlider.setTextBoxStyle (juce::Slider::TextBoxLeft, false, 54, 26);
        prioritySlider.setRange (-100.0, 100.0, 1.0);
        prioritySlider.setTooltip ("Used only when two stems are otherwise tied.");
        setUpRuleEditor (rulesEditor, "boom, riser, sound design", rulesTooltip);
        setUpRuleEditor (exclusionsEditor, "choir, vox",
                         "Comma separated. If one of these turns up in a file name, this stem drops out of the running for it.");
        pluralToggle.setTooltip (pluralTooltip);
        numberingCombo.addItem ("Keep the schema number (gaps where stems are skipped)", 1);
        numberingCombo.addItem ("Renumber the exported stems 1..N (no gaps)", 2);
        numberingCombo.setTooltip ("What {stemIndex} counts when some stems come out empty and are left unwritten. "
                                   "Publishers ask for both ways round.");

        // Adding and removing stems.
        addSeveralButton.setTooltip ("Adds a run of plain stems in one go, each with a colour of its own. Faster than "
                                     "picking a template sixteen times when the publisher's list is nothing like the "
                                     "built-in ones.");
        deleteAllButton.setTooltip ("Empties the stem list. The preset keeps its name, its publisher fields and its "
                                    "export settings.");

        // Alternative mixes and audition.
        addMixButton.setTooltip ("An extra file built from the stems you tick in its column, such as an instrumental. "
                                 "The full mix still contains every stem.");
        updateCueTooltip();

        projectBlock.addArray (juce::Array<juce::Component*> { &publisherEditor, &pubCodeEditor, &composerEditor,
                                                               &versionEditor, &numberingCombo, &pluralToggle });
        stemBlock.addArray (juce::Array<juce::Component*> { &nameEditor, &shortCodeEditor, &tokenEditor, &prioritySlider,
                                                            &rulesEditor, &exclusionsEditor });
    }

    void PresetPage::setCallbacks()
    {
        // Preset library.
        newButton.onClick = [this] { newPreset(); };
        duplicatePresetButton.onClick = [this] { duplicatePreset(); };
        renameButton.onClick = [this] { renamePreset(); };
        saveButton.onClick = [this] { saveSelectedPreset(); };
        saveAsButton.onClick = [this] { savePresetAs(); };
        deletePresetButton.onClick = [this] { deletePreset(); };
        importButton.onClick = [this] { importPreset(); };
        exportButton.onClick = [this] { exportPreset(); };
        restoreButton.onClick = [this] { restoreDefaults(); };

        // Project fields: Return and Escape commit and let go of the focus; so does leaving.
        for (auto* editor : { &publisherEditor, &pubCodeEditor, &composerEditor, &versionEditor })
        {
            editor->onReturnKey = [this] { commitProjectFields(); juce::Component::unfocusAllComponents(); };
            editor->onEscapeKey = [this] { commitProjectFields(); juce::Component::unfocusAllComponents(); };
            editor->onFocusLost = [this] { commitProjectFields(); };
        }

        // Stem fields: typing waits for the debounce; confirming or leaving commits at once.
        for (auto* editor : { &nameEditor, &shortCodeEditor, &tokenEditor, &rulesEditor, &exclusionsEditor })
        {
            editor->onTextChange = [this] { stemTextChanged(); };
            editor->onFocusLost = [this] { commitStemEditor(); };
            editor->onEscapeKey = [this] { stemFieldConfirmed(); };
        }

        for (auto* editor : { &nameEditor, &shortCodeEditor, &tokenEditor })
            editor->onReturnKey = [this] { stemFieldConfirmed(); };

        prioritySlider.onValueChange = [this]
        {
            if (applyingEdit)
                return;

            priorityMoved = true;
            stemEditPending = true;
            commitStemEditor();
        };

        pluralToggle.onClick = [this]
        {
            if (applyingEdit)
                return;

            auto preset = appState.session.getPreset();
            preset.schema.matchPlurals = pluralToggle.getToggleState();
            appState.session.updatePreset (std::move (preset));
            markDirty();
        };

        numberingCombo.onChange = [this]
        {
            if (applyingEdit)
                return;

            auto preset = appState.session.getPreset();
            preset.exportSettings.naming.numbering = numberingCombo.getSelectedId() == 2 ? Numbering::consecutiveExported
                                                                                        : Numbering::schemaIndex;
            appState.session.updatePreset (std::move (preset));
            broadcastChange();
        };

        colourButton.onClick = [this] { showStemColourChooser(); };

        // Stem list buttons.
        addStemButton.onClick = [this] { addStem(); };
        addSeveralButton.onClick = [this] { addSeveralStems(); };
        duplicateStemButton.onClick = [this] { duplicateStem(); };
        deleteStemButton.onClick = [this] { deleteStem(); };
        deleteAllButton.onClick = [this] { deleteAllStems(); };
        upButton.onClick = [this] { stepSelectedStem (-1); };
        downButton.onClick = [this] { stepSelectedStem (1); };

        inlineNameEditor.onReturnKey = [this] { finishInlineRename (true); };
        inlineNameEditor.onFocusLost = [this] { finishInlineRename (true); };
        inlineNameEditor.onEscapeKey = [this] { finishInlineRename (false); };

        // Alternative mixes and audition.
        addMixButton.onClick = [this] { addSubmix(); };
        cueSelector.onChange = [this] { cueSelectorChanged(); };
        auditionStrip.onSeek = [this] (double fraction)
        {
            if (isAuditioning() && appState.preview.playing.load())
                appState.preview.seekInWindow (fraction);
        };

        refreshCueSelector();
    }

    //==============================================================================
    void PresetPage::resized()
    {
        auto bounds = getLocalBounds();
        layoutLeftColumn (bounds.removeFromLeft (leftColumnWidth).reduced (12));
        layoutRightSide (bounds.reduced (12));
    }

    void PresetPage::layoutLeftColumn (juce::Rectangle<int> column)
    {
        projectHeading.setBounds (column.removeFromTop (26));
        column.removeFromTop (5);

        const std::pair<juce::Label*, juce::Component*> rows[] = {
            { &publisherLabel, &publisherEditor }, { &pubCodeLabel, &pubCodeEditor }, { &composerLabel, &composerEditor },
            { &versionLabel, &versionEditor }
        };

        for (const auto& [label, field] : rows)
        {
            auto row = column.removeFromTop (30);
            label->setBounds (row.removeFromLeft (80));
            row.removeFromLeft (5);
            field->setBounds (field == &versionEditor ? row.withWidth (juce::jmin (row.getWidth(), 90)) : row);
            column.removeFromTop (5);
        }

        // The numbering choices are whole sentences: the chooser takes the column's full
        // width under its caption, and as many lines as its longest choice needs there.
        numberingLabel.setBounds (column.removeFromTop (numberingCaptionHeight));
        numberingCombo.setBounds (column.removeFromTop (comboBoxHeightFor (numberingCombo, column.getWidth(), 30)));
        column.removeFromTop (5);

        auto toggleRow = column.removeFromTop (30);
        keywordsLabel.setBounds (toggleRow.removeFromLeft (80));
        toggleRow.removeFromLeft (5);
        pluralToggle.setBounds (toggleRow);

        column.removeFromTop (5);
        column.removeFromTop (12);
        separatorY = column.getY();
        column.removeFromTop (12);

        libraryHeading.setBounds (column.removeFromTop (26));
        column.removeFromTop (5);

        const int h = column.getHeight();
        libraryList.setBounds (column.removeFromTop (juce::jmin (h, juce::jmax (h - 131, minimumLibraryHeight))));
        column.removeFromTop (5);
        statusLabel.setBounds (column.removeFromTop (20));
        column.removeFromTop (5);

        juce::Button* buttonRows[3][3] = {
            { &newButton, &duplicatePresetButton, &renameButton },
            { &saveButton, &saveAsButton, &deletePresetButton },
            { &importButton, &exportButton, &restoreButton }
        };

        for (auto& buttons : buttonRows)
        {
            auto row = column.removeFromTop (30);
            const int w = (row.getWidth() - 10) / 3;
            buttons[0]->setBounds (row.removeFromLeft (juce::jmax (0, w)));
            row.removeFromLeft (5);
            buttons[1]->setBounds (row.removeFromLeft (juce::jmax (0, w)));
            row.removeFromLeft (5);
            buttons[2]->setBounds (row);
            column.removeFromTop (5);
        }
    }

    void PresetPage::layoutRightSide (juce::Rectangle<int> area)
    {
        const int x0 = area.getX(), y0 = area.getY(), W = area.getWidth();
        const int E = juce::jmin (W, juce::jlimit (270, 320, W / 3));

        // Header strip.
        auto strip = area.removeFromTop (26);
        auditionStrip.setBounds (x0 + W - E, y0, E, strip.getHeight());
        auto left = strip.withWidth (juce::jmax (0, W - E - 12));

        addMixButton.setBounds (centredInSlot (left.removeFromRight (160), 160, 30));
        left.removeFromRight (5);
        cueSelector.setBounds (centredInSlot (left.removeFromRight (230), 230, 30));
        updateCueTooltip();
        left.removeFromRight (6);
        cueLabel.setBounds (left.removeFromRight (34));
        left.removeFromRight (12);
        stemsHeading.setBounds (left.removeFromLeft (58));
        left.removeFromLeft (6);
        stemsHint.setBounds (left);

        // Body.
        area.removeFromTop (5);
        dividerTop = area.getY();
        dividerHeight = area.getHeight();

        auto stemSide = area.withWidth (juce::jmax (0, W - E - 12));
        layoutStemButtons (stemSide.removeFromBottom (30));
        stemSide.removeFromBottom (5);
        mixHeading->setBounds (stemSide.removeFromTop (26));
        layoutMixColumns (stemSide);

        if (mixScrollBar.isVisible())
        {
            mixScrollBar.setBounds (stemSide.removeFromBottom (10));
            stemSide.removeFromBottom (3);
        }

        stemList->setBounds (stemSide);

        layoutEditorColumn ({ x0 + W - E, area.getY(), E, area.getHeight() });
    }

    void PresetPage::layoutStemButtons (juce::Rectangle<int> row)
    {
        juce::TextButton* textButtons[] = { &addStemButton, &addSeveralButton, &duplicateStemButton, &deleteStemButton,
                                            &deleteAllButton };
        juce::Button* buttons[] = { &addStemButton, &addSeveralButton, &duplicateStemButton, &deleteStemButton,
                                    &deleteAllButton, &upButton, &downButton };
        int widths[7] {};
        int sum = 0;

        for (int i = 0; i < 7; ++i)
        {
            widths[i] = i < 5 ? textButtonWidth (*textButtons[i]) : 30;
            sum += widths[i];
        }

        const int available = row.getWidth() - 30;

        if (sum > available && sum > 0)
            for (auto& width : widths)
                width = juce::jmax (0, available) * width / sum;

        for (int i = 0; i < 7; ++i)
        {
            buttons[i]->setBounds (row.removeFromLeft (widths[i]));
            row.removeFromLeft (5);
        }
    }

    void PresetPage::layoutMixColumns (juce::Rectangle<int> area)
    {
        const auto& submixes = appState.session.getPreset().schema.submixes;
        const auto font = bodyFont();
        int widest = 0;

        for (const auto& submix : submixes)
            widest = juce::jmax (widest, (int) std::ceil (font.getStringWidthFloat (submix.name)));

        mixColumnWidth = widest < 71 ? defaultMixColumnWidth : juce::jmin (widest + 45, maxMixColumnWidth);

        const int visible = juce::jmax (0, area.getWidth() - stemNamePartWidth);
        const int total = (int) submixes.size() * mixColumnWidth;

        if (visible == 0 || visible >= total)
        {
            mixScrollBar.setVisible (false);
            mixScrollOffset = 0;
            return;
        }

        mixScrollBar.setVisible (true);
        mixScrollBar.setRangeLimits (0.0, (double) total, juce::dontSendNotification);
        mixScrollBar.setCurrentRange (juce::jlimit (0, total - visible, mixScrollOffset), visible, juce::dontSendNotification);
        mixScrollOffset = (int) mixScrollBar.getCurrentRangeStart();
    }

    void PresetPage::layoutEditorColumn (juce::Rectangle<int> column)
    {
        dividerX = column.getX() - 6;
        const int E = column.getWidth();

        const std::pair<juce::Label*, juce::TextEditor*> rows[] = {
            { &nameLabel, &nameEditor }, { &shortCodeLabel, &shortCodeEditor }, { &tokenLabel, &tokenEditor }
        };

        for (const auto& [label, editor] : rows)
        {
            auto row = column.removeFromTop (30);
            label->setBounds (row.removeFromLeft (130));
            row.removeFromLeft (5);
            editor->setBounds (row);
            column.removeFromTop (5);
        }

        auto priorityRow = column.removeFromTop (26);
        priorityLabel.setBounds (priorityRow.removeFromLeft (130));
        priorityRow.removeFromLeft (5);
        prioritySlider.setBounds (priorityRow.withWidth (juce::jmin (priorityRow.getWidth(), 109)));
        column.removeFromTop (5);

        colourButton.setBounds (column.removeFromTop (30).withWidth (juce::jmin (E, 110)));
        column.removeFromTop (12);

        const int X = column.getHeight();
        const int q = juce::jmax (X / 4, 54);
        const auto rulesPanel = column.removeFromTop (juce::jmin (X, juce::jmax (X - q - 59, 147)));
        column.removeFromTop (12);
        const auto exclusionsPanel = column.removeFromTop (juce::jmin (column.getHeight(), q + 47));

        const std::pair<juce::Rectangle<int>, std::pair<juce::Label*, juce::TextEditor*>> panels[] = {
            { rulesPanel, { &rulesLabel, &rulesEditor } }, { exclusionsPanel, { &exclusionsLabel, &exclusionsEditor } }
        };

        for (const auto& [panel, parts] : panels)
        {
            auto inner = panel.reduced (10);
            parts.first->setBounds (inner.removeFromTop (22));
            inner.removeFromTop (5);
            parts.second->setBounds (inner);
        }

        panelBoxes.clearQuick();
        panelBoxes.add (rulesPanel, exclusionsPanel);
    }

    void PresetPage::paint (juce::Graphics& g)
    {
        g.fillAll (colours::windowBackground);
        g.setColour (colours::panelBackground);
        g.fillRect (getLocalBounds().withWidth (juce::jmin (getWidth(), leftColumnWidth)));

        g.setColour (colours::outline);

        if (separatorY > 0)
            g.fillRect (12, separatorY, 316, 1);

        if (dividerX > 0)
            g.fillRect (dividerX, dividerTop, 1, dividerHeight);

        for (const auto& box : panelBoxes)
            drawPanel (g, box);
    }

    void PresetPage::scrollBarMoved (juce::ScrollBar*, double newRangeStart)
    {
        mixScrollOffset = (int) newRangeStart;
        repaintStemsAndHeading();
    }

    //==============================================================================
    std::unique_ptr<juce::ComponentTraverser> PresetPage::createKeyboardFocusTraverser()
    {
        return std::make_unique<BlockTraverser> (*this);
    }

    juce::Component* PresetPage::BlockTraverser::getNextComponent (juce::Component* current)
    {
        return step (current, 1);
    }

    juce::Component* PresetPage::BlockTraverser::getPreviousComponent (juce::Component* current)
    {
        return step (current, -1);
    }

    juce::Component* PresetPage::BlockTraverser::step (juce::Component* current, int direction)
    {
        for (const auto* block : { &page->projectBlock, &page->stemBlock })
        {
            const int k = block->indexOf (current);

            if (k < 0)
                continue;

            const int n = block->size();

            for (int j = 1; j < n; ++j)
            {
                auto* candidate = block->getUnchecked (((k + j * direction) % n + n) % n);

                if (candidate->isShowing() && candidate->isEnabled() && candidate->getWantsKeyboardFocus())
                    return candidate;
            }

            return current;
        }

        return direction > 0 ? juce::KeyboardFocusTraverser::getNextComponent (current)
                             : juce::KeyboardFocusTraverser::getPreviousComponent (current);
    }

    bool PresetPage::keyPressed (const juce::KeyPress& key, juce::Component* originatingComponent)
    {
        if (originatingComponent != &inlineNameEditor || key.getKeyCode() != juce::KeyPress::tabKey)
            return false;

        const int target = renameRow + (key.getModifiers().isShiftDown() ? -1 : 1);

        if (target < 0 || target >= (int) appState.session.getPreset().schema.stems.size())
            return false;

        finishInlineRename (true);

        juce::Component::SafePointer<PresetPage> safeThis (this);
        juce::MessageManager::callAsync ([safeThis, target]
        {
            if (safeThis == nullptr || target >= safeThis->stemList->getModel()->getNumRows())
                return;

            safeThis->stemList->scrollToEnsureRowIsOnscreen (target);
            safeThis->stemList->selectRow (target, true, true);
            safeThis->startInlineRename (target);
        });

        return true;
    }

    //==============================================================================
    void PresetPage::refreshEditors()
    {
        finishInlineRename (false);

        {
            const juce::ScopedValueSetter<bool> filling (applyingEdit, true);
            const auto& preset = appState.session.getPreset();

            numberingCombo.setSelectedId (preset.exportSettings.naming.numbering == Numbering::consecutiveExported ? 2 : 1,
                                          juce::dontSendNotification);
            pluralToggle.setToggleState (preset.schema.matchPlurals, juce::dontSendNotification);
            publisherEditor.setText (preset.metadata.publisher, false);
            pubCodeEditor.setText (preset.metadata.project, false);
            composerEditor.setText (preset.metadata.composer, false);
            versionEditor.setText (preset.metadata.version, false);
            projectFieldsPresetId = preset.id;

            stemList->updateContent();
            const int row = preset.schema.indexOfStem (selectedStemId);

            if (row >= 0)
                stemList->selectRow (row, true, true);
            else if (! preset.schema.stems.empty())
                stemList->selectRow (0, true, true);
            else
                stemList->deselectAllRows();

            refreshTickCache();
            repaintStemsAndHeading();
        }

        resized();
        loadStemEditor();
    }

    void PresetPage::updateStatusLabel()
    {
        statusLabel.setText (appState.isPresetModified() ? unsavedText : "", juce::dontSendNotification);
    }

    bool PresetPage::anyTextFieldHasFocus() const
    {
        // The in-place rename too: a stem field's late focus-loss commit must not close it.
        for (const auto* editor : { &nameEditor, &shortCodeEditor, &tokenEditor, &rulesEditor, &exclusionsEditor,
                                    &publisherEditor, &pubCodeEditor, &composerEditor, &versionEditor, &inlineNameEditor })
            if (editor->hasKeyboardFocus (true))
                return true;

        return false;
    }

    void PresetPage::repaintStemsAndHeading()
    {
        stemList->repaint();
        mixHeading->repaint();
    }

    void PresetPage::broadcastChange()
    {
        appState.sendChangeMessage();
    }

    void PresetPage::showWarning (const juce::String& title, const juce::String& message)
    {
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->showMessage (juce::MessageBoxIconType::WarningIcon, title, message);
    }

    //==============================================================================
    void PresetPage::tracksChanged()
    {
        refreshCueSelector();
        refreshTickCache();
        repaintStemsAndHeading();
    }

    void PresetPage::assignmentsChanged()
    {
        refreshCueSelector();
        refreshTickCache();
    }

    void PresetPage::presetChanged()
    {
        const auto& preset = appState.session.getPreset();

        if (applyingEdit)
        {
            stemList->repaint();
        }
        else if (preset.id != editorPresetId || preset.id != projectFieldsPresetId)
        {
            // Another preset: what the fields hold belongs to the one that went, so they
            // are reloaded even while one has the focus.
            refreshEditors();
        }
        else if (switchingStem || anyTextFieldHasFocus())
        {
            // Typing goes on undisturbed; the list still shows what the schema holds.
            stemList->updateContent();
            stemList->repaint();
        }
        else
        {
            refreshEditors();
        }

        refreshTickCache();
        mixHeading->repaint();
        updateStatusLabel();
    }

    void PresetPage::visibilityChanged()
    {
        if (isVisible())
            refreshLibrary();
    }

    void PresetPage::mouseExit (const juce::MouseEvent&)
    {
        if (stemEditPending)
            commitStemEditor();
    }

    juce::Label& PresetPage::getFieldLabel (const juce::String& text)
    {
        for (auto* label : { &publisherLabel, &pubCodeLabel, &composerLabel, &versionLabel, &nameLabel, &shortCodeLabel,
                             &tokenLabel, &priorityLabel, &numberingLabel, &keywordsLabel, &rulesLabel, &exclusionsLabel })
            if (label->getText() == text)
                return *label;

        jassertfalse;
        return publisherLabel;
    }
}
