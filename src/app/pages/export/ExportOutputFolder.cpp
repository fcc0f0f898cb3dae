#include "app/pages/export/ExportPage.h"

#include "app/AppState.h"
#include "app/pages/export/ExportContent.h"
#include "app/pages/export/ExportFormatRow.h"
#include "app/pages/export/ExportRenderBar.h"
#include "core/model/PathGuards.h"
#include "ui/ScopedDialogOwner.h"

namespace korvid::ui
{
    void ExportPage::chooseOutputFolder()
    {
        FileRequest request;
        request.chooseFolder = true;
        request.title = "Choose the export folder";
        request.start = appState.outputFolder != juce::File()
                            ? appState.outputFolder
                            : juce::File::getSpecialLocation (juce::File::userMusicDirectory);

        juce::Component::SafePointer<ExportPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);

        appState.dialogs->chooseFile (request, [safeThis] (juce::File chosen)
        {
            if (auto* page = safeThis.getComponent(); page != nullptr && chosen != juce::File())
                page->useChosenOutputFolder (chosen);
        });
    }

    void ExportPage::useChosenOutputFolder (const juce::File& folder)
    {
        juce::String error;

        if (! checkOutputFolder (folder, error))
        {
            showWarning ("That folder cannot be used", error);
            return;
        }

        appState.setOutputFolder (folder);
        refreshFolderLine();
        refreshIssueList();
    }

    void ExportPage::refreshFolderLine()
    {
        auto& line = renderBar->folderLabel;
        const bool chosen = appState.outputFolder != juce::File();
        const auto path = appState.outputFolder.getFullPathName();

        line.setText (chosen ? path : juce::String ("No folder chosen yet"), juce::dontSendNotification);
        line.setTooltip (chosen ? path : juce::String ("Where the delivery is written."));

        // Nothing to show before there is a folder.
        renderBar->openFolderButton.setEnabled (appState.outputFolder.isDirectory());
    }

    void ExportPage::rebuildFormatRows()
    {
        auto& body = *content;

        if (body.formatRows.isEmpty())
        {
            for (int i = 0; i < 2; ++i)
                body.addFormatRow (std::make_unique<FormatRow> (i, [this] { commitSettings(); },
                                                                [this] { return appState.outputFolder; },
                                                                *appState.dialogs));
        }

        const auto& settings = appState.session.getPreset().exportSettings;

        for (auto* row : body.formatRows)
        {
            OutputFormat format;

            if (row->index < (int) settings.formats.size())
                format = settings.formats[(size_t) row->index];
            else
                format.enabled = false;

            row->showFormat (format, settings.masterSampleRate);
        }

        resized();
        refreshNamingPreview();
        refreshIssueList();
    }
}
