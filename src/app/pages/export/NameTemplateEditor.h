#pragma once

#include "core/model/OutputNaming.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>
#include <vector>

namespace korvid::ui
{
    class Dialogs;

    /** Edits one file-name template as a row of pieces: naming tokens and words of the
        user's own, built by clicking or dragging chips from a palette, reordered by
        dragging, words retyped in place, pieces removed with a cross. The separator that
        joins the pieces is not a piece.

        Must sit inside a juce::DragAndDropContainer: chips start their drags through the
        nearest one. The editor never writes settings: the vocabulary and the templates
        belong to its owner, which also hands it the dialogs for its one question. */
    class NameTemplateEditor : public juce::Component
    {
    public:
        class Chip;
        class Palette;
        class Sequence;

        // Chip kinds.
        enum ChipKind : int
        {
            pieceChip = 0,     // a piece of the template, in the sequence
            tokenChip = 1,     // a token in the palette
            ownWordChip = 2,   // one of the user's words in the palette
            wordAdderChip = 3  // "Text...": adds a new word, ready to type
        };

        static constexpr const char* dragPrefix = "korvid.namechip:";
        static constexpr int chipHeight = 28;
        static constexpr int chipGap = 5;
        static constexpr int rowPitch = 33;
        static constexpr int crossWidth = 20;

        NameTemplateEditor();
        ~NameTemplateEditor() override;

        /** Shows a template; no change is reported. A separator met in it becomes the
            editor's separator. */
        void setTemplate (const juce::String& templateText);
        juce::String getTemplate() const;

        void setSeparator (const juce::String& newSeparator);
        const juce::String& getSeparator() const noexcept   { return separator; }
        void setVocabulary (const juce::StringArray& words);
        void setPaletteVisible (bool shouldBeVisible);
        void setCaption (const juce::String& text);
        void setDialogs (Dialogs* dialogsToUse)             { dialogs = dialogsToUse; }

        /** The height the editor needs at a width (counted as at least 200). */
        int getPreferredHeight (int width) const;

        std::function<void()> onTemplateChanged;
        std::function<void (juce::String)> onWordAdded;
        std::function<void (juce::String)> onWordForgotten;

        //==============================================================================
        // Inside the editor; public so that tests can drive them.
        void insertPiece (NamingPiece piece, int position);
        void insertWordAndEdit (int position);
        void removePiece (int index);
        void beginWordEdit (int index);
        void finishWordEdit (bool commit);
        void notifyChanged();
        void confirmRemoveFromVocabulary (const juce::String& word);

        /** A drop on the sequence, described as a chip's drag describes itself. */
        void handleDrop (const juce::String& description, int insertionIndex);

        /** The text a chip shows for a token: "{project}" is "PubCode", any other loses its
            braces and reads as words ("{stemIndex}" is "Stem index"). */
        static juce::String tokenLabel (const juce::String& token);

        /** The drag description of a chip. */
        static juce::String dragDescription (int kind, int index, bool isToken, const juce::String& text);

        /** Chip width for its shown text. */
        static int chipWidth (const juce::String& shownText, bool removable);

        const std::vector<NamingPiece>& getPieces() const noexcept   { return pieces; }
        const juce::StringArray& getVocabulary() const noexcept      { return vocabulary; }
        int getEditingPiece() const noexcept                         { return editingPiece; }
        bool isPaletteVisible() const noexcept                       { return paletteVisible; }
        Palette& getPalette() noexcept                               { return *palette; }
        Sequence& getSequence() noexcept                             { return *sequence; }
        juce::TextEditor& getWordEditor() noexcept                   { return wordEditor; }
        juce::Label& getCaption() noexcept                           { return caption; }

        void resized() override;

    private:
        void rebuildSequence();
        void hideIdleWordEditor();

        juce::StringArray vocabulary;
        juce::TextEditor wordEditor;
        int editingPiece = -1;
        std::vector<NamingPiece> pieces;
        juce::String separator { "_" };
        bool paletteVisible = true;
        std::unique_ptr<Palette> palette;
        std::unique_ptr<Sequence> sequence;
        juce::Label caption;
        Dialogs* dialogs = nullptr;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (NameTemplateEditor)
    };

    /** One chip: a piece of the template, a token or own word of the palette, or the word
        adder. Clicks and drags go to its editor. */
    class NameTemplateEditor::Chip : public juce::Component,
                                     public juce::SettableTooltipClient
    {
    public:
        Chip (NameTemplateEditor& owner, const juce::String& text, bool isToken, int kind, int index);

        juce::String shownText() const;
        bool isRemovable() const noexcept   { return kind == pieceChip || kind == ownWordChip; }
        bool isOverCross (juce::Point<int> position) const;

        void mouseMove (const juce::MouseEvent& e) override;
        void mouseEnter (const juce::MouseEvent& e) override;
        void mouseExit (const juce::MouseEvent& e) override;
        void mouseDown (const juce::MouseEvent& e) override;
        void mouseDrag (const juce::MouseEvent& e) override;
        void mouseUp (const juce::MouseEvent& e) override;
        void paint (juce::Graphics& g) override;

        /** What a click without a drag does, at this point of the chip. */
        void click (juce::Point<int> position);

        NameTemplateEditor& owner;
        const juce::String text;
        const bool isToken;
        const int kind;
        const int index;
        bool hover = false;
        bool crossHover = false;
        bool dragStarted = false;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Chip)
    };

    /** The chips to build names from: every token, the user's own words, "Text...". */
    class NameTemplateEditor::Palette : public juce::Component
    {
    public:
        explicit Palette (NameTemplateEditor& owner);

        void rebuild (const juce::StringArray& vocabulary);
        /** Rows of the palette's flow at a width (at least 1). */
        int rowCount (int width) const;
        void resized() override;

        NameTemplateEditor& owner;
        juce::OwnedArray<Chip> chips;
    };

    /** The template's pieces in order; takes chip drops. */
    class NameTemplateEditor::Sequence : public juce::Component,
                                         public juce::DragAndDropTarget
    {
    public:
        explicit Sequence (NameTemplateEditor& owner);

        void rebuild (const std::vector<NamingPiece>& pieces);
        /** Rows of the sequence's flow at a width (at least 1). */
        int rowCount (int width) const;
        /** The first chip whose bottom lies below y and whose middle lies right of x, or
            the number of chips. */
        int insertionIndexAt (int x, int y) const;

        void paint (juce::Graphics& g) override;
        void resized() override;
        bool isInterestedInDragSource (const SourceDetails& details) override;
        void itemDragEnter (const SourceDetails& details) override;
        void itemDragMove (const SourceDetails& details) override;
        void itemDragExit (const SourceDetails& details) override;
        void itemDropped (const SourceDetails& details) override;

        NameTemplateEditor& owner;
        juce::OwnedArray<Chip> chips;
        bool dragOver = false;
        int insertIndex = -1;
    };
}
