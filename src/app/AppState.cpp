#include "app/AppState.h"

#include "core/model/BuiltInPresets.h"
#include "core/storage/ProjectFile.h"
#include "core/storage/TextDecoding.h"
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

    void AppState::openSettings()
    {
        settings = std::make_unique<juce::PropertiesFile> (settingsFileFor (applicationName),
                                                           settingsOptionsFor (applicationName));
    }

    void AppState::copyEarlierSettings()
    {
        if (settings->getAllProperties().size() > 0)
            return;

        for (const auto& name : earlierApplicationNames())
        {
            if (name == applicationName)
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

    void AppState::addToFileList (const juce::String& key, int cap, const juce::File& file)
    {
        auto files = readFileList (key, cap);
        files.removeAllInstancesOf (file);
        files.insert (0, file);

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

        addToFileList (recentProjectsKey, maxRecentProjects, file);
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
        if (folder == juce::File() || ! folder.isDirectory())
            return;

        addToFileList (recentImportFoldersKey, maxRecentImportFolders, folder);
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
    bool AppState::openProject (const juce::File& file, juce::String& error, juce::StringArray& missingSources)
    {
        if (! file.existsAsFile())
        {
            error = "There is no file at " + file.getFullPathName() + ".";
            return false;
        }

        const juce::String tooLarge ("That project file is far larger than any project should be.");

        if (file.getSize() > maxProjectFileBytes)
        {
            error = tooLarge;
            return false;
        }

        juce::FileInputStream input (file);

        if (! input.openedOk())
        {
            error = "The project file " + file.getFullPathName() + " could not be read.";
            return false;
        }

        // One byte past the limit shows a file that grew since its size was taken.
        juce::MemoryBlock bytes;
        input.readIntoMemoryBlock (bytes, (ssize_t) maxProjectFileBytes + 1);

        if ((juce::int64) bytes.getSize() > maxProjectFileBytes)
        {
            error = tooLarge;
            return false;
        }

        auto result = readProjectFile (textFromBytes (bytes.getData(), bytes.getSize()));

        if (! result.ok)
        {
            error = result.validation.toText();
            return false;
        }

        missingSources = result.missingFolders;
        session.applyProject (result.project, missingSources);

        const auto& savedFolder = result.project.outputFolder;

        if (savedFolder.getFullPathName().isNotEmpty() && savedFolder != outputFolder)
        {
            outputFolder = savedFolder;
            settings->setValue (outputFolderKey, outputFolder.getFullPathName());
            sendChangeMessage();
        }

        // The session's preset now comes from the project, not from the library.
        presetId.clear();

        projectFile = file;
        addRecentProject (file);
        sendChangeMessage();
        return true;
    }

    bool AppState::saveProject (const juce::File& file, juce::String& error)
    {
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
        settings->setValue (outputFolderKey, outputFolder.getFullPathName());   // saved by the file's timer
        sendChangeMessage();
    }

    bool AppState::renameWrittenFile (const juce::File& file, const juce::String& newName, juce::String& error)
    {
        if (! lastReport.renameWrittenFile (file, newName, error))
            return false;

        sendChangeMessage();
        return true;
    }
}
