#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** Who writes a temporary file: the machine, its boot, the process and the moment that
    process started. A temporary file carries its writer in its name, so a file left by a
    writer that has gone (a crash, a kill) can be told from one still being written, even
    in a folder that several machines share. */
struct TemporaryFileWriter
{
    juce::String machine;            // 16 hexadecimal digits for the machine and its process space, all zeros when
                                     // unknown; 8 digits in names of the previous form
    juce::String boot;               // 16 hexadecimal digits for the machine's boot, all zeros when unknown; empty in
                                     // names of the previous form
    juce::int64 processId = 0;       // 0 where the platform does not tell
    juce::int64 processStart = 0;    // the process's start in the system's ticks; 0 when unknown

    bool operator== (const TemporaryFileWriter& other) const;
};

/** This process. */
const TemporaryFileWriter& thisTemporaryFileWriter();

/** A free hidden name beside the target for a temporary file of that writer: a dot, the
    target's name without its extension (at most 100 characters of it, fewer where the
    whole name would pass 255 bytes), "_temp", 16 random hexadecimal digits, "-w" + process
    id + "s" + process start + "m" + machine + "b" + boot, and the target's extension; for
    example .Delivery_temp3fa9c01e5b7d2a40-w4127s88213m5c0e12aa09f3b6c1b77d1e0c4a9f28e35.vlpr.
    Any thread may call it. */
juce::File temporaryFileFor (const juce::File& target, const TemporaryFileWriter& writer = thisTemporaryFileWriter());

/** A free hidden name in the folder for a file that only shows whether the folder takes
    files. It is marked like every temporary file, so a crash while it exists leaves
    nothing that the leftover cleaner would not clear. */
juce::File writeCheckFileIn (const juce::File& folder);

/** The writer a temporary file's name names, in this form or the previous one (whose
    machine has 8 digits and which has no boot); false for any other name. */
bool temporaryFileWriterOf (const juce::File& file, TemporaryFileWriter& writer);

/** False only when the writer certainly no longer runs: it wrote on the machine and in the
    boot of `self`, and its process has ended (or the id now belongs to a later process).
    A writer of another machine or boot, of a name of the previous form, or of a machine
    whose own identity is unknown counts as running. */
bool isTemporaryFileWriterRunning (const TemporaryFileWriter& writer,
                                   const TemporaryFileWriter& self = thisTemporaryFileWriter());

/** The extensions of every file Velvane writes through a temporary file, lower case. Only
    temporary files ending in one of them (in any letter case) are ever removed: one the
    user renamed (".wav.bak") is theirs. */
const juce::StringArray& extensionsVelvaneWrites();

/** Whether the file is a temporary file of Velvane's that may go: its name ends in an
    extension Velvane writes (or is a write check's), and its writer is surely gone: a
    writer of this machine and boot whose process has ended, or one that cannot be looked
    up whose file has not changed for a day. */
bool isLeftoverTemporaryFile (const juce::File& file, const TemporaryFileWriter& self = thisTemporaryFileWriter());

/** Deletes the leftover temporary files directly in the folder and gives how many went.
    Files of writers that may still run and every other file stay. */
int removeLeftoverTemporaryFiles (const juce::File& folder, const TemporaryFileWriter& self = thisTemporaryFileWriter());

} // namespace korvid
