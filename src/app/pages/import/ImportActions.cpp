#include "app/pages/import/ImportPage.h"

#include "app/AppState.h"
#include "core/audio/AudioFormats.h"
#include "ui/LayoutHelpers.h"
#include "ui/ScopedDialogOwner.h"

#include <optional>

// Bringing tracks in (drops, choosers, recent folders) and taking them out of the list.
namespace korvid::ui
{
    namespace
    {
        juce::File musicFolder()
        {
            return juce::File::getSpecialLocation (juce::File::userMusicDirectory);
        }

        juce::String recentFolderText (const juce::File& folder)
        {
            const auto parentName = folder.getParentDirectory().getFileName();
            return parentName.isEmpty() || folder.getParentDirectory() == folder
                       ? folder.getFileName()
                       : parentName + " / " + folder.getFileName();
        }

        struct ImportReport
        {
            juce::MessageBoxIconType icon = juce::MessageBoxIconType::NoIcon;
            juce::String title, message;
        };

        /** The one box an import shows, or nothing when all went well. */
        std::optional<ImportReport> describeImport (const ImportResult& result)
        {
            const bool problems = ! result.problems.isEmpty();
            const int splitCount = result.alreadySplit.size();

            if (! problems && splitCount == 0)
            {
                if (result.imported + result.unreadable + result.alreadyInList == 0)
                    return ImportReport { juce::MessageBoxIconType::InfoIcon, "Nothing was imported",
                                          "No WAV, AIFF or FLAC files were found there." };

                return std::nullopt;
            }

            ImportReport report;

            if (problems)
                report.message << result.summaryText() << "\n\n" << result.problems.joinIntoString ("\n");

            if (splitCount > 0)
            {
                if (report.message.isNotEmpty())
                    report.message << "\n\n";

                report.message << (splitCount == 1
                                       ? "This file has already been split. Its two halves were imported instead:"
                                       : "These files have already been split. Their halves were imported instead:")
                               << "\n\n" << result.alreadySplit.joinIntoString ("\n");
            }

            if (problems)
            {
                report.icon = juce::MessageBoxIconType::WarningIcon;
                report.title = "Some files could not be imported";
            }
            else
            {
                report.icon = juce::MessageBoxIconType::InfoIcon;
                report.title = splitCount == 1 ? "One split file was not imported" : "Split files were not imported";
            }

            return report;
        }
    }

    void ImportPage::importPaths (const juce::Array<juce::File>& paths)
    {
        if (paths.isEmpty())
            return;

        // The import would be made for the list the project is replacing.
        if (const auto refusal = appState.whyListMustWait ("Files cannot be added"); refusal.isNotEmpty())
            return showWarning ("Nothing was imported", refusal);

        juce::StringArray pathTexts;

        for (const auto& path : paths)
            pathTexts.add (path.getFullPathName());

        ++importsInFlight;
        importJobs.removeIf ([this] (int job) { return ! appState.sessionJobs.isRunning (job); });

        // The page keeps answering while the disk is read; the cursor says work is going on.
        juce::Component::SafePointer<ImportPage> safeThis (this);
        auto request = appState.session.makeImportRequest (pathTexts, recurseToggle.getToggleState());
        importJobs.add (appState.sessionJobs.start ("Waiting for the import to finish.",
                                                    [safeThis, paths, request = std::move (request)] (const CancelTest& shouldStop) mutable
                                                        -> SessionJobs::Answer
        {
            auto prepared = std::make_shared<PreparedImport> (prepareImport (std::move (request), shouldStop));

            return { [safeThis, paths, prepared]
            {
                if (auto* page = safeThis.getComponent())
                    page->finishImport (paths, *prepared);
            } };
        }, true));
    }

    void ImportPage::finishImport (const juce::Array<juce::File>& paths, const PreparedImport& prepared)
    {
        --importsInFlight;

        // "Clear list" or another project since it was asked for: the tracks would land in
        // a list the user has already moved on from.
        if (prepared.cancelled || prepared.request.listGeneration != appState.session.getListGeneration())
            return;

        const auto result = appState.session.finishImport (prepared);

        appState.addRecentImportFolders (paths);

        if (const auto report = describeImport (result))
        {
            const ScopedDialogOwner owner (*appState.dialogs, this);
            appState.dialogs->showMessage (report->icon, report->title, report->message);
        }

        appState.sendChangeMessage();
    }

    void ImportPage::chooseFiles()
    {
        FileRequest request;
        request.title = "Add audio files";
        request.start = musicFolder();
        request.pattern = audioFileWildcard();

        juce::Component::SafePointer<ImportPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->chooseFiles (request, [safeThis] (juce::Array<juce::File> files)
        {
            if (safeThis != nullptr && ! files.isEmpty())
                safeThis->importPaths (files);
        });
    }

    void ImportPage::chooseFolder()
    {
        FileRequest request;
        request.chooseFolder = true;
        request.title = "Add a folder of audio files";
        request.start = musicFolder();

        juce::Component::SafePointer<ImportPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->chooseFile (request, [safeThis] (juce::File folder)
        {
            if (safeThis != nullptr && folder != juce::File())
                safeThis->importPaths ({ folder });
        });
    }

    juce::PopupMenu ImportPage::createAddFolderMenu (const juce::Array<juce::File>& recentFolders) const
    {
        juce::PopupMenu menu;
        menu.setLookAndFeel (&getLookAndFeel());
        menu.addItem (chooseFolderId, "Add folder...");
        menu.addSeparator();
        menu.addSectionHeader ("Recent");

        for (int i = 0; i < recentFolders.size(); ++i)
            menu.addItem (firstRecentFolderId + i, recentFolderText (recentFolders[i]), recentFolders[i].isDirectory());

        return menu;
    }

    void ImportPage::addFolderMenuItemChosen (int result, const juce::Array<juce::File>& recentFolders)
    {
        if (result == chooseFolderId)
            chooseFolder();
        else if (juce::isPositiveAndBelow (result - firstRecentFolderId, recentFolders.size()))
            importPaths ({ recentFolders[result - firstRecentFolderId] });
    }

    void ImportPage::showAddFolderMenu()
    {
        const auto recentFolders = appState.getRecentImportFolders();

        if (recentFolders.isEmpty())
        {
            chooseFolder();
            return;
        }

        juce::Component::SafePointer<ImportPage> safeThis (this);
        createAddFolderMenu (recentFolders)
            .showMenuAsync (popupMenuOptions (*this).withTargetComponent (&addFolderButton),
                            [safeThis, recentFolders] (int result)
                            {
                                if (safeThis != nullptr)
                                    safeThis->addFolderMenuItemChosen (result, recentFolders);
                            });
    }

    void ImportPage::removeSelectedTracks()
    {
        const auto ids = getSelectedTrackIds();

        if (ids.isEmpty())
            return;

        if (const auto refusal = appState.whyListMustWait ("Tracks cannot be removed"); refusal.isNotEmpty())
            return showWarning ("The tracks were not removed", refusal);

        appState.session.removeTracks (ids);
    }

    void ImportPage::askToClearList()
    {
        if (appState.session.getTracks().empty())
            return;

        if (const auto refusal = appState.whyListMustWait ("The list cannot be cleared"); refusal.isNotEmpty())
            return showWarning ("The list was not cleared", refusal);

        juce::Component::SafePointer<ImportPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->confirm (juce::MessageBoxIconType::QuestionIcon, "Clear the track list?",
                                   "This removes every track from the list. The files on disk are not affected.",
                                   "OK", "Cancel", [safeThis] (bool confirmed)
        {
            if (safeThis == nullptr || ! confirmed)
                return;

            // A project may have begun to open while the question was asked.
            if (const auto refusal = safeThis->appState.whyListMustWait ("The list cannot be cleared"); refusal.isNotEmpty())
                return safeThis->showWarning ("The list was not cleared", refusal);

            safeThis->appState.preview.stop();
            safeThis->withdrawSplit();
            safeThis->appState.session.clear();
            safeThis->showTrack ({}, {});
        });
    }

    //==============================================================================
    bool ImportPage::isInterestedInFileDrag (const juce::StringArray&)
    {
        return true;
    }

    void ImportPage::fileDragEnter (const juce::StringArray&, int, int)
    {
        dragHighlight = true;
        repaint();
    }

    void ImportPage::fileDragExit (const juce::StringArray&)
    {
        dragHighlight = false;
        repaint();
    }

    void ImportPage::filesDropped (const juce::StringArray& files, int, int)
    {
        dragHighlight = false;
        repaint();

        juce::Array<juce::File> paths;

        for (const auto& file : files)
            paths.add (juce::File (file));

        importPaths (paths);
    }
}
