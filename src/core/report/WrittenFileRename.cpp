#include "core/report/BatchReport.h"

#include "core/model/OutputNaming.h"
#include "core/model/PathGuards.h"
#include "core/platform/FileMoves.h"

namespace korvid
{

bool BatchReport::renameWrittenFile (const juce::File& file, const juce::String& newName, juce::String& error)
{
    if (! file.existsAsFile())
    {
        error = "That file is not where the report says it is. It may have been moved or renamed since it was written.";
        return false;
    }

    const auto target = fileRenamedInPlace (file, newName);

    if (target == juce::File())
    {
        error = "That name has nothing in it that can be used for a file name.";
        return false;
    }

    const auto folder = file.getParentDirectory();

    if (isSameFile (target, file))
        return true;

    if (! isWithinFolder (folder, target))
    {
        error = "That name would put the file outside its own folder.";
        return false;
    }

    if (! isPathLengthAllowed (target))
    {
        error = "That name makes the path too long for this system.";
        return false;
    }

    if (isFileNameTaken (target, file))
    {
        error = "There is already a file called '" + target.getFileName() + "' in that folder.";
        return false;
    }

    if (! moveFileWithoutReplacing (file, target))
    {
        error = "The file could not be renamed. It may be open in another program.";
        return false;
    }

    for (auto& cue : cues)
        for (auto& written : cue.files)
            if (written.file == file)
                written.file = target;

    return true;
}

} // namespace korvid
