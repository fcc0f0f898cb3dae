#pragma once

#include <juce_data_structures/juce_data_structures.h>
#include <juce_events/juce_events.h>

namespace korvid::ui
{
    /** The settings file, written only through the checked text writer: a save that is cut
        short (a full disk, a file-size limit) leaves the file as it was, and the change
        stays pending for the next save. The framework's own writer never runs: it is told
        not to save, and its delayed save is replaced by this class's own.

        A change is written `saveDelayMs` after the last one, or by the next save, or when
        the file is destroyed. saveIfNeeded and save hide the framework's functions of the
        same name; called through a juce::PropertiesFile reference they write nothing.
        Message thread only. */
    class SettingsFile : public juce::PropertiesFile
    {
    public:
        static constexpr int saveDelayMs = 3000;

        /** An empty `file` keeps the settings for this run only. */
        SettingsFile (const juce::File& file, Options options);

        /** Writes a pending change. */
        ~SettingsFile() override;

        /** Writes the file when something changed since the last save; true when nothing
            needed writing or the write succeeded. */
        bool saveIfNeeded();

        /** Writes the file now; false, with the file as it was, when that failed. */
        bool save();

    protected:
        void propertyChanged() override;

    private:
        struct DelayedSave : juce::Timer
        {
            explicit DelayedSave (SettingsFile& ownerToSave) : owner (ownerToSave) {}
            void timerCallback() override;
            SettingsFile& owner;
        };

        DelayedSave delayedSave { *this };

        JUCE_DECLARE_NON_COPYABLE (SettingsFile)
    };
}
