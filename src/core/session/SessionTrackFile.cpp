#include "core/session/Session.h"

#include "core/model/OutputNaming.h"
#include "core/model/PathGuards.h"
#include "core/platform/FileIdentity.h"
#include "core/platform/FileMoves.h"
#include "core/session/TrackFiles.h"

#include <algorithm>

namespace korvid
{

bool Session::renameTrackFile (const juce::String& trackId, const juce::String& newName, juce::String& error)
{
    auto* track = findTrackForEdit (trackId);

    if (track == nullptr)
    {
        error = "That track is no longer in the list.";
        return false;
    }

    const auto current = track->file;

    if (! current.existsAsFile())
    {
        error = "That file is not where it was imported from. It may have been moved or renamed since it "
                "was added to the list.";
        return false;
    }

    const auto target = fileRenamedInPlace (current, newName);

    if (target == juce::File())
    {
        error = "That name has nothing in it that can be used for a file name.";
        return false;
    }

    const auto folder = current.getParentDirectory();

    if (target.getFullPathName() == current.getFullPathName())
    {
        error.clear();
        return true;
    }

    // The next import, a project's reopening among them, would leave the take out.
    if (isSplitSource (target))
    {
        error = "Names ending in _splitted mark files that were split before. Choose another name.";
        return false;
    }

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

    if (isFileNameTaken (target, current))
    {
        error = "There is already a file called '" + target.getFileName() + "' in that folder.";
        return false;
    }

    // Two tracks of one file would deliver the same audio twice.
    if (isFileOfAnotherTrack (target, trackId))
    {
        error = "Another track in the list already uses the name '" + target.getFileName() + "'.";
        return false;
    }

    if (! moveFileWithoutReplacing (current, target))
    {
        error = "The file could not be renamed. It may be open in another program.";
        return false;
    }

    track->file = target;
    track->resolvedFile = fileWithLinksResolved (target);
    error.clear();
    notifyTracksChanged();
    return true;
}

bool Session::isFileOfAnotherTrack (const juce::File& file, const juce::String& exceptTrackId) const
{
    // Through a link, another path can name a listed file.
    const auto resolved = fileWithLinksResolved (file).getFullPathName();

    return std::any_of (tracks.begin(), tracks.end(), [&] (const Track& track)
    {
        if (track.id == exceptTrackId)
            return false;

        const auto& trackResolved = track.resolvedFile == juce::File() ? track.file : track.resolvedFile;
        return track.file.getFullPathName().equalsIgnoreCase (file.getFullPathName())
            || trackResolved.getFullPathName().equalsIgnoreCase (resolved);
    });
}

} // namespace korvid
