#include "app/SettingsFile.h"

#include "core/platform/SafeFileWriter.h"
#include "core/storage/SettingsDocument.h"

namespace korvid::ui
{
    namespace
    {
        juce::PropertiesFile::Options withoutFrameworkSaves (juce::PropertiesFile::Options options)
        {
            // Its writer does not notice a write that stops short, and would then put the
            // short file in place of the settings.
            options.doNotSave = true;
            options.millisecondsBeforeSaving = -1;
            return options;
        }
    }

    SettingsFile::SettingsFile (const juce::File& file, Options options)
        : juce::PropertiesFile (file, withoutFrameworkSaves (options))
    {
    }

    SettingsFile::~SettingsFile()
    {
        delayedSave.stopTimer();
        saveIfNeeded();
    }

    bool SettingsFile::saveIfNeeded()
    {
        return ! needsToBeSaved() || save();
    }

    bool SettingsFile::save()
    {
        delayedSave.stopTimer();
        const auto& file = getFile();

        if (file == juce::File() || file.isDirectory())
            return false;

        juce::String text;

        {
            const juce::ScopedLock lock (getLock());
            text = settingsDocumentText (getAllProperties());
        }

        // A failed save says nothing: the file keeps its former settings, and the change
        // is written by the next save.
        juce::String error;

        if (! writeFileSafely (file, text, error, LineEnds::carriageReturnLineFeed))
            return false;

        setNeedsToBeSaved (false);
        return true;
    }

    void SettingsFile::propertyChanged()
    {
        juce::PropertiesFile::propertyChanged();
        delayedSave.startTimer (saveDelayMs);
    }

    void SettingsFile::DelayedSave::timerCallback()
    {
        owner.saveIfNeeded();
    }
}
