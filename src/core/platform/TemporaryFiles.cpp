#include "core/platform/TemporaryFiles.h"

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
    constexpr int longestNamePart = 100;   // of the target's name, so the temporary name stays well within a file name's limit
    constexpr int machineDigits = 8;

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
   #endif

    juce::String machineMark()
    {
        auto identity = juce::SystemStats::getComputerName();

       #if JUCE_LINUX
        // Processes of another process namespace (a container) cannot be looked up from here.
        identity << "|" << juce::File ("/proc/self/ns/pid").getNativeLinkedTarget();
       #endif

        return juce::String::toHexString ((juce::uint32) (juce::uint64) identity.hashCode64()).paddedLeft ('0', machineDigits);
    }

    TemporaryFileWriter makeThisWriter()
    {
        TemporaryFileWriter writer;
        writer.machine = machineMark();

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
} // namespace

bool TemporaryFileWriter::operator== (const TemporaryFileWriter& other) const
{
    return machine == other.machine && processId == other.processId && processStart == other.processStart;
}

const TemporaryFileWriter& thisTemporaryFileWriter()
{
    static const TemporaryFileWriter writer = makeThisWriter();
    return writer;
}

juce::File temporaryFileFor (const juce::File& target, const TemporaryFileWriter& writer)
{
    const auto folder = target.getParentDirectory();
    const auto namePart = target.getFileNameWithoutExtension().substring (0, longestNamePart);
    const auto mark = "-w" + juce::String (writer.processId) + "s" + juce::String (writer.processStart) + "m" + writer.machine;

    for (;;)
    {
        const auto random = juce::String::toHexString (juce::Random::getSystemRandom().nextInt());
        const auto candidate = folder.getChildFile ("." + namePart + "_temp" + random + mark + target.getFileExtension());

        if (! candidate.exists())
            return candidate;
    }
}

bool temporaryFileWriterOf (const juce::File& file, TemporaryFileWriter& writer)
{
    const auto name = file.getFileName();
    const auto markStart = name.lastIndexOf ("-w");

    if (! name.startsWithChar ('.') || markStart < 0)
        return false;

    const auto beforeMark = name.substring (0, markStart);
    const auto tempStart = beforeMark.lastIndexOf ("_temp");

    if (tempStart < 1 || ! isLowerHex (beforeMark.substring (tempStart + 5), 1, 16))
        return false;

    // "<process>s<start>m<machine>", then the target's extension or nothing.
    const auto mark = name.substring (markStart + 2);
    const auto startAt = mark.indexOfChar ('s');
    const auto machineAt = mark.indexOfChar ('m');

    if (startAt < 0 || machineAt < startAt)
        return false;

    const auto process = mark.substring (0, startAt);
    const auto start = mark.substring (startAt + 1, machineAt);
    const auto machine = mark.substring (machineAt + 1, machineAt + 1 + machineDigits);
    const auto rest = mark.substring (machineAt + 1 + machineDigits);

    if (! isDecimal (process) || ! isDecimal (start) || ! isLowerHex (machine, machineDigits, machineDigits)
        || ! (rest.isEmpty() || rest.startsWithChar ('.')))
        return false;

    writer.machine = machine;
    writer.processId = process.getLargeIntValue();
    writer.processStart = start.getLargeIntValue();
    return true;
}

bool isTemporaryFileWriterRunning (const TemporaryFileWriter& writer)
{
    const auto& self = thisTemporaryFileWriter();

    if (writer.machine != self.machine || writer.processId <= 0)
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

int removeLeftoverTemporaryFiles (const juce::File& folder)
{
    int removed = 0;

    for (const auto& file : folder.findChildFiles (juce::File::findFiles, false, ".*", juce::File::FollowSymlinks::no))
    {
        TemporaryFileWriter writer;

        if (temporaryFileWriterOf (file, writer) && ! isTemporaryFileWriterRunning (writer) && file.deleteFile())
            ++removed;
    }

    return removed;
}

} // namespace korvid
