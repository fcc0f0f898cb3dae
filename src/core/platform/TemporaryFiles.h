#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** Who writes a temporary file: the machine, the process and the moment that process
    started. A temporary file carries its writer in its name, so a file left by a writer
    that has gone (a crash, a kill) can be told from one still being written. */
struct TemporaryFileWriter
{
    juce::String machine;            // 8 hexadecimal digits for the machine and its processes
    juce::int64 processId = 0;       // 0 where the platform does not tell
    juce::int64 processStart = 0;    // the process's start in the system's ticks; 0 when unknown

    bool operator== (const TemporaryFileWriter& other) const;
};

/** This process. */
const TemporaryFileWriter& thisTemporaryFileWriter();

/** A free hidden name beside the target for a temporary file of that writer: a dot, the
    target's name without its extension (at most 100 characters of it), "_temp", a random
    hexadecimal number, "-w" + process id + "s" + process start + "m" + machine, and the
    target's extension; for example .Delivery_temp3fa9c01e-w4127s88213m5c0e12aa.vlpr. */
juce::File temporaryFileFor (const juce::File& target, const TemporaryFileWriter& writer = thisTemporaryFileWriter());

/** The writer a temporary file's name names; false for any other name. */
bool temporaryFileWriterOf (const juce::File& file, TemporaryFileWriter& writer);

/** False only when the writer certainly no longer runs: a writer of another machine, or
    one this platform cannot look up, counts as running. */
bool isTemporaryFileWriterRunning (const TemporaryFileWriter& writer);

/** Deletes the temporary files directly in the folder whose writers no longer run, and
    gives how many went. Files of running writers and every other file stay. */
int removeLeftoverTemporaryFiles (const juce::File& folder);

} // namespace korvid
