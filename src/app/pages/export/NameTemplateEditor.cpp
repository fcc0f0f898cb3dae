#include "app/pages/export/NameTemplateEditor.h"

#include "ui/Dialogs.h"
#include "ui/DraggingHandCursor.h"
#include "ui/Fonts.h"
#include "ui/LayoutHelpers.h"
#include "ui/Palette.h"
#include "ui/ScopedDialogOwner.h"

#include <cmath>
#include <cstring>

namespace korvid::ui
{
    namespace
    {
        constexpr int paletteCaptionGap = 16;
        constexpr int captionHeight = 22;
        constexpr int captionGap = 10;
        constexpr int sequenceInsetX = 8;
        constexpr int sequenceInsetY = 6;

        /** Places chips of these widths left to right from (startX, startY); a chip that would
            end beyond `right` starts a new row, unless it is the first of its row. */
        std::vector<juce::Rectangle<int>> flow (const std::vector<int>& widths, int startX, int startY, int right)
        {
            std::vector<juce::Rectangle<int>> places;
            int x = startX, y = startY;

            for (const int width : widths)
            {
                if (x > startX && x + width > right)
                {
                    x = startX;
                    y += NameTemplateEditor::rowPitch;
                }

                places.emplace_back (x, y, width, NameTemplateEditor::chipHeight);
                x += width + NameTemplateEditor::chipGap;
            }

            return places;
        }

        int rowsOf (const std::vector<juce::Rectangle<int>>& places, int startY)
        {
            if (places.empty())
                return 1;

            return (places.back().getY() - startY) / NameTemplateEditor::rowPitch + 1;
        }

        std::vector<int> widthsOf (const juce::OwnedArray<NameTemplateEditor::Chip>& chips)
        {
            std::vector<int> widths;

            for (auto* chip : chips)
                widths.push_back (NameTemplateEditor::chipWidth (chip->shownText(), chip->isRemovable()));

            return widths;
        }

        /** A word as the template may hold it: no braces, which would make it a token, and no
            separator characters at its ends. */
        juce::String cleanWord (const juce::String& text)
        {
            const auto& separators = namingSeparatorChars();
            auto word = text.removeCharacters ("{}").trim();

            while (word.isNotEmpty() && separators.containsChar (word[0]))
                word = word.substring (1);

            while (word.isNotEmpty() && separators.containsChar (word.getLastCharacter()))
                word = word.dropLastCharacters (1);

            return word;
        }
    }

    //==============================================================================
    NameTemplateEditor::NameTemplateEditor()
    {
        palette = std::make_unique<Palette> (*this);
        sequence = std::make_unique<Sequence> (*this);

        addAllAndMakeVisible (*this, { palette.get(), sequence.get(), &caption, &wordEditor });
        wordEditor.setVisible (false);

        caption.setFont (strongFont());
        wordEditor.setFont (bodyFont());
        wordEditor.setSelectAllWhenFocused (true);
        wordEditor.onReturnKey = [this] { finishWordEdit (true); };
        wordEditor.onFocusLost = [this] { finishWordEdit (true); };
        wordEditor.onEscapeKey = [this] { finishWordEdit (false); };

        palette->rebuild (vocabulary);
    }

    NameTemplateEditor::~NameTemplateEditor() = default;

    juce::String NameTemplateEditor::tokenLabel (const juce::String& token)
    {
        if (token == "{project}")
            return "PubCode";

        const auto bare = token.removeCharacters ("{}");

        if (bare.isEmpty())
            return bare;

        juce::String label = bare.substring (0, 1).toUpperCase();

        for (int i = 1; i < bare.length(); ++i)
        {
            const auto c = bare[i];

            if (c >= 'A' && c <= 'Z')
                label << " " << juce::String::charToString (c).toLowerCase();
            else
                label << juce::String::charToString (c);
        }

        return label;
    }

    juce::String NameTemplateEditor::dragDescription (int kind, int index, bool isToken, const juce::String& text)
    {
        return juce::String (dragPrefix) + (kind == pieceChip ? "move" : "add") + ":" + juce::String (index) + ":"
             + (isToken ? "t" : "x") + ":" + text;
    }

    int NameTemplateEditor::chipWidth (const juce::String& shownText, bool removable)
    {
        return (int) std::ceil (bodyFont().getStringWidthFloat (shownText)) + 22 + (removable ? 16 : 0);
    }

    //==============================================================================
    void NameTemplateEditor::setTemplate (const juce::String& templateText)
    {
        auto met = separator;
        pieces = splitNamingTemplate (templateText, &met, separator);

        if (met != separator)
            separator = met;

        hideIdleWordEditor();
        rebuildSequence();
        resized();
    }

    juce::String NameTemplateEditor::getTemplate() const
    {
        return joinNamingPieces (pieces, separator);
    }

    void NameTemplateEditor::setSeparator (const juce::String& newSeparator)
    {
        if (newSeparator == separator)
            return;

        separator = newSeparator;
        hideIdleWordEditor();
        rebuildSequence();
        resized();
    }

    void NameTemplateEditor::setVocabulary (const juce::StringArray& words)
    {
        if (words == vocabulary)
            return;

        vocabulary = words;
        palette->rebuild (vocabulary);
        resized();
    }

    void NameTemplateEditor::setPaletteVisible (bool shouldBeVisible)
    {
        if (shouldBeVisible == paletteVisible)
            return;

        paletteVisible = shouldBeVisible;
        palette->setVisible (paletteVisible);
        resized();
    }

    void NameTemplateEditor::setCaption (const juce::String& text)
    {
        caption.setText (text, juce::dontSendNotification);
    }

    int NameTemplateEditor::getPreferredHeight (int width) const
    {
        const int w = juce::jmax (width, 200);
        const int paletteRows = paletteVisible ? palette->rowCount (w) : 0;
        const int sequenceRows = juce::jmax (1, sequence->rowCount (w));

        if (paletteRows >= 1)
            return (paletteRows + sequenceRows) * rowPitch + 56;

        return sequenceRows * rowPitch + 40;
    }

    void NameTemplateEditor::resized()
    {
        auto area = getLocalBounds();
        const auto take = [&area] (int height) { return area.removeFromTop (juce::jlimit (0, area.getHeight(), height)); };

        if (paletteVisible)
        {
            palette->setBounds (take (palette->rowCount (getWidth()) * rowPitch));
            take (paletteCaptionGap);
        }

        caption.setBounds (take (captionHeight));
        take (captionGap);
        sequence->setBounds (take (juce::jmax (sequence->rowCount (getWidth()), 1) * rowPitch + 8));

        if (wordEditor.isVisible() && juce::isPositiveAndBelow (editingPiece, sequence->chips.size()))
        {
            const auto chip = sequence->chips[editingPiece]->getBounds() + sequence->getPosition();
            wordEditor.setBounds (chip.getX() - 2, chip.getY(), chip.getWidth() + 4, chip.getHeight());
        }
    }

    //==============================================================================
    void NameTemplateEditor::rebuildSequence()
    {
        sequence->rebuild (pieces);
    }

    void NameTemplateEditor::hideIdleWordEditor()
    {
        if (wordEditor.isVisible() && editingPiece < 0)
            wordEditor.setVisible (false);
    }

    void NameTemplateEditor::notifyChanged()
    {
        hideIdleWordEditor();
        rebuildSequence();
        resized();

        if (onTemplateChanged)
            onTemplateChanged();
    }

    void NameTemplateEditor::insertPiece (NamingPiece piece, int position)
    {
        if (! piece.isToken)
        {
            piece.text = cleanWord (piece.text);

            if (piece.text.isEmpty())
            {
                insertWordAndEdit (position);
                return;
            }
        }

        const int count = (int) pieces.size();
        const int at = position < 0 ? count : juce::jmin (position, count);
        pieces.insert (pieces.begin() + at, std::move (piece));
        notifyChanged();
    }

    void NameTemplateEditor::insertWordAndEdit (int position)
    {
        const int count = (int) pieces.size();
        const int at = (position < 0 || position > count) ? count : position;
        pieces.insert (pieces.begin() + at, NamingPiece { false, {} });

        hideIdleWordEditor();
        rebuildSequence();
        resized();
        beginWordEdit (at);
    }

    void NameTemplateEditor::removePiece (int index)
    {
        if (! juce::isPositiveAndBelow (index, (int) pieces.size()))
            return;

        pieces.erase (pieces.begin() + index);
        notifyChanged();
    }

    void NameTemplateEditor::beginWordEdit (int index)
    {
        if (! juce::isPositiveAndBelow (index, (int) pieces.size()) || pieces[(size_t) index].isToken
            || ! juce::isPositiveAndBelow (index, sequence->chips.size()))
            return;

        editingPiece = index;
        const auto chip = sequence->chips[index]->getBounds() + sequence->getPosition();
        wordEditor.setBounds (chip.getX() - 2, chip.getY(), juce::jmax (0, chip.getWidth() + 4), juce::jmax (0, chip.getHeight()));
        wordEditor.setText (pieces[(size_t) index].text, juce::dontSendNotification);
        wordEditor.setVisible (true);
        wordEditor.toFront (true);
        wordEditor.grabKeyboardFocus();
        wordEditor.selectAll();
    }

    void NameTemplateEditor::finishWordEdit (bool commit)
    {
        if (! wordEditor.isVisible())
            return;

        const auto typed = wordEditor.getText().trim();
        const int index = editingPiece;
        editingPiece = -1;
        wordEditor.setVisible (false);

        if (! juce::isPositiveAndBelow (index, (int) pieces.size()) || pieces[(size_t) index].isToken)
            return;

        auto& piece = pieces[(size_t) index];
        const bool hadText = piece.text.isNotEmpty();

        if (commit && typed.isNotEmpty())
        {
            const auto word = cleanWord (typed);

            if (word.isEmpty())
            {
                removePiece (index);
                return;
            }

            const bool changed = word != piece.text;
            piece.text = word;

            if (! vocabulary.contains (word, true) && onWordAdded)
                onWordAdded (word);

            if (changed || ! hadText)
                notifyChanged();

            return;
        }

        pieces.erase (pieces.begin() + index);

        if (hadText)
        {
            notifyChanged();
        }
        else
        {
            hideIdleWordEditor();
            rebuildSequence();
            resized();
        }
    }

    void NameTemplateEditor::confirmRemoveFromVocabulary (const juce::String& word)
    {
        if (dialogs == nullptr)
            return;

        juce::Component::SafePointer<NameTemplateEditor> safeThis (this);
        const ScopedDialogOwner owner (*dialogs, this);

        dialogs->confirm (juce::MessageBoxIconType::QuestionIcon, "Forget this word?",
                          "\"" + word + "\" will no longer be offered when you build a file name.\n\n"
                          "Names that already use it are not affected.",
                          "OK", "Cancel",
                          [safeThis, word] (bool forget)
                          {
                              auto* editor = safeThis.getComponent();

                              if (forget && editor != nullptr && editor->onWordForgotten)
                                  editor->onWordForgotten (word);
                          });
    }

    void NameTemplateEditor::handleDrop (const juce::String& description, int insertionIndex)
    {
        if (! description.startsWith (dragPrefix))
            return;

        // Operation, index and type are the first three fields; the text may hold ":" itself.
        auto rest = description.substring ((int) std::strlen (dragPrefix));
        const auto operation = rest.upToFirstOccurrenceOf (":", false, false);
        rest = rest.fromFirstOccurrenceOf (":", false, false);
        const auto indexText = rest.upToFirstOccurrenceOf (":", false, false);
        rest = rest.fromFirstOccurrenceOf (":", false, false);
        const auto type = rest.upToFirstOccurrenceOf (":", false, false);
        const auto text = rest.fromFirstOccurrenceOf (":", false, false);

        if (operation == "move")
        {
            const int from = indexText.getIntValue();

            if (! juce::isPositiveAndBelow (from, (int) pieces.size()))
                return;

            auto piece = pieces[(size_t) from];
            pieces.erase (pieces.begin() + from);
            int to = insertionIndex;

            if (from < to)
                --to;

            to = juce::jlimit (0, (int) pieces.size(), to);
            pieces.insert (pieces.begin() + to, std::move (piece));
            notifyChanged();
            return;
        }

        if (type != "x" || text.isNotEmpty())
            insertPiece ({ type == "t", text }, insertionIndex);
        else
            insertWordAndEdit (insertionIndex);
    }

    //==============================================================================
    NameTemplateEditor::Chip::Chip (NameTemplateEditor& ownerEditor, const juce::String& chipText, bool token,
                                    int chipKind, int pieceIndex)
        : owner (ownerEditor), text (chipText), isToken (token), kind (chipKind), index (pieceIndex)
    {
        setMouseCursor (getDraggingHandCursor());

        switch (kind)
        {
            case pieceChip:
                setTooltip (isToken ? "Drag to reorder, or click the cross to remove."
                                    : "Click to retype it, drag to reorder, cross to remove.");
                break;
            case tokenChip:    setTooltip ("Drag down into the name below."); break;
            case ownWordChip:  setTooltip ("One of your words. Drag it in, or click the cross to forget it."); break;
            default:           setTooltip ("Adds a word of your own, ready to type."); break;
        }
    }

    juce::String NameTemplateEditor::Chip::shownText() const
    {
        if (kind == wordAdderChip)
            return "Text...";

        if (isToken)
            return tokenLabel (text);

        return text.isEmpty() ? juce::String ("Text") : "\"" + text + "\"";
    }

    bool NameTemplateEditor::Chip::isOverCross (juce::Point<int> position) const
    {
        return isRemovable() && position.x >= getWidth() - crossWidth;
    }

    void NameTemplateEditor::Chip::mouseMove (const juce::MouseEvent& e)
    {
        const bool over = isOverCross (e.getPosition());

        if (over != crossHover)
        {
            crossHover = over;
            repaint();
        }
    }

    void NameTemplateEditor::Chip::mouseEnter (const juce::MouseEvent&)
    {
        hover = true;
        repaint();
    }

    void NameTemplateEditor::Chip::mouseExit (const juce::MouseEvent&)
    {
        hover = false;
        crossHover = false;
        repaint();
    }

    void NameTemplateEditor::Chip::mouseDown (const juce::MouseEvent&)
    {
        dragStarted = false;
    }

    void NameTemplateEditor::Chip::mouseDrag (const juce::MouseEvent& e)
    {
        if (dragStarted || ! e.mouseWasDraggedSinceMouseDown())
            return;

        dragStarted = true;

        if (auto* container = juce::DragAndDropContainer::findParentDragContainerFor (this))
            container->startDragging (dragDescription (kind, index, isToken, text), this, juce::ScaledImage(), false);
    }

    void NameTemplateEditor::Chip::mouseUp (const juce::MouseEvent& e)
    {
        if (dragStarted || e.mouseWasDraggedSinceMouseDown())
        {
            dragStarted = false;
            return;
        }

        click (e.getPosition());   // may delete this chip: nothing may follow
    }

    void NameTemplateEditor::Chip::click (juce::Point<int> position)
    {
        auto& editor = owner;

        switch (kind)
        {
            case pieceChip:
                if (isOverCross (position))
                    editor.removePiece (index);
                else if (! isToken)
                    editor.beginWordEdit (index);
                break;

            case tokenChip:
                editor.insertPiece ({ true, text }, -1);
                break;

            case ownWordChip:
                if (isOverCross (position))
                    editor.confirmRemoveFromVocabulary (text);
                else
                    editor.insertPiece ({ false, text }, -1);
                break;

            default:
                editor.insertWordAndEdit (-1);
                break;
        }
    }

    void NameTemplateEditor::Chip::paint (juce::Graphics& g)
    {
        const auto base = isToken ? colours::accent : colours::good;
        const auto area = getLocalBounds().toFloat().reduced (0.5f);

        g.setColour (base.withAlpha (hover ? 0.34f : 0.22f));
        g.fillRoundedRectangle (area, 11.0f);
        g.setColour (base.withAlpha (0.75f));
        g.drawRoundedRectangle (area, 11.0f, 1.0f);

        auto textArea = juce::Rectangle<int> (10, 0, juce::jmax (0, getWidth() - 20), getHeight());

        if (isRemovable())
        {
            const auto cross = textArea.removeFromRight (juce::jmin (16, textArea.getWidth()));
            const float left = (float) cross.getX() + 4.0f;
            const float top = (float) getHeight() / 2.0f - 4.0f;
            g.setColour (crossHover ? colours::bad : colours::textSecondary);
            g.drawLine (left, top, left + 8.0f, top + 8.0f, 1.4f);
            g.drawLine (left, top + 8.0f, left + 8.0f, top, 1.4f);
        }

        g.setColour (colours::textPrimary);
        g.setFont (bodyFont());
        g.drawText (shownText(), textArea, juce::Justification::centredLeft, true);
    }

    //==============================================================================
    NameTemplateEditor::Palette::Palette (NameTemplateEditor& ownerEditor)
        : owner (ownerEditor)
    {
    }

    void NameTemplateEditor::Palette::rebuild (const juce::StringArray& vocabulary)
    {
        chips.clear();

        for (const auto& token : namingTokens())
            chips.add (new Chip (owner, token, true, tokenChip, -1));

        for (const auto& word : vocabulary)
            chips.add (new Chip (owner, word, false, ownWordChip, -1));

        chips.add (new Chip (owner, {}, false, wordAdderChip, -1));

        for (auto* chip : chips)
            addAndMakeVisible (chip);

        resized();
    }

    int NameTemplateEditor::Palette::rowCount (int width) const
    {
        return rowsOf (flow (widthsOf (chips), 0, 0, width), 0);
    }

    void NameTemplateEditor::Palette::resized()
    {
        const auto places = flow (widthsOf (chips), 0, 0, getWidth());

        for (int i = 0; i < chips.size(); ++i)
            chips[i]->setBounds (places[(size_t) i]);
    }

    //==============================================================================
    NameTemplateEditor::Sequence::Sequence (NameTemplateEditor& ownerEditor)
        : owner (ownerEditor)
    {
    }

    void NameTemplateEditor::Sequence::rebuild (const std::vector<NamingPiece>& pieces)
    {
        chips.clear();

        for (size_t i = 0; i < pieces.size(); ++i)
            addAndMakeVisible (chips.add (new Chip (owner, pieces[i].text, pieces[i].isToken, pieceChip, (int) i)));

        resized();
        repaint();
    }

    int NameTemplateEditor::Sequence::rowCount (int width) const
    {
        return rowsOf (flow (widthsOf (chips), sequenceInsetX, sequenceInsetY, width - sequenceInsetX), sequenceInsetY);
    }

    int NameTemplateEditor::Sequence::insertionIndexAt (int x, int y) const
    {
        for (int i = 0; i < chips.size(); ++i)
        {
            const auto bounds = chips[i]->getBounds();

            if (bounds.getBottom() > y && bounds.getCentreX() > x)
                return i;
        }

        return chips.size();
    }

    void NameTemplateEditor::Sequence::resized()
    {
        const auto places = flow (widthsOf (chips), sequenceInsetX, sequenceInsetY, getWidth() - sequenceInsetX);

        for (int i = 0; i < chips.size(); ++i)
            chips[i]->setBounds (places[(size_t) i]);
    }

    void NameTemplateEditor::Sequence::paint (juce::Graphics& g)
    {
        const auto area = getLocalBounds().toFloat().reduced (0.5f);
        g.setColour (colours::controlBackground.withAlpha (0.55f));
        g.fillRoundedRectangle (area, 4.0f);

        if (dragOver)
        {
            g.setColour (colours::accent);
            g.drawRoundedRectangle (area, 4.0f, 1.8f);
        }
        else
        {
            g.setColour (colours::outline);
            g.drawRoundedRectangle (area, 4.0f, 1.0f);
        }

        if (chips.isEmpty())
        {
            g.setColour (colours::textDisabled);
            g.setFont (bodyFont());
            g.drawText ("Drag pieces here to build the file name", getLocalBounds(), juce::Justification::centred, true);
        }

        if (dragOver && insertIndex >= 0)
        {
            int x = sequenceInsetX;

            if (insertIndex < chips.size())
                x = chips[insertIndex]->getX() - 2;
            else if (! chips.isEmpty())
                x = chips.getLast()->getRight() + 2;

            g.setColour (colours::accent);
            g.fillRect (juce::Rectangle<float> ((float) x - 1.0f, 4.0f, 2.0f, juce::jmax (0.0f, (float) getHeight() - 8.0f)));
        }
    }

    bool NameTemplateEditor::Sequence::isInterestedInDragSource (const SourceDetails& details)
    {
        const auto description = details.description.toString();

        if (! description.startsWith (dragPrefix))
            return false;

        const auto operation = description.substring ((int) std::strlen (dragPrefix)).upToFirstOccurrenceOf (":", false, false);

        // Pieces move only within their own editor; palette chips may go to any editor.
        if (operation != "move")
            return true;

        auto* source = details.sourceComponent.get();
        return source != nullptr && isParentOf (source);
    }

    void NameTemplateEditor::Sequence::itemDragEnter (const SourceDetails& details)
    {
        itemDragMove (details);
    }

    void NameTemplateEditor::Sequence::itemDragMove (const SourceDetails& details)
    {
        dragOver = true;
        insertIndex = insertionIndexAt (details.localPosition.x, details.localPosition.y);
        repaint();
    }

    void NameTemplateEditor::Sequence::itemDragExit (const SourceDetails&)
    {
        dragOver = false;
        insertIndex = -1;
        repaint();
    }

    void NameTemplateEditor::Sequence::itemDropped (const SourceDetails& details)
    {
        const int at = insertionIndexAt (details.localPosition.x, details.localPosition.y);
        dragOver = false;
        insertIndex = -1;
        repaint();
        owner.handleDrop (details.description.toString(), at);   // rebuilds the chips
    }
}
