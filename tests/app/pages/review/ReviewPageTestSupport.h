#pragma once

#include "app/PageTestSupport.h"
#include "app/pages/review/ReviewPage.h"
#include "core/model/BuiltInPresets.h"

#include <initializer_list>

namespace korvid::ui::reviewtest
{
    using pagetest::Question;

    /** The real Review page; see PageTest. Takes are imported through the session. */
    class ReviewPageTest : public pagetest::PageTest<ReviewPage>
    {
    protected:
        /** 01 Strings (str, violin), 02 Bass (bass), 03 Drums (drum at priority 1),
            04 Brass (brass, horn). So "str_long" is confident Strings, "drum_bass" Drums to
            review, "horn_str" ambiguous and "noise" unassigned. */
        void useSchema()
        {
            auto preset = makeEmptyPreset();
            preset.schema.addStem (Stem ("Strings", "STR", 0xff3366cc, false, 0, { KeywordRule ("str"), KeywordRule ("violin") }));
            preset.schema.addStem (Stem ("Bass", "BAS", 0xff33cc66, false, 0, { KeywordRule ("bass") }));
            preset.schema.addStem (Stem ("Drums", "DRM", 0xffcc6633, false, 0, { KeywordRule ("drum", 1) }));
            preset.schema.addStem (Stem ("Brass", "BRS", 0xffcccc33, false, 0, { KeywordRule ("brass"), KeywordRule ("horn") }));
            state->session.setPreset (preset);
        }

        juce::String stemId (const juce::String& name) const
        {
            for (const auto& stem : state->session.getPreset().schema.stems)
                if (stem.displayName == name)
                    return stem.id;

            return {};
        }

        /** Writes takes of these names into the folder, imports the folder and gives their
            track ids in the order named. A name ending in ".txt.wav" becomes a text file. */
        juce::StringArray importTakes (const juce::File& dir, std::initializer_list<const char*> names,
                                       double seconds = 1.0)
        {
            dir.createDirectory();

            for (const auto* name : names)
            {
                const auto file = dir.getChildFile (name);

                if (file.getFileName().endsWith (".txt.wav"))
                    file.replaceWithText ("not audio");
                else
                    writeTake (file, seconds);
            }

            state->session.importFiles ({ dir.getFullPathName() }, false);
            return idsOf (dir, names);
        }

        juce::StringArray importTakes (const juce::String& folderName, std::initializer_list<const char*> names,
                                       double seconds = 1.0)
        {
            return importTakes (folder (folderName), names, seconds);
        }

        juce::String cueIdOf (const juce::String& trackId) const
        {
            const auto* found = track (trackId);
            return found != nullptr ? found->cueId : juce::String();
        }

        juce::String nameOf (const juce::String& trackId) const
        {
            const auto* found = track (trackId);
            return found != nullptr ? found->file.getFileName() : juce::String ("?");
        }

        /** The file names of a group's rows, in row order. */
        juce::StringArray rowNames (const juce::String& groupStemId) const
        {
            juce::StringArray names;

            if (auto* group = page->findGroup (groupStemId))
                for (int i = 0; i < group->getNumSubItems(); ++i)
                    if (auto* row = dynamic_cast<ReviewPage::TrackNode*> (group->getSubItem (i)))
                        names.add (nameOf (row->trackId));

            return names;
        }

        /** The file names of every shown row, in tree order. */
        juce::StringArray shownNames() const
        {
            juce::StringArray names;
            auto& treeRoot = page->getRoot();

            for (int g = 0; g < treeRoot.getNumSubItems(); ++g)
                for (int r = 0; r < treeRoot.getSubItem (g)->getNumSubItems(); ++r)
                    if (auto* row = dynamic_cast<ReviewPage::TrackNode*> (treeRoot.getSubItem (g)->getSubItem (r)))
                        names.add (nameOf (row->trackId));

            return names;
        }

        /** The group headings, in tree order. */
        juce::StringArray headings() const
        {
            juce::StringArray texts;
            auto& treeRoot = page->getRoot();

            for (int g = 0; g < treeRoot.getNumSubItems(); ++g)
                if (auto* group = dynamic_cast<ReviewPage::StemNode*> (treeRoot.getSubItem (g)))
                    texts.add (group->headingText() + " | " + group->countText());

            return texts;
        }

        juce::StringArray selectedNames() const
        {
            juce::StringArray names;

            for (const auto& id : page->selectedTrackIds())
                names.add (nameOf (id));

            return names;
        }

        juce::StringArray comboTexts (juce::ComboBox& box) const
        {
            juce::StringArray texts;

            for (int i = 0; i < box.getNumItems(); ++i)
                texts.add (box.getItemText (i));

            return texts;
        }

        /** The timer's tick, as it would come within 100 ms. */
        void tick()   { page->tick(); }
    };
}
