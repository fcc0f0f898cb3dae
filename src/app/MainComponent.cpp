#include "app/MainComponent.h"

#include "app/ManualLookup.h"
#include "app/SettingsDialog.h"
#include "core/model/OutputNaming.h"
#include "core/model/Types.h"
#include "ui/DesktopOpener.h"
#include "ui/FocusReturn.h"
#include "ui/Fonts.h"
#include "ui/LabelTones.h"
#include "ui/LayoutHelpers.h"
#include "ui/Palette.h"
#include "ui/PaletteText.h"
#include "ui/PopupCoverRepaint.h"
#include "ui/UiScale.h"

namespace korvid::ui
{
    namespace
    {
        const juce::String useCustomPaletteKey ("useCustomPalette");
        const juce::String customPaletteKey ("customPalette");
        const juce::String uiScalePercentKey ("uiScalePercent");
        constexpr int defaultScalePercent = 100;
        constexpr int tooltipDelayMs = 600;
        constexpr int statusTimerHz = 4;

        juce::String projectPattern()
        {
            return juce::String ("*") + AppState::projectFileExtension;
        }
    }

    MainComponent::MainComponent()
        : MainComponent (PreviewEngine::OutputMode::defaultDevice, nullptr)
    {
    }

    MainComponent::MainComponent (PreviewEngine::OutputMode outputMode, std::unique_ptr<Dialogs> dialogs)
        : appState (outputMode, std::move (dialogs)),
          tooltipWindow (this, tooltipDelayMs)
    {
        appState.dialogs->setOwner (this);

        companyMark.onOpenFailed = [this] (const juce::URL& address)
        {
            showFailure ("The web site was not opened",
                         "No browser could be started for " + address.toString (true) + ".");
        };

        menuButton.setButtonText ("Menu");
        setWantsKeyboardFocus (true);

        addAllAndMakeVisible (*this, { &titleBanner, &titleLabel, &stepBar, &statusLabel, &companyMark, &menuButton });

        menuButton.onClick = [this] { showMenu(); };
        menuButton.setTooltip ("Open and save projects, reopen a recent one, change the interface size and "
                               "colours in the settings, or read the manual.");

        titleLabel.setJustificationType (juce::Justification::centredRight);
        setLabelTone (titleLabel, 1);
        setLabelTone (statusLabel, 1);
        statusLabel.setFont (smallFont());

        importPage = std::make_unique<ImportPage> (appState);
        presetPage = std::make_unique<PresetPage> (appState);
        reviewPage = std::make_unique<ReviewPage> (appState);
        exportPage = std::make_unique<ExportPage> (appState);
        reportPage = std::make_unique<ReportPage> (appState);

        addAllChildren (*this, { importPage.get(), presetPage.get(), reviewPage.get(), exportPage.get(), reportPage.get() });

        exportPage->onExportFinished = [this] { showPage (Page::reportPage); };
        stepBar.onStep = [this] (Page page) { showPage (page); };

        appState.addChangeListener (this);

        auto& settings = *appState.settings;

        if (settings.getBoolValue (useCustomPaletteKey, false))
            applyPalette (paletteFromText (settings.getValue (customPaletteKey)));

        applyUiScale (settings.getIntValue (uiScalePercentKey, defaultScalePercent));

        showPage (Page::importPage);
        startTimerHz (statusTimerHz);
        setSize (defaultWidth, defaultHeight);
    }

    MainComponent::~MainComponent()
    {
        stopTimer();
        appState.removeChangeListener (this);
        currentPageComponent = nullptr;   // no page takes the focus back while they go
        // The members go in reverse order: header and footer widgets, then the pages from
        // Report to Import (the export page ends a running render), the step bar, and last
        // the application state.
    }

    //==============================================================================
    juce::Component* MainComponent::pageComponent (Page page) const
    {
        switch (page)
        {
            case Page::importPage: return importPage.get();
            case Page::presetPage: return presetPage.get();
            case Page::reviewPage: return reviewPage.get();
            case Page::exportPage: return exportPage.get();
            case Page::reportPage: return reportPage.get();
        }

        return nullptr;
    }

    void MainComponent::showPage (Page page)
    {
        auto* component = pageComponent (page);

        if (component == nullptr)
            return;

        // Hiding a page that holds the focus hands it to this component; the page shown
        // next takes it instead, so that its own keys work too.
        const bool focusWasOnPage = currentPageComponent != nullptr && currentPageComponent->hasKeyboardFocus (true);

        if (currentPageComponent != nullptr && currentPageComponent != component)
            currentPageComponent->setVisible (false);

        currentPageComponent = component;
        currentPage = page;
        component->setVisible (true);
        component->toFront (false);

        stepBar.setCurrentStep (static_cast<int> (page));
        resized();
        refreshStatus();

        if (focusWasOnPage && ! component->hasKeyboardFocus (true))
            giveFocusToPage (*component);
    }

    void MainComponent::refreshStatus()
    {
        const auto& session = appState.session;
        const auto& preset = session.getPreset();
        const auto& delivery = preset.exportSettings;

        juce::String title = preset.name + "   [" + presetKindName (preset.kind) + "]";

        if (appState.isPresetModified())
            title << "  *";

        titleLabel.setText (title, juce::dontSendNotification);

        juce::String status;
        status << (int) session.getTracks().size() << " track(s)   "
               << (int) preset.schema.stems.size() << " stem(s)   "
               << (int) session.unassignedTracks().size() << " unassigned   "
               << juce::String (delivery.masterSampleRate / 1000.0, 1) << " kHz   target "
               << juce::String (delivery.headroom.targetDb, 1) << " dB "
               << (delivery.headroom.peakMode == PeakMode::truePeak ? "true peak" : "sample peak");

        if (appState.outputFolder.getFullPathName().isNotEmpty())
            status << "   ->  " << appState.outputFolder.getFileName();

        statusLabel.setText (status, juce::dontSendNotification);

        const bool hasTracks = ! session.getTracks().empty();
        stepBar.setStepEnabled (static_cast<int> (Page::reviewPage), hasTracks);
        stepBar.setStepEnabled (static_cast<int> (Page::exportPage), hasTracks);
        stepBar.setStepEnabled (static_cast<int> (Page::reportPage), appState.hasReport);
    }

    void MainComponent::changeListenerCallback (juce::ChangeBroadcaster*)
    {
        refreshStatus();
    }

    void MainComponent::timerCallback()
    {
        refreshStatus();
    }

    //==============================================================================
    void MainComponent::paint (juce::Graphics& g)
    {
        g.fillAll (colours::windowBackground);

        const int footer = juce::jmin (footerHeight, getHeight());
        g.setColour (colours::panelBackground);
        g.fillRect (0, getHeight() - footer, getWidth(), footer);

        g.setColour (colours::subtleOutline);
        g.fillRect (0, getHeight() - footerHeight, getWidth(), 1);
    }

    void MainComponent::resized()
    {
        auto area = getLocalBounds();

        auto header = area.removeFromTop (juce::jmin (headerHeight, area.getHeight()));
        auto headerStrip = header.reduced (edgeInset, 0);

        const int bannerHeight = juce::jmax (0, ((header.getHeight() - 6) * 3) / 4 - 9);
        const int bannerWidth = juce::jmin (TitleBanner::wantedWidth (bannerHeight), headerStrip.getWidth() / 2);
        titleBanner.setBounds (headerStrip.removeFromLeft (bannerWidth).withSizeKeepingCentre (bannerWidth, bannerHeight));

        menuButton.setBounds (headerStrip.removeFromRight (menuButtonWidth)
                                  .withSizeKeepingCentre (menuButtonWidth, menuButtonHeight));
        headerStrip.removeFromRight (edgeInset);
        titleLabel.setBounds (headerStrip);

        stepBar.setBounds (area.removeFromTop (stepBarHeight));

        auto footer = area.removeFromBottom (footerHeight);
        auto footerStrip = footer.reduced (edgeInset, 0);

        const int markHeight = juce::jmax (0, footer.getHeight() - 12);
        const int markWidth = juce::jmin (CompanyMark::wantedWidth (markHeight), footerStrip.getWidth() / 4);
        companyMark.setBounds (footerStrip.removeFromRight (markWidth).withSizeKeepingCentre (markWidth, markHeight));

        footerStrip.removeFromRight (edgeInset);
        statusLabel.setBounds (footerStrip);

        setAllBounds ({ importPage.get(), presetPage.get(), reviewPage.get(), exportPage.get(), reportPage.get() }, area);
    }

    //==============================================================================
    bool MainComponent::keyPressed (const juce::KeyPress& key)
    {
        const auto modifiers = key.getModifiers();
        const int code = key.getKeyCode();

        if (code >= '1' && code <= '5' && ! modifiers.isShiftDown() && ! modifiers.isAltDown())
        {
            showPage (static_cast<Page> (code - '1'));
            return true;
        }

        if (modifiers.isCtrlDown() && code < 256 && juce::CharacterFunctions::toLowerCase ((juce::juce_wchar) code) == 'z')
        {
            if (modifiers.isShiftDown())
                appState.session.redo();
            else
                appState.session.undo();

            return true;
        }

        const bool plain = ! modifiers.isShiftDown() && ! modifiers.isCtrlDown() && ! modifiers.isAltDown();

        if (plain && code == juce::KeyPress::spaceKey && pageComponent (currentPage) != nullptr)
        {
            runPlayAction();
            return true;
        }

        if (plain && currentPage == Page::exportPage
            && (code == juce::KeyPress::leftKey || code == juce::KeyPress::rightKey))
            return exportPage != nullptr && exportPage->jumpGatedAudition (code == juce::KeyPress::rightKey);

        return false;
    }

    void MainComponent::focusOfChildComponentChanged (FocusChangeType)
    {
        if (currentPageComponent != nullptr && focusDroppedInside (*this))
            giveFocusToPage (*currentPageComponent);
    }

    void MainComponent::runPlayAction()
    {
        switch (currentPage)
        {
            case Page::importPage: importPage->togglePlay(); break;
            case Page::presetPage: presetPage->toggleAudition(); break;
            case Page::reviewPage: reviewPage->auditionSelection (std::nullopt); break;
            case Page::exportPage: exportPage->toggleAudition(); break;
            case Page::reportPage: reportPage->togglePlay(); break;
        }
    }

    //==============================================================================
    juce::PopupMenu MainComponent::createMenu (const juce::Array<juce::File>& recentProjects)
    {
        juce::PopupMenu recentMenu;

        for (int i = 0; i < recentProjects.size(); ++i)
        {
            const auto& file = recentProjects.getReference (i);
            const auto folderName = file.getParentDirectory().getFileName();
            const auto name = file.getFileNameWithoutExtension();
            recentMenu.addItem (recentProjectBaseId + i, folderName.isEmpty() ? name : folderName + " / " + name,
                                file.existsAsFile());
        }

        if (! recentProjects.isEmpty())
        {
            recentMenu.addSeparator();
            recentMenu.addItem (clearRecentId, "Clear the list");
        }

        juce::PopupMenu menu;
        menu.setLookAndFeel (&getLookAndFeel());
        menu.addItem (openProjectId, "Open project");
        menu.addSubMenu ("Open recent", recentMenu, ! recentProjects.isEmpty());
        // The session is about to be replaced while a project opens.
        const bool canSave = ! appState.isOpeningProject();
        menu.addItem (saveProjectId, "Save project", canSave);
        menu.addItem (saveProjectAsId, "Save project as", canSave && appState.projectFile.getFullPathName().isNotEmpty());
        menu.addSeparator();
        menu.addItem (resetExportLayoutId, "Reset the layout of step 4");
        menu.addItem (settingsId, "Settings");
        menu.addItem (manualId, "Manual");
        return menu;
    }

    void MainComponent::showMenu()
    {
        const auto recent = appState.getRecentProjects();
        auto menu = createMenu (recent);
        juce::Component::SafePointer<MainComponent> safeThis (this);

        menu.showMenuAsync (popupMenuOptions (menuButton).withTargetComponent (&menuButton),
                            [safeThis, recent] (int result)
                            {
                                if (auto* self = safeThis.getComponent())
                                    self->menuItemChosen (result, recent);
                            });
    }

    void MainComponent::menuItemChosen (int result, const juce::Array<juce::File>& recentProjects)
    {
        if (result >= recentProjectBaseId)
        {
            const int position = result - recentProjectBaseId;

            if (position < recentProjects.size())
                loadProjectFile (recentProjects[position]);

            return;
        }

        switch (result)
        {
            case openProjectId:       openProject(); break;
            case saveProjectId:       saveProject (false); break;
            case saveProjectAsId:     saveProject (true); break;
            case clearRecentId:       appState.clearRecentProjects(); break;
            case settingsId:          showSettingsDialog(); break;
            case manualId:            openManual(); break;
            case resetExportLayoutId:
                if (exportPage != nullptr)
                    exportPage->resetBlockLayout();
                break;
            default: break;
        }
    }

    //==============================================================================
    void MainComponent::showFailure (const juce::String& title, const juce::String& message)
    {
        appState.dialogs->showMessage (juce::MessageBoxIconType::WarningIcon, title, message);
    }

    void MainComponent::openProject()
    {
        FileRequest request;
        request.title = "Open a project";
        request.pattern = projectPattern();
        request.start = appState.projectFile.getFullPathName().isNotEmpty()
                            ? appState.projectFile.getParentDirectory()
                            : juce::File::getSpecialLocation (juce::File::userDocumentsDirectory);

        juce::Component::SafePointer<MainComponent> safeThis (this);
        appState.dialogs->chooseFile (request, [safeThis] (juce::File chosen)
        {
            if (auto* self = safeThis.getComponent(); self != nullptr && chosen != juce::File())
                self->loadProjectFile (chosen);
        });
    }

    void MainComponent::loadProjectFile (const juce::File& file)
    {
        juce::Component::SafePointer<MainComponent> safeThis (this);

        appState.openProject (file, [safeThis] (bool ok, const juce::String& error, const ProjectOpenNotes& notes)
        {
            auto* self = safeThis.getComponent();

            if (self == nullptr)
                return;

            if (! ok)
            {
                self->showFailure ("The project was not opened", error);
                return;
            }

            self->refreshStatus();
            self->showPage (Page::importPage);

            if (const auto message = describeProjectOpen (notes))
                self->appState.dialogs->showMessage (message->icon, message->title, message->text);
        });
    }

    void MainComponent::saveProject (bool saveAs)
    {
        const bool hasProjectFile = appState.projectFile.getFullPathName().isNotEmpty();

        if (! saveAs && hasProjectFile)
        {
            saveProjectTo (appState.projectFile);
            return;
        }

        FileRequest request;
        request.saving = true;
        request.title = "Save the project";
        request.pattern = projectPattern();

        if (hasProjectFile)
        {
            request.start = appState.projectFile;
        }
        else
        {
            const auto projectName = appState.session.getPreset().metadata.project.trim();
            const auto fileName = sanitiseFileName (projectName.isEmpty() ? juce::String ("Untitled") : projectName,
                                                    "_", "Untitled", 0);
            request.start = juce::File::getSpecialLocation (juce::File::userDocumentsDirectory)
                                .getChildFile (fileName)
                                .withFileExtension (AppState::projectFileExtension);
        }

        juce::Component::SafePointer<MainComponent> safeThis (this);
        appState.dialogs->chooseFile (request, [safeThis] (juce::File chosen)
        {
            auto* self = safeThis.getComponent();

            if (self == nullptr || chosen == juce::File())
                return;

            // The chooser confirmed the name it showed; a file found only once the
            // extension is added is confirmed here before it is replaced.
            self->appState.confirmProjectTarget (chosen, [safeThis] (const juce::File& target)
            {
                if (auto* owner = safeThis.getComponent())
                    owner->saveProjectTo (target);
            });
        });
    }

    void MainComponent::saveProjectTo (const juce::File& file)
    {
        juce::String error;

        if (! appState.saveProject (file, error))
            showFailure ("The project was not saved", error);
    }

    //==============================================================================
    void MainComponent::requestClose (std::function<void()> onClosed)
    {
        if (exportPage != nullptr && exportPage->isRendering())
        {
            juce::Component::SafePointer<MainComponent> safeThis (this);
            appState.dialogs->confirm (juce::MessageBoxIconType::QuestionIcon, "A render is still running",
                                       "Closing now cancels it. Files already written stay where they are; "
                                       "nothing is left half-written.",
                                       "OK", "Cancel",
                                       [safeThis, onClosed = std::move (onClosed)] (bool closeAnyway)
                                       {
                                           auto* self = safeThis.getComponent();

                                           if (self == nullptr || ! closeAnyway)
                                               return;

                                           self->appState.saveSettings();

                                           if (onClosed)
                                               onClosed();
                                       });
            return;
        }

        appState.saveSettings();

        if (onClosed)
            onClosed();
    }

    //==============================================================================
    void MainComponent::showSettingsDialog()
    {
        juce::Component::SafePointer<MainComponent> safeThis (this);

        // The dialog window lives on the desktop and may outlast this component.
        auto withSettings = [safeThis] (auto&& use)
        {
            if (auto* self = safeThis.getComponent(); self != nullptr && self->appState.settings != nullptr)
                use (*self->appState.settings);
        };

        SettingsDialog::Callbacks callbacks;
        callbacks.onScaleChanged = [withSettings] (int percent)
        {
            withSettings ([percent] (SettingsFile& settings)
            {
                settings.setValue (uiScalePercentKey, percent);
                settings.saveIfNeeded();
            });
            applyUiScale (percent);
        };
        callbacks.onCustomChanged = [withSettings] (bool on)
        {
            juce::String storedText;

            withSettings ([on, &storedText] (SettingsFile& settings)
            {
                settings.setValue (useCustomPaletteKey, on);
                settings.saveIfNeeded();
                storedText = settings.getValue (customPaletteKey);
            });

            // Switching off keeps the stored custom colours for the next time.
            applyPalette (on ? paletteFromText (storedText) : defaultPalette());
        };
        callbacks.onPaletteEdited = [withSettings] (const Palette& palette)
        {
            withSettings ([&palette] (SettingsFile& settings)
            {
                settings.setValue (customPaletteKey, paletteToText (palette));
                settings.saveIfNeeded();
            });
        };

        auto& settings = *appState.settings;
        auto dialog = std::make_unique<SettingsDialog> (settings.getIntValue (uiScalePercentKey, defaultScalePercent),
                                                        settings.getBoolValue (useCustomPaletteKey, false),
                                                        std::move (callbacks));

        juce::DialogWindow::LaunchOptions options;
        options.content.setOwned (dialog.release());
        options.dialogTitle = juce::String (AppState::applicationName) + " settings";
        options.dialogBackgroundColour = colours::windowBackground;
        options.componentToCentreAround = this;
        options.escapeKeyTriggersCloseButton = true;
        options.useNativeTitleBar = true;
        options.resizable = false;
        if (auto* window = options.launchAsync())
            repaintWhatItCoversOnceClosed (*window);
    }

    void MainComponent::openManual()
    {
        const auto executableFolder = juce::File::getSpecialLocation (juce::File::currentExecutableFile).getParentDirectory();
        const auto manual = findLocalManual (executableFolder);

        if (manual != juce::File())
        {
            if (! openDocumentOrFolder (manual))
                showFailure ("The manual was not opened",
                             "No program could be started to show " + manual.getFullPathName() + ".");
            return;
        }

        const juce::URL onlineManual (juce::String (makerWebSite) + "/manual");

        if (! openWebAddress (onlineManual))
            showFailure ("The manual was not opened",
                         "No browser could be started for " + onlineManual.toString (true) + ".");
    }
}
