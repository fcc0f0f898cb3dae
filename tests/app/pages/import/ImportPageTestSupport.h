#pragma once

#include "app/PageTestSupport.h"
#include "app/pages/import/ImportPage.h"
#include "core/model/BuiltInPresets.h"

#include <initializer_list>

namespace korvid::ui::importtest
{
    using pagetest::Question;

    /** The real Import page; see PageTest. */
    class ImportPageTest : public pagetest::PageTest<ImportPage>
    {
    protected:
        /** Writes takes of these names into the folder and imports it through the page. */
        juce::StringArray importTakes (const juce::String& folderName, std::initializer_list<const char*> names,
                                       double seconds = 1.0)
        {
            const auto dir = folder (folderName);

            for (const auto* name : names)
                writeTake (dir.getChildFile (name), seconds);

            importPaths ({ dir });
            return idsOf (dir, names);
        }

        /** Imports through the page and waits until the tracks came in. */
        void importPaths (const juce::Array<juce::File>& paths)
        {
            page->importPaths (paths);
            waitForImports();
        }

        /** Runs the message loop until every import the page was asked for has come in. */
        void waitForImports()
        {
            ASSERT_TRUE (pumpUntil ([this] { return ! page->isImporting(); }));
        }

        /** The listed file names, in row order. */
        juce::StringArray listedNames() const
        {
            juce::StringArray names;

            for (const auto& id : page->getRows())
                if (const auto* found = track (id))
                    names.add (found->file.getFileName());

            return names;
        }

        /** Makes a preset of stems with these names current (each matched by "zz" + name). */
        void useStems (std::initializer_list<const char*> names)
        {
            auto preset = makeEmptyPreset();

            for (const auto* name : names)
                preset.schema.addStem (Stem (name, {}, 0xff336699, false, 0, { KeywordRule (juce::String ("zz") + name) }));

            state->session.setPreset (preset);
        }

        /** Runs the message loop until the split job's outcome has been applied. */
        bool waitForSplit()
        {
            return pumpUntil ([this] { return ! page->isSplitting(); });
        }

        bool waitForSpectrogram()
        {
            return pumpUntil ([this] { return ! page->getSpectrogramView().isAnalysing(); });
        }
    };
}
