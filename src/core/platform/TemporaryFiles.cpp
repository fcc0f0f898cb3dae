#include "core/platform/TemporaryFiles.h"

#include "core/platform/ThreadRandom.h"

#if JUCE_LINUX || JUCE_MAC || JUCE_BSD
 #include <cerrno>
 #include <csignal>
 #include <limits>
 #include <sys/types.h>
 #include <unistd.h>
#endif

namespace korvid
{

namespace
{
    constexpr int longestNamePart = 100;     // characters of the target's name
    constexpr int longestFileName = 255;     // bytes, the limit of the usual file systems
    constexpr int markDigits = 16;           // 64 bits: two machines do not meet by chance
    constexpr int previousMachineDigits = 8;
    const char* const unknownMark = "0000000000000000";
    const char* const writeCheckName = "velvane-write-check";
    const char* const previousWriteCheckPrefix = ".velvane-write-check-";

    // A writer this machine cannot look up (another machine, another boot, a name of the
    // previous version) that has not touched its file for a day is gone for any practical
    // purpose, even one stalled on a shared folder: nothing still writing waits that long
    // between two blocks. Without this its leftovers would stay for ever.
    const juce::RelativeTime leftoverAge = juce::RelativeTime::days (1);

    // A temporary file's name, taken apart.
    struct TemporaryName
    {
        juce::String namePart;     // of the target's name, without its extension
        juce::String extension;    // the target's
        TemporaryFileWriter writer;
    };

    juce::String hexDigits (std::uint64_t value)
    {
        return juce::String::toHexString ((juce::int64) value).paddedLeft ('0', markDigits);
    }

    // 64 bits of a keyed hash: the machine id must not appear in file names that others see,
    // and every bit of the identity reaches every bit of the mark (FNV-1a, then a finaliser).
    juce::String identityMark (const juce::String& identity)
    {
        if (identity.isEmpty())
            return unknownMark;

        const auto keyed = "Velvane temporary files|" + identity;
        std::uint64_t hash = 0xcbf29ce484222325ull;

        for (auto* byte = keyed.toRawUTF8(); *byte != 0; ++byte)
        {
            hash ^= (std::uint8_t) *byte;
            hash *= 0x100000001b3ull;
        }

        hash ^= hash >> 30;
        hash *= 0xbf58476d1ce4e5b9ull;
        hash ^= hash >> 27;
        hash *= 0x94d049bb133111ebull;
        hash ^= hash >> 31;
        return hexDigits (hash != 0 ? hash : 1);
    }

   #if JUCE_LINUX
    // The start of a process in clock ticks after boot (the 22nd field of its stat line);
    // 0 when it cannot be read.
    juce::int64 linuxProcessStart (const juce::String& process)
    {
        const auto stat = juce::File ("/proc/" + process + "/stat").loadFileAsString();
        const auto nameEnd = stat.lastIndexOfChar (')');   // the name may hold blanks and brackets

        if (nameEnd < 0)
            return 0;

        // From the state (the 3rd field) on.
        const auto fields = juce::StringArray::fromTokens (stat.substring (nameEnd + 2), " ", "");
        return fields.size() > 19 ? fields[19].getLargeIntValue() : 0;
    }

    // An identity the system keeps in a file, when the file holds only the given characters;
    // empty otherwise.
    juce::String systemIdentity (const char* path, const char* characters)
    {
        const auto text = juce::File (path).loadFileAsString().trim();
        return text.length() >= 16 && text.containsOnly (characters) ? text : juce::String();
    }

    juce::String machineIdentity()
    {
        const auto machine = systemIdentity ("/etc/machine-id", "0123456789abcdef");

        // Processes of another process namespace (a container, which may share the host's
        // machine id) cannot be looked up from here, so the namespace is part of the machine.
        const auto processSpace = juce::File ("/proc/self/ns/pid").getNativeLinkedTarget();

        return machine.isEmpty() || processSpace.isEmpty() ? juce::String() : machine + "|" + processSpace;
    }
   #endif

    TemporaryFileWriter makeThisWriter()
    {
        TemporaryFileWriter writer;
        writer.machine = unknownMark;
        writer.boot = unknownMark;

       #if JUCE_LINUX
        writer.machine = identityMark (machineIdentity());
        writer.boot = identityMark (systemIdentity ("/proc/sys/kernel/random/boot_id", "0123456789abcdef-"));
       #endif

       #if JUCE_LINUX || JUCE_MAC || JUCE_BSD
        writer.processId = (juce::int64) getpid();
       #endif

       #if JUCE_LINUX
        writer.processStart = linuxProcessStart ("self");
       #endif

        return writer;
    }

    bool isDecimal (const juce::String& text)
    {
        return text.isNotEmpty() && text.length() <= 18 && text.containsOnly ("0123456789");
    }

    bool isLowerHex (const juce::String& text, int shortest, int longest)
    {
        return text.length() >= shortest && text.length() <= longest && text.containsOnly ("0123456789abcdef");
    }

    bool isKnown (const juce::String& mark)
    {
        return mark.length() == markDigits && mark != unknownMark;
    }

    // Only on this machine, in this boot, does a process id name a process that can be asked.
    bool canBeLookedUp (const TemporaryFileWriter& writer, const TemporaryFileWriter& self)
    {
        return isKnown (self.machine) && isKnown (self.boot) && writer.machine == self.machine && writer.boot == self.boot
            && writer.processId > 0;
    }

    // The extension starts at the last dot after the leading one; a target without one
    // gives a temporary name without one.
    juce::String extensionOfName (const juce::String& name)
    {
        const auto dot = name.lastIndexOfChar ('.');
        return dot > 0 ? name.substring (dot) : juce::String();
    }

    // ".<name part>_temp<random>-w<process>s<start>m<machine>[b<boot>]<extension>"
    bool parseTemporaryName (const juce::String& name, TemporaryName& parsed)
    {
        if (! name.startsWithChar ('.'))
            return false;

        const auto extension = extensionOfName (name);
        const auto body = name.substring (1, name.length() - extension.length());
        const auto markStart = body.lastIndexOf ("-w");

        if (markStart < 0)
            return false;

        const auto beforeMark = body.substring (0, markStart);
        const auto tempStart = beforeMark.lastIndexOf ("_temp");

        if (tempStart < 0 || ! isLowerHex (beforeMark.substring (tempStart + 5), 1, markDigits))
            return false;

        const auto mark = body.substring (markStart + 2);
        const auto startAt = mark.indexOfChar ('s');
        const auto machineAt = mark.indexOfChar ('m');

        if (startAt < 0 || machineAt < startAt)
            return false;

        const auto process = mark.substring (0, startAt);
        const auto start = mark.substring (startAt + 1, machineAt);
        const auto identities = mark.substring (machineAt + 1);

        if (! isDecimal (process) || ! isDecimal (start))
            return false;

        auto& writer = parsed.writer;

        if (isLowerHex (identities, previousMachineDigits, previousMachineDigits))
        {
            writer.machine = identities;
            writer.boot.clear();
        }
        else if (identities.length() == 2 * markDigits + 1 && identities[markDigits] == 'b'
                 && isLowerHex (identities.substring (0, markDigits), markDigits, markDigits)
                 && isLowerHex (identities.substring (markDigits + 1), markDigits, markDigits))
        {
            writer.machine = identities.substring (0, markDigits);
            writer.boot = identities.substring (markDigits + 1);
        }
        else
        {
            return false;
        }

        writer.processId = process.getLargeIntValue();
        writer.processStart = start.getLargeIntValue();
        parsed.namePart = beforeMark.substring (0, tempStart);
        parsed.extension = extension;
        return true;
    }

    bool isTargetVelvaneWrites (const TemporaryName& name)
    {
        if (name.extension.isEmpty())
            return name.namePart == writeCheckName;

        return extensionsVelvaneWrites().contains (name.extension.toLowerCase());
    }

    // The previous version's write check: the prefix and 32 hexadecimal digits of a UUID.
    bool isPreviousWriteCheck (const juce::String& name)
    {
        return name.startsWith (previousWriteCheckPrefix)
            && isLowerHex (name.substring (juce::String (previousWriteCheckPrefix).length()), 32, 32);
    }

    bool isDayOld (const juce::File& file)
    {
        const auto modified = file.getLastModificationTime();

        // A time in the future (another machine's clock) is not old.
        return modified.toMilliseconds() > 0 && juce::Time::getCurrentTime() - modified >= leftoverAge;
    }

    // Drops characters from the end until the UTF-8 text fits the bytes.
    juce::String withinBytes (juce::String text, int bytes)
    {
        while (text.isNotEmpty() && (int) text.getNumBytesAsUTF8() > bytes)
            text = text.dropLastCharacters (1);

        return text;
    }
} // namespace

bool TemporaryFileWriter::operator== (const TemporaryFileWriter& other) const
{
    return machine == other.machine && boot == other.boot && processId == other.processId
        && processStart == other.processStart;
}

const TemporaryFileWriter& thisTemporaryFileWriter()
{
    static const TemporaryFileWriter writer = makeThisWriter();
    return writer;
}

juce::File temporaryFileFor (const juce::File& target, const TemporaryFileWriter& writer)
{
    const auto folder = target.getParentDirectory();
    const auto extension = target.getFileExtension();
    const auto mark = "-w" + juce::String (writer.processId) + "s" + juce::String (writer.processStart) + "m" + writer.machine
                    + "b" + writer.boot;
    const auto otherBytes = (int) (juce::String ("._temp") + hexDigits (0) + mark + extension).getNumBytesAsUTF8();
    const auto namePart = withinBytes (target.getFileNameWithoutExtension().substring (0, longestNamePart),
                                       longestFileName - otherBytes);

    for (;;)
    {
        const auto candidate = folder.getChildFile ("." + namePart + "_temp" + hexDigits (randomBits()) + mark + extension);

        if (! candidate.exists())
            return candidate;
    }
}

juce::File writeCheckFileIn (const juce::File& folder)
{
    return temporaryFileFor (folder.getChildFile (writeCheckName));
}

bool temporaryFileWriterOf (const juce::File& file, TemporaryFileWriter& writer)
{
    TemporaryName parsed;

    if (! parseTemporaryName (file.getFileName(), parsed))
        return false;

    writer = parsed.writer;
    return true;
}

bool isTemporaryFileWriterRunning (const TemporaryFileWriter& writer, const TemporaryFileWriter& self)
{
    if (! canBeLookedUp (writer, self))
        return true;

    if (writer.processId == self.processId)
        return writer.processStart == self.processStart || writer.processStart == 0 || self.processStart == 0;

   #if JUCE_LINUX || JUCE_MAC || JUCE_BSD
    if (writer.processId > (juce::int64) std::numeric_limits<pid_t>::max())
        return false;

    // Another user's process answers "not permitted": it is there all the same.
    if (kill ((pid_t) writer.processId, 0) != 0 && errno == ESRCH)
        return false;

   #if JUCE_LINUX
    // The id may have gone to a newer process since.
    const auto start = linuxProcessStart (juce::String (writer.processId));

    if (start != 0 && writer.processStart != 0 && start != writer.processStart)
        return false;
   #endif
   #endif

    return true;
}

const juce::StringArray& extensionsVelvaneWrites()
{
    static const juce::StringArray extensions {
        ".wav", ".aif", ".flac",                    // delivered audio and auditions
        ".wave", ".aiff", ".aifc",                  // parts of a split take keep its extension
        ".vlpr",                                    // projects
        ".json",                                    // presets, exported presets, stem templates
        ".html", ".txt",                            // reports
        ".settings",                                // the settings file
    };
    return extensions;
}

bool isLeftoverTemporaryFile (const juce::File& file, const TemporaryFileWriter& self)
{
    const auto name = file.getFileName();

    if (isPreviousWriteCheck (name))
        return isDayOld (file);

    TemporaryName parsed;

    if (! parseTemporaryName (name, parsed) || ! isTargetVelvaneWrites (parsed))
        return false;

    // A writer that can be looked up is gone exactly when its process is; the day is for
    // the others.
    if (canBeLookedUp (parsed.writer, self))
        return ! isTemporaryFileWriterRunning (parsed.writer, self);

    return isDayOld (file);
}

int removeLeftoverTemporaryFiles (const juce::File& folder, const TemporaryFileWriter& self)
{
    int removed = 0;

    for (const auto& file : folder.findChildFiles (juce::File::findFiles, false, ".*", juce::File::FollowSymlinks::no))
        if (isLeftoverTemporaryFile (file, self) && file.deleteFile())
            ++removed;

    return removed;
}

} // namespace korvid
