#include "core/platform/PrivateFolders.h"

#if JUCE_LINUX || JUCE_MAC || JUCE_BSD
 #include <sys/stat.h>
 #include <unistd.h>
#endif

namespace korvid
{
    namespace
    {
       #if JUCE_LINUX || JUCE_MAC || JUCE_BSD
        /** A real folder (a link is not followed) owned by this user. */
        bool isOwnFolder (const juce::File& folder)
        {
            struct stat info {};

            if (lstat (folder.getFullPathName().toRawUTF8(), &info) != 0)
                return false;

            return S_ISDIR (info.st_mode) && info.st_uid == geteuid();
        }
       #else
        bool isOwnFolder (const juce::File& folder)
        {
            return folder.isDirectory();
        }
       #endif
    }

    juce::File privateBaseFolder (const juce::String& programName)
    {
        const auto runtime = juce::SystemStats::getEnvironmentVariable ("XDG_RUNTIME_DIR", {});

        // A folder of the program's own inside either, so its files never meet another program's.
        if (runtime.isNotEmpty() && juce::File::isAbsolutePath (runtime) && isOwnFolder (juce::File (runtime)))
            return juce::File (runtime).getChildFile (programName);

        return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory).getChildFile (programName);
    }

    bool preparePrivateFolder (const juce::File& folder, juce::String& error)
    {
        const auto refused = "The folder for temporary files, " + folder.getFullPathName() + ", cannot be used.";

       #if JUCE_LINUX || JUCE_MAC || JUCE_BSD
        const auto path = folder.getFullPathName().toRawUTF8();

        if (! folder.exists())
        {
            folder.getParentDirectory().createDirectory();

            if (mkdir (path, S_IRWXU) != 0 && ! folder.isDirectory())
            {
                error = refused;
                return false;
            }
        }

        if (! isOwnFolder (folder) || chmod (path, S_IRWXU) != 0)
        {
            error = refused;
            return false;
        }
       #else
        if (! folder.isDirectory() && folder.createDirectory().failed())
        {
            error = refused;
            return false;
        }
       #endif

        error.clear();
        return true;
    }
}
