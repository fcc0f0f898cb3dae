#include "app/pages/report/ReportSharing.h"

#include "app/AppState.h"
#include "app/pages/report/ReportPage.h"
#include "core/platform/PrivateFolders.h"
#include "core/platform/SafeFileWriter.h"
#include "ui/DesktopOpener.h"
#include "ui/Dialogs.h"
#include "ui/ScopedDialogOwner.h"

// Saving and sharing the last report: text, web page, browser, clipboard, output folder.
namespace korvid::ui
{
    juce::File browserReportFile (const BatchReport& report)
    {
        return privateBaseFolder (AppState::applicationName).getChildFile ("Velvane report").getChildFile (reportFileName (report));
    }

    juce::File reportSaveFolder (const juce::File& outputFolder)
    {
        if (outputFolder != juce::File() && outputFolder.isDirectory())
            return outputFolder;

        return juce::File::getSpecialLocation (juce::File::userDocumentsDirectory);
    }

    HtmlReportOptions reportPageOptions()
    {
        HtmlReportOptions options;
        options.includeWaveforms = true;
        options.includePlainTextLog = true;
        options.title = {};
        return options;
    }

    bool writeReportText (const juce::File& target, const juce::String& text, juce::String& error)
    {
        if (writeFileSafely (target, text, error, LineEnds::carriageReturnLineFeed))
            return true;

        error = "Could not write to " + target.getFullPathName();
        return false;
    }

    //==============================================================================
    void ReportPage::saveText()
    {
        if (! appState.hasReport)
            return;

        FileRequest request;
        request.saving = true;
        request.title = "Save the render report";
        request.start = reportSaveFolder (appState.outputFolder).getChildFile (juce::String (AppState::applicationName) + " report.txt");
        request.pattern = "*.txt";

        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->chooseFile (request, [safeThis = juce::Component::SafePointer<ReportPage> (this)] (juce::File file)
        {
            if (safeThis == nullptr || file == juce::File() || ! safeThis->appState.hasReport)
                return;

            juce::String error;

            if (! writeReportText (file, safeThis->appState.lastReport.toText(), error))
                safeThis->showWarning ("The report was not saved", error);
        });
    }

    void ReportPage::saveHtml()
    {
        if (! appState.hasReport)
            return;

        FileRequest request;
        request.saving = true;
        request.title = "Save the report as a web page";
        request.start = reportSaveFolder (appState.outputFolder).getChildFile (reportFileName (appState.lastReport));
        request.pattern = "*.html";

        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->chooseFile (request, [safeThis = juce::Component::SafePointer<ReportPage> (this)] (juce::File file)
        {
            if (safeThis == nullptr || file == juce::File() || ! safeThis->appState.hasReport)
                return;

            juce::String error;

            if (! writeHtmlReport (safeThis->appState.lastReport, file, error, reportPageOptions()))
                safeThis->showWarning ("The report was not saved", error);
        });
    }

    namespace
    {
        const char* const notOpenedTitle = "The report could not be opened";

        juce::String browserNotLaunchedText (const juce::File& page)
        {
            return "The page was written but the browser could not be launched.\n" + page.getFullPathName();
        }
    }

    void ReportPage::openInBrowser()
    {
        if (! appState.hasReport)
            return;

        if (browserPage.existsAsFile())
            browserPage.deleteFile();

        browserPage = browserReportFile (appState.lastReport);
        juce::String error;

        // Only this user may reach the folder: nobody else can put a page of their own there.
        if (preparePrivateFolder (browserPage.getParentDirectory(), error)
            && writeHtmlReport (appState.lastReport, browserPage, error, reportPageOptions()))
        {
            // An opener that starts can still fail (no browser for web pages): it says so
            // when it ends, and the page tells the user then.
            const auto openerFailed = [safeThis = juce::Component::SafePointer<ReportPage> (this), page = browserPage]
            {
                if (safeThis != nullptr)
                    safeThis->showWarning (notOpenedTitle, browserNotLaunchedText (page));
            };

            // The desktop's opener with the path as one argument: no shell reads the name.
            if (openDocumentOrFolder (browserPage, openerFailed))
                return;

            error = browserNotLaunchedText (browserPage);
        }

        showWarning (notOpenedTitle, error);
    }
}
