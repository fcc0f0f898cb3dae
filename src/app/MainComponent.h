#pragma once

#include "app/AppState.h"
#include "app/CompanyMark.h"
#include "app/TitleBanner.h"
#include "app/pages/export/ExportPage.h"
#include "app/pages/import/ImportPage.h"
#include "app/pages/preset/PresetPage.h"
#include "app/pages/report/ReportPage.h"
#include "app/pages/review/ReviewPage.h"
#include "ui/Page.h"
#include "ui/StepBar.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>

namespace korvid::ui
{
    /** The content of the main window: the application state, the five workflow pages and
        the frame around them (header with logo, preset line and "Menu" button, the step bar,
        and a footer with the status line and the company mark). */
    class MainComponent : public juce::Component,
                          public juce::ChangeListener,
                          public juce::Timer
    {
    public:
        MainComponent();

        /** The same, with the preview engine's output and the dialogs chosen by the caller. */
        MainComponent (PreviewEngine::OutputMode outputMode, std::unique_ptr<Dialogs> dialogs);

        /** Stops the timer and destroys the pages (Report first, Import last) before the
            application state, which saves the settings. */
        ~MainComponent() override;

        static constexpr int defaultWidth = 1360;
        static constexpr int defaultHeight = 860;
        static constexpr int headerHeight = 44;
        static constexpr int stepBarHeight = 60;
        static constexpr int footerHeight = 44;
        static constexpr int edgeInset = 12;
        static constexpr int menuButtonWidth = 86;
        static constexpr int menuButtonHeight = 30;

        // Menu result ids; recent projects are recentProjectBaseId + their position.
        enum MenuId : int
        {
            settingsId = 1,
            manualId = 2,
            openProjectId = 4,
            saveProjectId = 5,
            saveProjectAsId = 6,
            clearRecentId = 7,
            resetExportLayoutId = 8,
            recentProjectBaseId = 100
        };

        /** Shows the page and marks its step; also the step bar's choice. */
        void showPage (Page page);

        /** The preset line, the status line and which steps can be entered. */
        void refreshStatus();

        /** Opens the menu under the "Menu" button. */
        void showMenu();

        /** The menu as showMenu builds it, for the recent projects given. */
        juce::PopupMenu createMenu (const juce::Array<juce::File>& recentProjects);

        /** Carries out a menu result; `recentProjects` is the list the menu was built from. */
        void menuItemChosen (int result, const juce::Array<juce::File>& recentProjects);

        void openProject();
        /** Opens the project on the session's worker; the Import page shows it once it is in. */
        void loadProjectFile (const juce::File& file);
        void saveProject (bool saveAs);

        /** The window's close path: asks first while a render runs, then saves the
            settings and calls `onClosed`. */
        void requestClose (std::function<void()> onClosed);

        void showSettingsDialog();
        void openManual();

        AppState& getAppState() noexcept                   { return appState; }
        Page getCurrentPage() const noexcept               { return currentPage; }
        juce::Component* getCurrentPageComponent() const noexcept { return currentPageComponent; }
        StepBar& getStepBar() noexcept                     { return stepBar; }
        const juce::Label& getTitleLabel() const noexcept  { return titleLabel; }
        const juce::Label& getStatusLabel() const noexcept { return statusLabel; }
        juce::TextButton& getMenuButton() noexcept         { return menuButton; }
        TitleBanner& getTitleBanner() noexcept             { return titleBanner; }
        CompanyMark& getCompanyMark() noexcept             { return companyMark; }
        ImportPage* getImportPage() const noexcept         { return importPage.get(); }
        PresetPage* getPresetPage() const noexcept         { return presetPage.get(); }
        ReviewPage* getReviewPage() const noexcept         { return reviewPage.get(); }
        ExportPage* getExportPage() const noexcept         { return exportPage.get(); }
        ReportPage* getReportPage() const noexcept         { return reportPage.get(); }

        void paint (juce::Graphics& g) override;
        void resized() override;
        bool keyPressed (const juce::KeyPress& key) override;
        /** A control with the focus that was disabled or hidden leaves nothing focused: the
            current page takes the focus, so its keys and the window's keep working. */
        void focusOfChildComponentChanged (FocusChangeType cause) override;
        void changeListenerCallback (juce::ChangeBroadcaster* source) override;
        void timerCallback() override;

    private:
        juce::Component* pageComponent (Page page) const;
        void runPlayAction();
        void saveProjectTo (const juce::File& file);
        void showFailure (const juce::String& title, const juce::String& message);

        // Declaration order is construction order; the destructor relies on it.
        AppState appState;
        juce::TooltipWindow tooltipWindow;
        StepBar stepBar;
        std::unique_ptr<ImportPage> importPage;
        std::unique_ptr<PresetPage> presetPage;
        std::unique_ptr<ReviewPage> reviewPage;
        std::unique_ptr<ExportPage> exportPage;
        std::unique_ptr<ReportPage> reportPage;
        juce::Component* currentPageComponent = nullptr;
        Page currentPage = Page::importPage;
        TitleBanner titleBanner;
        CompanyMark companyMark;
        juce::Label statusLabel;
        juce::Label titleLabel;
        juce::TextButton menuButton;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComponent)
    };
}
