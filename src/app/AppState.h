#pragma once

#include "app/ProjectOpenNotes.h"
#include "app/SessionJobs.h"
#include "app/SettingsFile.h"
#include "core/report/BatchReport.h"
#include "core/session/Session.h"
#include "core/storage/PresetStore.h"
#include "core/storage/TemplateStore.h"
#include "ui/Dialogs.h"
#include "ui/PreviewEngine.h"
#include "ui/WaveformCache.h"

#include <juce_data_structures/juce_data_structures.h>
#include <juce_events/juce_events.h>

#include <functional>
#include <memory>

namespace korvid::ui
{
    /** Everything the running application knows beyond a single page: the settings file,
        the preset library, the open project, the stem templates, the shared preview engine
        and waveform cache, the dialogs, and what the pages share (output folder, project
        file, the library preset the session came from, the last render report).

        The main component owns exactly one; pages hold a reference and change its members
        directly, then call sendChangeMessage. Message thread only. Change messages are
        asynchronous and coalesce. */
    class AppState : public juce::ChangeBroadcaster
    {
    public:
        static constexpr const char* applicationName = "Velvane";
        static constexpr const char* projectFileExtension = ".vlpr";
        static constexpr int maxRecentProjects = 20;
        static constexpr int maxRecentImportFolders = 15;

        /** The largest settings file that is read. Settings take a few kilobytes; a larger
            file is damaged and is kept aside unread, like one that does not parse. */
        static constexpr juce::int64 maxSettingsFileBytes = 1024 * 1024;

        /** Builds everything in start-up order; never fails (what cannot load starts empty).
            A settings file that cannot be read is moved aside unread, to a name beside it
            ("Velvane.unreadable.settings"), before the new one is opened, and a notice says
            so once the start is over; so is a template store that cannot be read
            ("StemTemplates.unreadable.json"). `outputMode` chooses the preview engine's output;
            `dialogs` defaults to JUCE's boxes. */
        explicit AppState (PreviewEngine::OutputMode outputMode = PreviewEngine::OutputMode::defaultDevice,
                           std::unique_ptr<Dialogs> dialogs = {});

        /** Writes "presetId" and "outputFolder" and saves the settings. */
        ~AppState() override;

        //==============================================================================
        bool getStemsAlphabetical() const;
        void setStemsAlphabetical (bool alphabetical);

        juce::Array<juce::File> getRecentProjects() const;
        void addRecentProject (const juce::File& projectFile);
        void clearRecentProjects();

        juce::Array<juce::File> getRecentImportFolders() const;
        /** Only an existing folder is taken. */
        void addRecentImportFolder (const juce::File& folder);
        /** The same for each folder in turn, the last one ending up first, saved once. */
        void addRecentImportFolders (const juce::Array<juce::File>& folders);

        /** Whether the session's preset differs in anything from the library preset named
            by presetId; true without one. The stored copy is kept in memory and parsed again
            only when presetId, its file or the file's bytes changed. */
        bool isPresetModified() const;

        /** How opening a project ended, on the message thread: `ok`, or the sentence in `error`
            (then nothing has changed); on success what the user must hear of: the saved
            folders and takes that were not found, the saved takes on the disk the list lacks
            (each with why) and the problems of importing the project's folders. */
        using ProjectOpened = std::function<void (bool ok, const juce::String& error,
                                                  const ProjectOpenNotes& notes)>;

        /** Opens a project: the file is read and its folders scanned and probed on the session's
            worker, so the window keeps answering; the session is then replaced in three steps a
            moment apart, and `whenDone` runs. Every session job in flight is stopped first (an
            import is dropped, a split puts its original back). A later open supersedes this
            one while the session is untouched (its `whenDone` then never runs); once the
            session began to change, this one finishes first. Saved takes are called missing
            only when they are gone from the disk; one on the disk the list lacks is named
            with why. */
        void openProject (const juce::File& file, ProjectOpened whenDone);
        /** A project is being opened and has not replaced the session yet. */
        bool isOpeningProject() const noexcept                  { return openingProject; }

        /** While a project is being opened, the sentence that refuses a change of the list
            meanwhile, from what would have been done ("The list cannot change" gives "The
            list cannot change while the project 'B' is being opened."); empty otherwise. The
            project's last step matches its saved settings to the list it imported. */
        juce::String whyListMustWait (const juce::String& whatWaits) const;

        /** Writes the project to exactly this file; projectFile and the recent list change
            only on success. Refused while a project is being opened: the session is about to be
            replaced. */
        bool saveProject (const juce::File& file, juce::String& error);

        /** The file a project chosen in a save chooser is written to: the choice itself
            when it ends in ".vlpr" (any case), else the choice with ".vlpr" appended. */
        static juce::File projectFileForChoice (const juce::File& chosen);

        /** After a save chooser: works out the file to write (projectFileForChoice). When
            appending the extension led to an existing file the chooser never asked about,
            asks through `dialogs` before it may be replaced. Calls `onTarget` with the file
            to write, or not at all when the user keeps the existing one. */
        void confirmProjectTarget (const juce::File& chosen, std::function<void (const juce::File&)> onTarget);

        /** Writes "presetId" and "outputFolder" and saves now. */
        void saveSettings();

        /** Keeps the report, sets hasReport, counts it in reportNumber and broadcasts. */
        void setLastReport (BatchReport&& report);
        void setOutputFolder (const juce::File& folder);

        /** Renames a delivered file of the last report; see BatchReport::renameWrittenFile.
            A name a listed track holds (in any letter case, its file gone or not) is refused. */
        bool renameWrittenFile (const juce::File& file, const juce::String& newName, juce::String& error);

        //==============================================================================
        /** The settings file of a program of that name: "<name>.settings" in the folder
            "<name>" of the user's application-data folder, on every platform. */
        static juce::File settingsFileFor (const juce::String& programName);
        static juce::PropertiesFile::Options settingsOptionsFor (const juce::String& programName);

        /** Names the program had before, whose settings are copied once into empty ones. */
        static juce::StringArray earlierApplicationNames();

        //==============================================================================
        // Declaration order is construction order; destruction runs the other way.
        std::unique_ptr<Dialogs> dialogs;
        std::unique_ptr<SettingsFile> settings;
        std::unique_ptr<PresetStore> presetStore;
        Session session;
        TemplateStore templates;
        PreviewEngine preview;
        WaveformCache waveforms;
        juce::File outputFolder;
        juce::File projectFile;
        juce::String presetId;
        BatchReport lastReport;
        bool hasReport = false;
        int reportNumber = 0;   // raised by every setLastReport, so a page can tell a new report from a changed one

        /** An analysis or a render is reading the tracks' files: nothing may move them meanwhile.
            Set by the page that runs it. */
        bool runReadingTracks = false;

        /** The track whose split is moving its files now; empty when none is. Kept by the
            Import page, which starts splits. */
        juce::String trackBeingSplit;

        /** The names that split moves files to and from: the take's own (its first part's), the
            second part's and the kept original's. No rename may take one of them meanwhile. */
        juce::Array<juce::File> splitFileNames;

        /** The sentence that refuses a rename or a move to `target` because the running split
            uses that name (in any letter case); empty when none does. */
        juce::String whyNameIsInUse (const juce::File& target) const;

        /** Imports, projects being opened and splits; last, so it stops and waits for its worker
            before anything else goes. */
        SessionJobs sessionJobs;

    private:
        /** Whether a settings file can be read safely: absent or empty, or a properties
            document of at most maxSettingsFileBytes that passes the XML screen. False with
            one sentence in `problem` otherwise. */
        static bool isReadableSettingsFile (const juce::File& file, juce::String& problem);

        void openSettings();
        juce::File setAsideUnreadableSettings (const juce::File& file, const juce::String& problem);
        void noticeAfterStart (const juce::String& title, const juce::String& message);
        void copyEarlierSettings();
        void restoreOutputFolder();
        void startWithLastPreset();
        void storeSessionKeys();
        struct OpenedProject;
        void startReplacingSession (const ProjectFile& project);
        void finishOpeningProject (const juce::File& file, OpenedProject& opened);

        juce::Array<juce::File> readFileList (const juce::String& key, int cap) const;

        /** The library's copy of presetId, parsed again only when the id, its file or the
            file's bytes changed; null when there is none or it does not load. */
        const Preset* storedPresetCopy() const;

        struct StoredCopy
        {
            juce::String id;
            juce::File file;
            juce::MemoryBlock bytes;
            bool ok = false;
            Preset preset;
        };

        mutable StoredCopy storedCopy;
        int projectOpenings = 0;      // counts opens: the answer of an older one is dropped
        bool openingProject = false;
        juce::File projectBeingOpened;   // the newest open's file
        /** Puts the files at the front of the list, the first of them first, and saves. */
        void addToFileList (const juce::String& key, int cap, const juce::Array<juce::File>& newestFirst);

        JUCE_DECLARE_WEAK_REFERENCEABLE (AppState)
        JUCE_DECLARE_NON_COPYABLE (AppState)
    };
}
