#include "app/AppState.h"

#include "core/model/BuiltInPresets.h"
#include "core/model/OutputNaming.h"
#include "core/platform/FileIdentity.h"
#include "core/storage/DocumentReading.h"
#include "core/storage/ProjectFile.h"
#include "core/storage/SettingsDocument.h"
#include "core/storage/XmlScreening.h"
#include "ui/JuceDialogs.h"
#include "ui/SaveTargets.h"

namespace korvid::ui
{
    namespace
    {
        const juce::String outputFolderKey ("outputFolder");
        const juce::String presetIdKey ("presetId");
        const juce::String recentProjectsKey ("recentProjects");
        const juce::String recentImportFoldersKey ("recentImportFolders");
        const juce::String stemsAlphabeticalKey ("stemsAlphabetical");
        const juce::String olderStemsAlphabeticalKey ("reviewAlphabeticalStems");

        // A delivery inside the take folder may be listed as takes too.
        juce::String idOfTrackReading (const Session& session, const juce::File& file)
        {
            for (const auto& track : session.getTracks())
                if (track.file == file)
                    return track.id;

            return {};
        }
    }

    AppState::AppState (PreviewEngine::OutputMode outputMode, std::unique_ptr<Dialogs> dialogsToUse)
        : dialogs (dialogsToUse != nullptr ? std::move (dialogsToUse) : std::make_unique<JuceDialogs>()),
          templates (TemplateStore::defaultFile()),
          preview (outputMode)
    {
        openSettings();
        copyEarlierSettings();

        presetStore = std::make_unique<PresetStore> (PresetStore::defaultFolder());

        // A built-in that cannot be rewritten is only out of date; the program still works.
        juce::String ignoredError;
        presetStore->ensureBuiltInPresets (ignoredError);

        restoreOutputFolder();
        startWithLastPreset();

        // A template store that cannot be read is set aside and said once, as the settings are.
        const auto templatesNotice = templates.setAsideUnreadableFile();

        if (templatesNotice.isNotEmpty())
            noticeAfterStart ("The stem templates could not be read", templatesNotice);
    }

    AppState::~AppState()
    {
        if (settings != nullptr)
        {
            storeSessionKeys();
            settings->saveIfNeeded();
        }
    }

    //==============================================================================
    juce::File AppState::settingsFileFor (const juce::String& programName)
    {
        // The same folder as the presets and templates, also on Linux, where the
        // properties file would otherwise sit directly in the home folder.
        return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
            .getChildFile (programName)
            .getChildFile (programName + ".settings");
    }

    juce::PropertiesFile::Options AppState::settingsOptionsFor (const juce::String& programName)
    {
        juce::PropertiesFile::Options options;
        options.applicationName = programName;
        options.folderName = programName;
        options.filenameSuffix = "settings";
        options.osxLibrarySubFolder = "Application Support";
        options.storageFormat = juce::PropertiesFile::storeAsXML;
        return options;
    }

    juce::StringArray AppState::earlierApplicationNames()
    {
        return { "Korvid" };
    }

    bool AppState::isReadableSettingsFile (const juce::File& file, juce::String& problem)
    {
        // Nothing there, or nothing in it: nothing to lose.
        if (! file.existsAsFile() || file.getSize() == 0)
            return true;

        juce::String text;

        switch (readDocumentText (file, maxSettingsFileBytes, text))
        {
            case DocumentRead::unreadable:
                problem = "The file could not be opened for reading.";
                return false;

            case DocumentRead::tooLarge:
                problem = "The file is larger than the " + juce::String (maxSettingsFileBytes / 1024) + " kB limit.";
                return false;

            case DocumentRead::ok:
                break;
        }

        return parseScreenedXml (text, settingsDocumentTag, problem) != nullptr;
    }

    void AppState::openSettings()
    {
        auto file = settingsFileFor (applicationName);
        juce::String problem;

        // The framework's reader would recurse through a deeply nested file until the stack
        // runs out, spend minutes on a huge one, and save over whatever it could not read.
        if (! isReadableSettingsFile (file, problem))
            file = setAsideUnreadableSettings (file, problem);

        settings = std::make_unique<SettingsFile> (file, settingsOptionsFor (applicationName));
    }

    juce::File AppState::setAsideUnreadableSettings (const juce::File& file, const juce::String& problem)
    {
        const juce::String title ("The settings could not be read");
        const auto opening = juce::String (applicationName) + " could not read its settings file, so it starts with the "
                             "default settings. " + problem + "\n\n";
        const auto aside = unusedAsideFile (file);

        if (aside != juce::File() && file.moveFileTo (aside))
        {
            noticeAfterStart (title, opening + "The file was kept as " + aside.getFullPathName() + ".");
            return file;
        }

        // Left where it is and never written over: these settings live only until the exit.
        noticeAfterStart (title, opening + "The file could not be set aside, so it was left as it is and the "
                                           "settings of this session will not be saved.");
        return {};
    }

    void AppState::noticeAfterStart (const juce::String& title, const juce::String& message)
    {
        // Posted, so it shows over the window once that is up.
        juce::MessageManager::callAsync ([state = juce::WeakReference<AppState> (this), title, message]
        {
            if (state != nullptr)
                state->dialogs->showMessage (juce::MessageBoxIconType::WarningIcon, title, message);
        });
    }

    void AppState::copyEarlierSettings()
    {
        if (settings->getAllProperties().size() > 0)
            return;

        for (const auto& name : earlierApplicationNames())
        {
            if (name == applicationName)
                continue;

            juce::String problem;

            // Only read, never set aside: a damaged one simply holds nothing to copy.
            if (! isReadableSettingsFile (settingsFileFor (name), problem))
                continue;

            auto options = settingsOptionsFor (name);
            options.doNotSave = true;   // the earlier file is only read
            juce::PropertiesFile earlier (settingsFileFor (name), options);
            const auto& keys = earlier.getAllProperties().getAllKeys();
            const auto& values = earlier.getAllProperties().getAllValues();

            if (keys.isEmpty())
                continue;

            for (int i = 0; i < keys.size(); ++i)
                settings->setValue (keys[i], values[i]);

            settings->saveIfNeeded();
            return;
        }
    }

    void AppState::restoreOutputFolder()
    {
        const juce::String stored = settings->getValue (outputFolderKey);

        // A folder that went away is dropped silently; the stored value stays as it was.
        if (stored.isNotEmpty() && juce::File::isAbsolutePath (stored) && juce::File (stored).isDirectory())
            outputFolder = juce::File (stored);
    }

    void AppState::startWithLastPreset()
    {
        const juce::String storedId = settings->getValue (presetIdKey);

        if (storedId.isNotEmpty() && presetStore->findEntry (storedId) != nullptr)
        {
            auto loaded = presetStore->loadPreset (storedId);

            if (loaded.ok)
            {
                presetId = storedId;
                session.setPreset (std::move (loaded.preset));
                return;
            }
        }

        // The library's copy of the empty preset; without it the session keeps the
        // empty preset it was built with, and no library preset is current.
        auto empty = presetStore->loadPreset (makeEmptyPreset().id);

        if (empty.ok)
        {
            presetId = empty.preset.id;
            session.setPreset (std::move (empty.preset));
        }
    }

    void AppState::storeSessionKeys()
    {
        settings->setValue (presetIdKey, presetId);

        const auto folderPath = outputFolder.getFullPathName();

        if (folderPath.isNotEmpty())
            settings->setValue (outputFolderKey, folderPath);
    }

    void AppState::saveSettings()
    {
        if (settings == nullptr)
            return;

        storeSessionKeys();
        settings->saveIfNeeded();
    }

    //==============================================================================
    bool AppState::getStemsAlphabetical() const
    {
        const bool older = settings->getBoolValue (olderStemsAlphabeticalKey, false);
        return settings->getBoolValue (stemsAlphabeticalKey, older);
    }

    void AppState::setStemsAlphabetical (bool alphabetical)
    {
        settings->setValue (stemsAlphabeticalKey, alphabetical);
        settings->saveIfNeeded();
    }

    juce::Array<juce::File> AppState::readFileList (const juce::String& key, int cap) const
    {
        juce::StringArray lines;
        lines.addLines (settings->getValue (key));

        juce::Array<juce::File> files;

        for (const auto& line : lines)
        {
            if (files.size() >= cap)
                break;

            const auto path = line.trim();

            // Only full paths: a relative line would name a file below the working folder.
            if (path.isNotEmpty() && juce::File::isAbsolutePath (path))
                files.add (juce::File (path));
        }

        return files;
    }

    void AppState::addToFileList (const juce::String& key, int cap, const juce::Array<juce::File>& newestFirst)
    {
        auto files = readFileList (key, cap);

        for (int i = newestFirst.size(); --i >= 0;)
        {
            files.removeAllInstancesOf (newestFirst.getReference (i));
            files.insert (0, newestFirst.getReference (i));
        }

        juce::StringArray paths;

        for (int i = 0; i < juce::jmin (cap, files.size()); ++i)
            paths.add (files.getReference (i).getFullPathName());

        settings->setValue (key, paths.joinIntoString ("\n"));
        settings->saveIfNeeded();
    }

    juce::Array<juce::File> AppState::getRecentProjects() const
    {
        return readFileList (recentProjectsKey, maxRecentProjects);
    }

    void AppState::addRecentProject (const juce::File& file)
    {
        if (file == juce::File())
            return;

        addToFileList (recentProjectsKey, maxRecentProjects, { file });
    }

    void AppState::clearRecentProjects()
    {
        settings->removeValue (recentProjectsKey);
        settings->saveIfNeeded();
    }

    juce::Array<juce::File> AppState::getRecentImportFolders() const
    {
        return readFileList (recentImportFoldersKey, maxRecentImportFolders);
    }

    void AppState::addRecentImportFolder (const juce::File& folder)
    {
        addRecentImportFolders ({ folder });
    }

    void AppState::addRecentImportFolders (const juce::Array<juce::File>& folders)
    {
        // Only the newest few can stay, so the folders are walked from the last one given and
        // looked for on disk until the list is full: an import of thousands of folders costs
        // a handful of checks and one save, not a save per folder.
        juce::Array<juce::File> newestFirst;

        for (int i = folders.size(); --i >= 0 && newestFirst.size() < maxRecentImportFolders;)
        {
            const auto& folder = folders.getReference (i);

            if (folder != juce::File() && ! newestFirst.contains (folder) && folder.isDirectory())
                newestFirst.add (folder);
        }

        if (! newestFirst.isEmpty())
            addToFileList (recentImportFoldersKey, maxRecentImportFolders, newestFirst);
    }

    //==============================================================================
    const Preset* AppState::storedPresetCopy() const
    {
        if (presetId.isEmpty() || presetStore == nullptr)
            return nullptr;

        const auto* entry = presetStore->findEntry (presetId);

        if (entry == nullptr)
            return nullptr;

        // Asked on every preset edit, a colour drag's every step too: reading the bytes is
        // cheap, parsing them is not, so the file is parsed only when it is another one or
        // its bytes changed. File times are too coarse to tell two quick saves apart.
        juce::MemoryBlock bytes;

        if (! entry->file.loadFileAsData (bytes))
            bytes.reset();

        if (storedCopy.id != presetId || storedCopy.file != entry->file || storedCopy.bytes != bytes)
        {
            auto loaded = presetStore->loadPreset (presetId);
            storedCopy.id = presetId;
            storedCopy.file = entry->file;
            storedCopy.bytes = std::move (bytes);
            storedCopy.ok = loaded.ok;
            storedCopy.preset = loaded.ok ? std::move (loaded.preset) : Preset();
        }

        return storedCopy.ok ? &storedCopy.preset : nullptr;
    }

    bool AppState::isPresetModified() const
    {
        const auto* stored = storedPresetCopy();

        if (stored == nullptr)
            return true;

        // Everything counts, the alternative mixes and the plural flag too: an edit the
        // narrow equality misses would otherwise never be offered for saving.
        return ! presetsFullyEqual (*stored, session.getPreset());
    }

    //==============================================================================
    struct AppState::OpenedProject
    {
        bool ok = false;
        juce::String error;
        ProjectFile project;
        ProjectOpenNotes notes;
        juce::StringArray savedTracksOnDisk;   // saved track paths that name a file now
        PreparedImport folders;
        bool replacing = false;                // its first step has emptied the list
    };

    namespace
    {
        /** Everything of opening a project that reads the disk; touches no session. */
        void readAndPrepareProject (const juce::File& file, const KeywordMatcher& matcher, const CancelTest& shouldStop,
                                    juce::String& error, ProjectLoadResult& result, PreparedImport& folders,
                                    juce::StringArray& savedTracksOnDisk)
        {
            if (! file.existsAsFile())
            {
                error = "There is no file at " + file.getFullPathName() + ".";
                return;
            }

            juce::String text;

            switch (readDocumentText (file, maxProjectFileBytes, text))
            {
                case DocumentRead::tooLarge:
                    error = "That project file is far larger than any project should be.";
                    return;

                case DocumentRead::unreadable:
                    error = "The project file " + file.getFullPathName() + " could not be read.";
                    return;

                case DocumentRead::ok:
                    break;
            }

            result = readProjectFile (text);

            if (! result.ok)
            {
                error = result.validation.toText();
                return;
            }

            if (! result.project.importedFolders.isEmpty())
                folders = prepareImport (makeProjectImportRequest (result.project, matcher), shouldStop);

            // Only the others may be called missing later: a saved take the list lacks for
            // another reason (the track limit, a name imports skip) is still where it was.
            for (const auto& saved : result.project.tracks)
                if (juce::File::isAbsolutePath (saved.path) && juce::File (saved.path).existsAsFile())
                    savedTracksOnDisk.add (saved.path);
        }
    }

    void AppState::openProject (const juce::File& file, ProjectOpened whenDone)
    {
        sessionJobs.stopAll();

        const int opening = ++projectOpenings;
        openingProject = true;
        projectBeingOpened = file;

        juce::WeakReference<AppState> weakThis (this);
        const auto matcher = session.getMatcherSettings();

        sessionJobs.start ("Waiting for the project '" + file.getFileNameWithoutExtension() + "' to open.",
                           [weakThis, opening, file, matcher, whenDone = std::move (whenDone)] (const CancelTest& shouldStop)
                               -> SessionJobs::Answer
        {
            auto opened = std::make_shared<OpenedProject>();
            ProjectLoadResult result;
            readAndPrepareProject (file, matcher, shouldStop, opened->error, result, opened->folders,
                                   opened->savedTracksOnDisk);
            opened->ok = result.ok && ! opened->folders.cancelled;
            opened->project = std::move (result.project);
            opened->notes.missingSources = std::move (result.missingFolders);
            const bool stopped = isCancelled (shouldStop);

            // In three messages, so that the window never stands still for long: the list
            // emptied, the tracks in, the saved settings on top. A newer open drops this one
            // only while the session is untouched; once the list is emptied, every step runs,
            // so the session is never left half replaced.
            return {
                [weakThis, opening, stopped, opened, whenDone]
                {
                    if (weakThis == nullptr || opening != weakThis->projectOpenings)
                        return;

                    if (! stopped && opened->ok)
                    {
                        opened->replacing = true;
                        weakThis->startReplacingSession (opened->project);
                        return;
                    }

                    weakThis->openingProject = false;
                    weakThis->projectBeingOpened = juce::File();

                    // Stopped only as the program closes: nothing to tell then.
                    if (! stopped && ! opened->ok && whenDone != nullptr)
                        whenDone (false, opened->error, {});
                },
                [weakThis, opened]
                {
                    if (weakThis != nullptr && opened->replacing && ! opened->project.importedFolders.isEmpty())
                        opened->notes.importProblems = weakThis->session.finishImport (opened->folders).problems;
                },
                [weakThis, opening, file, opened, whenDone]
                {
                    if (weakThis == nullptr || ! opened->replacing)
                        return;

                    // A newer open is still on its way: it owns the waiting.
                    if (opening == weakThis->projectOpenings)
                    {
                        weakThis->openingProject = false;
                        weakThis->projectBeingOpened = juce::File();
                    }

                    weakThis->finishOpeningProject (file, *opened);

                    if (whenDone != nullptr)
                        whenDone (true, {}, opened->notes);
                }
            };
        }, true);
    }

    void AppState::startReplacingSession (const ProjectFile& project)
    {
        session.startProject (project);

        // The session is no longer the one in the old project file, nor the library preset:
        // were the rest never to come, a save would have to ask for a name.
        projectFile = juce::File();
        presetId.clear();
    }

    void AppState::finishOpeningProject (const juce::File& file, OpenedProject& opened)
    {
        juce::StringArray notFound;
        session.restoreProjectSettings (opened.project, notFound);

        // A saved take the list lacks is missing only when it is gone from the disk; one that
        // is still there is named with why, since the next save would drop it unsaid.
        const bool listIsFull = (int) session.getTracks().size() >= Session::maxTracks;

        for (const auto& path : notFound)
        {
            if (opened.savedTracksOnDisk.contains (path))
                opened.notes.takesLeftOut.add (path + ": "
                                               + whySavedTakeIsNotListed (juce::File (path), opened.project, listIsFull));
            else
                opened.notes.missingSources.addIfNotAlreadyThere (path);
        }

        const auto& savedFolder = opened.project.outputFolder;

        if (savedFolder.getFullPathName().isNotEmpty() && savedFolder != outputFolder)
        {
            outputFolder = savedFolder;
            settings->setValue (outputFolderKey, outputFolder.getFullPathName());
        }

        // The session's preset now comes from the project, not from the library.
        presetId.clear();

        projectFile = file;
        addRecentProject (file);
        sendChangeMessage();
    }

    juce::String AppState::whyNameIsInUse (const juce::File& target) const
    {
        if (target == juce::File() || splitFileNames.isEmpty())
            return {};

        // Through a link, another path can name the same file.
        const auto resolvedTarget = fileWithLinksResolved (target).getFullPathName();

        for (const auto& name : splitFileNames)
            if (name.getFullPathName().equalsIgnoreCase (target.getFullPathName())
                || fileWithLinksResolved (name).getFullPathName().equalsIgnoreCase (resolvedTarget))
                return "The split of '" + splitFileNames.getFirst().getFileName() + "' is using the name '"
                     + target.getFileName() + "', so choose another one or wait until the split has finished.";

        return {};
    }

    juce::String AppState::whyListMustWait (const juce::String& whatWaits) const
    {
        if (! openingProject)
            return {};

        return whatWaits + " while the project '" + projectBeingOpened.getFileNameWithoutExtension()
             + "' is being opened.";
    }

    bool AppState::saveProject (const juce::File& file, juce::String& error)
    {
        if (openingProject)
        {
            error = "A project is still being opened. Save once its tracks are in the list.";
            return false;
        }

        if (! saveProjectFile (session, outputFolder.getFullPathName(), file, error))
            return false;

        projectFile = file;
        addRecentProject (file);
        return true;
    }

    juce::File AppState::projectFileForChoice (const juce::File& chosen)
    {
        return fileWithEnding (chosen, projectFileExtension, projectFileExtension);
    }

    void AppState::confirmProjectTarget (const juce::File& chosen, std::function<void (const juce::File&)> onTarget)
    {
        confirmUnseenTarget (*dialogs, chosen, projectFileForChoice (chosen), "Replace the existing project?",
                             std::move (onTarget));
    }

    //==============================================================================
    void AppState::setLastReport (BatchReport&& report)
    {
        lastReport = std::move (report);
        hasReport = true;
        ++reportNumber;
        sendChangeMessage();
    }

    void AppState::setOutputFolder (const juce::File& folder)
    {
        if (folder == outputFolder)
            return;

        outputFolder = folder;
        settings->setValue (outputFolderKey, outputFolder.getFullPathName());   // saved by the file's delayed save
        sendChangeMessage();
    }

    bool AppState::renameWrittenFile (const juce::File& file, const juce::String& newName, juce::String& error)
    {
        const auto target = fileRenamedInPlace (file, newName);

        if (const auto refusal = whyNameIsInUse (target); refusal.isNotEmpty())
        {
            error = refusal;
            return false;
        }

        // A take gone from the disk still names its track: a delivered file renamed onto it
        // would be read as that take.
        if (target != juce::File() && session.isFileOfAnotherTrack (target, idOfTrackReading (session, file)))
        {
            error = "Another track in the list already uses the name '" + target.getFileName() + "'.";
            return false;
        }

        if (! lastReport.renameWrittenFile (file, newName, error))
            return false;

        sendChangeMessage();
        return true;
    }
}
