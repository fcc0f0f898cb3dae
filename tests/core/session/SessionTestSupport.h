#pragma once

#include "core/session/Session.h"
#include "core/audio/AudioTestFiles.h"

#include <juce_core/juce_core.h>

namespace korvid::test
{

/** A short WAV (a few hundred frames of sine), written with the JUCE writer; makes the
    folders on the way. */
void writeShortWav (const juce::File& file, double sampleRate = 48000.0, int channels = 2, int frames = 256);

/** Writes the text into the file, making the folders on the way (an unreadable "audio" file). */
void writeTextFile (const juce::File& file, const juce::String& text);

/** Records every notification as one letter: T tracks, A assignments, P preset. */
struct RecordingListener : Session::Listener
{
    explicit RecordingListener (Session& s) : session (s) { session.addListener (this); }
    ~RecordingListener() override { session.removeListener (this); }

    void tracksChanged() override       { log << "T"; }
    void assignmentsChanged() override  { log << "A"; }
    void presetChanged() override       { log << "P"; }

    juce::String take() { auto text = log; log.clear(); return text; }

    Session& session;
    juce::String log;
};

/** A stem with a fixed id ("stem-" + name) and one token or phrase rule per pattern. */
Stem makeTestStem (const juce::String& name, const juce::StringArray& patterns, int priority = 10);

/** The empty preset holding the given stems. */
Preset makeTestPreset (std::vector<Stem> stems);

/** Ids of the session's tracks, in track order. */
juce::StringArray trackIds (const Session& session);

/** The id of the track whose file has that name; empty when none has. */
juce::String trackIdOf (const Session& session, const juce::String& fileName);

} // namespace korvid::test
