#include "app/pages/export/NameTemplateEditor.h"
#include "ui/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace korvid::ui
{
namespace
{
    using Chip = NameTemplateEditor::Chip;
    using SourceDetails = juce::DragAndDropTarget::SourceDetails;

    /** An editor at a usual width with its callbacks counted. */
    struct EditorFixture
    {
        EditorFixture()
        {
            editor.setSize (600, 400);
            editor.setDialogs (&dialogs);
            editor.onTemplateChanged = [this] { ++changes; };
            editor.onWordAdded = [this] (juce::String word) { added.add (word); };
            editor.onWordForgotten = [this] (juce::String word) { forgotten.add (word); };
        }

        juce::StringArray labels()
        {
            juce::StringArray shown;

            for (auto* chip : editor.getSequence().chips)
                shown.add (chip->shownText());

            return shown;
        }

        /** Types into the word editor and ends the edit with Return or Escape. */
        void type (const juce::String& text, bool commit = true)
        {
            ASSERT_TRUE (editor.getWordEditor().isVisible());
            editor.getWordEditor().setText (text, juce::dontSendNotification);
            editor.finishWordEdit (commit);
        }

        testing::ScriptedDialogs dialogs;
        NameTemplateEditor editor;
        int changes = 0;
        juce::StringArray added, forgotten;
    };

    //==============================================================================
    TEST (NameTemplateEditor, ShowsATemplateAsLabelledPiecesAndGivesItBack)
    {
        EditorFixture f;
        f.editor.setTemplate ("{project}_{cue}_{stemIndex}_{stemName}");
        EXPECT_EQ (f.labels(), juce::StringArray ({ "PubCode", "Cue", "Stem index", "Stem name" }));
        EXPECT_EQ (f.editor.getSeparator(), "_");
        EXPECT_EQ (f.editor.getTemplate(), "{project}_{cue}_{stemIndex}_{stemName}");
        EXPECT_EQ (f.changes, 0);

        f.editor.setTemplate ("{cue}{stemName}");
        EXPECT_EQ (f.editor.getSeparator(), "");
        EXPECT_EQ (f.editor.getTemplate(), "{cue}{stemName}");

        f.editor.setSeparator (" - ");
        f.editor.setTemplate ("{cue} - Stem {stemCode}");
        EXPECT_EQ (f.labels(), juce::StringArray ({ "Cue", "\"Stem\"", "Stem code" }));
        EXPECT_EQ (f.editor.getTemplate(), "{cue} - Stem - {stemCode}");

        const std::pair<const char*, const char*> labels[] = {
            { "{project}", "PubCode" }, { "{publisher}", "Publisher" }, { "{sampleRate}", "Sample rate" },
            { "{bitDepth}", "Bit depth" }, { "{stemIndex}", "Stem index" }, { "{format}", "Format" },
        };

        for (const auto& [token, label] : labels)
            EXPECT_EQ (NameTemplateEditor::tokenLabel (token), label);

        EXPECT_EQ (f.editor.getPalette().chips.size(), 12);   // eleven tokens and "Text..."
        EXPECT_EQ (f.editor.getPalette().chips.getLast()->shownText(), "Text...");
    }

    TEST (NameTemplateEditor, ChipsDescribeTheirDragsAndDropsMoveOrAdd)
    {
        EditorFixture f;
        f.editor.setTemplate ("{project}_{cue}_{stemName}");
        auto& sequence = f.editor.getSequence();
        auto* first = sequence.chips[0];

        EXPECT_EQ (NameTemplateEditor::dragDescription (0, 0, true, "{project}"), "korvid.namechip:move:0:t:{project}");
        EXPECT_EQ (NameTemplateEditor::dragDescription (1, -1, true, "{cue}"), "korvid.namechip:add:-1:t:{cue}");
        EXPECT_EQ (NameTemplateEditor::dragDescription (3, -1, false, {}), "korvid.namechip:add:-1:x:");

        // The first piece of three dropped past the last: one change, the others in order.
        const auto end = sequence.chips.getLast()->getBounds().getBottomRight() + juce::Point<int> (20, -2);
        sequence.itemDropped (SourceDetails (NameTemplateEditor::dragDescription (0, 0, true, "{project}"), first, end));
        EXPECT_EQ (f.editor.getTemplate(), "{cue}_{stemName}_{project}");
        EXPECT_EQ (f.changes, 1);

        // A piece of another editor is refused; a palette chip of any editor is taken.
        EditorFixture other;
        other.editor.setTemplate ("{cue}");
        auto* foreignPiece = other.editor.getSequence().chips[0];
        auto* foreignToken = other.editor.getPalette().chips[3];
        EXPECT_FALSE (sequence.isInterestedInDragSource (SourceDetails ("korvid.namechip:move:0:t:{cue}", foreignPiece, {})));
        EXPECT_FALSE (sequence.isInterestedInDragSource (SourceDetails ("something else", foreignToken, {})));
        EXPECT_TRUE (sequence.isInterestedInDragSource (SourceDetails ("korvid.namechip:add:-1:t:{composer}", foreignToken, {})));
        EXPECT_TRUE (sequence.isInterestedInDragSource (SourceDetails ("korvid.namechip:move:1:t:{stemName}", sequence.chips[1], {})));

        sequence.itemDropped (SourceDetails ("korvid.namechip:add:-1:t:{composer}", foreignToken, { 0, 0 }));
        EXPECT_EQ (f.editor.getTemplate(), "{composer}_{cue}_{stemName}_{project}");

        // A word keeps a ":" of its own; a move of a piece that is gone does nothing.
        f.editor.handleDrop ("korvid.namechip:add:-1:x:a:b", 99);
        EXPECT_EQ (f.editor.getPieces().back().text, "a:b");
        const auto before = f.changes;
        f.editor.handleDrop ("korvid.namechip:move:17:t:{cue}", 0);
        EXPECT_EQ (f.changes, before);

        // The word adder's drop opens a new word for typing.
        f.editor.handleDrop ("korvid.namechip:add:-1:x:", 1);
        EXPECT_EQ (f.editor.getEditingPiece(), 1);
        EXPECT_TRUE (f.editor.getWordEditor().isVisible());
    }

    TEST (NameTemplateEditor, CommittedWordsLoseBracesAndSeparatorsAtTheirEnds)
    {
        struct Case
        {
            const char* typed;
            const char* stored;   // empty: the piece goes
        };

        const Case cases[] = {
            { "-Remix-", "Remix" }, { " _v2. ", "v2" }, { "a{b", "ab" }, { "{cue}", "cue" }, { "{-x-}", "x" },
            { "- _", "" }, { "{}", "" },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.typed);
            EditorFixture f;
            f.editor.setTemplate ("{cue}");
            f.editor.insertWordAndEdit (-1);
            EXPECT_EQ (f.changes, 0);   // an empty piece does not change the template
            f.type (c.typed);

            if (juce::String (c.stored).isEmpty())
            {
                EXPECT_EQ (f.editor.getTemplate(), "{cue}");
                EXPECT_TRUE (f.added.isEmpty());
            }
            else
            {
                EXPECT_EQ (f.editor.getTemplate(), juce::String ("{cue}_") + c.stored);
                EXPECT_FALSE (f.editor.getPieces().back().isToken);
                EXPECT_EQ (f.added, juce::StringArray (c.stored));
                EXPECT_EQ (f.changes, 1);
            }
        }

        // A word already among the own words (in any case) is not offered again.
        EditorFixture f;
        f.editor.setVocabulary ({ "REMIX" });
        f.editor.insertWordAndEdit (0);
        f.type ("remix");
        EXPECT_TRUE (f.added.isEmpty());
    }

    TEST (NameTemplateEditor, ClicksAndEscapeEditThePieces)
    {
        EditorFixture f;
        f.editor.setTemplate ("{cue}_Alt");
        f.editor.setVocabulary ({ "Stingers" });
        auto& palette = f.editor.getPalette();
        ASSERT_EQ (palette.chips.size(), 13);

        palette.chips[6]->click ({ 5, 5 });                               // the {stemName} token
        EXPECT_EQ (f.editor.getTemplate(), "{cue}_Alt_{stemName}");
        palette.chips[11]->click ({ 5, 5 });                              // the own word
        EXPECT_EQ (f.editor.getTemplate(), "{cue}_Alt_{stemName}_Stingers");
        EXPECT_EQ (f.changes, 2);

        // Retyping a word and pressing Escape removes it.
        f.editor.getSequence().chips[1]->click ({ 5, 5 });
        EXPECT_EQ (f.editor.getEditingPiece(), 1);
        f.type ("Whatever", false);
        EXPECT_EQ (f.editor.getTemplate(), "{cue}_{stemName}_Stingers");
        EXPECT_EQ (f.changes, 3);

        // The cross of a piece removes it; a token chip has nothing to retype.
        auto* last = f.editor.getSequence().chips.getLast();
        last->click ({ last->getWidth() - 5, 5 });
        EXPECT_EQ (f.editor.getTemplate(), "{cue}_{stemName}");
        f.editor.getSequence().chips[0]->click ({ 5, 5 });
        EXPECT_EQ (f.editor.getEditingPiece(), -1);

        // "Text..." opens a new word; Escape takes it away without a change.
        palette.chips.getLast()->click ({ 5, 5 });
        EXPECT_EQ (f.editor.getEditingPiece(), 2);
        const auto before = f.changes;
        f.type ("", false);
        EXPECT_EQ (f.editor.getPieces().size(), 2u);
        EXPECT_EQ (f.changes, before);
    }

    TEST (NameTemplateEditor, ForgettingAnOwnWordAsksFirst)
    {
        EditorFixture f;
        f.editor.setVocabulary ({ "Stingers" });
        auto* word = f.editor.getPalette().chips[11];
        ASSERT_EQ (word->text, "Stingers");

        f.dialogs.confirmations = { false, true };
        word->click ({ word->getWidth() - 5, 5 });
        ASSERT_EQ (f.dialogs.asked.size(), 1u);
        const auto& question = f.dialogs.asked[0];
        EXPECT_EQ (question.icon, juce::MessageBoxIconType::QuestionIcon);
        EXPECT_EQ (question.title, "Forget this word?");
        EXPECT_EQ (question.message, "\"Stingers\" will no longer be offered when you build a file name.\n\n"
                                     "Names that already use it are not affected.");
        EXPECT_TRUE (f.forgotten.isEmpty());

        f.editor.confirmRemoveFromVocabulary ("Stingers");
        EXPECT_EQ (f.forgotten, juce::StringArray ("Stingers"));
        EXPECT_EQ (f.editor.getVocabulary(), juce::StringArray ("Stingers"));   // the owner decides

        // The editor gone before the answer: nothing is called.
        testing::ScriptedDialogs late;
        late.answerAtOnce = false;
        late.confirmations = { true };
        int calls = 0;
        {
            NameTemplateEditor gone;
            gone.setDialogs (&late);
            gone.onWordForgotten = [&calls] (juce::String) { ++calls; };
            gone.confirmRemoveFromVocabulary ("x");
        }
        late.answerPending();
        EXPECT_EQ (calls, 0);
    }

    TEST (NameTemplateEditor, PreferredHeightCountsTheRowsOfBothFlows)
    {
        NameTemplateEditor editor;
        editor.setPaletteVisible (false);
        EXPECT_EQ (editor.getPreferredHeight (600), 73);
        EXPECT_EQ (editor.getPreferredHeight (50), editor.getPreferredHeight (200));

        editor.setPaletteVisible (true);
        const int paletteRows = editor.getPalette().rowCount (600);
        EXPECT_EQ (editor.getPreferredHeight (600), (paletteRows + 1) * 33 + 56);
        EXPECT_GT (editor.getPalette().rowCount (200), paletteRows);

        // Laid out at that height, everything fits.
        editor.setSize (600, editor.getPreferredHeight (600));
        EXPECT_LE (editor.getSequence().getBottom(), editor.getHeight());
        EXPECT_EQ (editor.getSequence().getHeight(), 33 + 8);
    }
}
}
