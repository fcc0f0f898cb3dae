#include "app/pages/import/ImportPage.h"

#include "core/session/TrackFiles.h"

// The disk work of a split, on the session's worker.
namespace korvid::ui
{
    namespace
    {
        /** Takes back parts that were written in full: both go, the original returns to its
            path. False with the sentence when the original could not be put back. */
        bool undoSplit (const ImportPage::SplitOutcome& outcome, juce::String& message)
        {
            const auto& files = outcome.files;
            files.secondPart.deleteFile();

            if (! files.firstPart.deleteFile() || ! moveFileWithoutReplacing (files.keptSource, outcome.original))
            {
                message = "The split was stopped, but the original could not be put back; it is now "
                        + files.keptSource.getFullPathName() + ".";
                return false;
            }

            return true;
        }
    }

    ImportPage::SplitOutcome ImportPage::carryOutSplit (SplitOutcome outcome, double splitSeconds, const SplitStep& split,
                                                        const CancelTest& shouldStop)
    {
        const auto& files = outcome.files;

        if (! outcome.original.existsAsFile())
        {
            outcome.message = "The track's file is no longer where it was imported from.";
            return outcome;
        }

        if (! moveFileWithoutReplacing (outcome.original, files.keptSource))
        {
            outcome.message = "The original could not be renamed. It may be open in another program.";
            return outcome;
        }

        TrackSplitRequest request;
        request.source = files.keptSource;
        request.splitSeconds = splitSeconds;
        request.firstPart = files.firstPart;
        request.secondPart = files.secondPart;
        request.crossfadeMs = splitCrossfadeMs;

        const auto result = split (request, shouldStop);

        // The last word on whether the split stands: a withdrawal that comes later finds the
        // split done, one that came before finds the original back.
        if (isCancelled (shouldStop))
        {
            outcome.withdrawn = true;

            if (result.ok)
            {
                undoSplit (outcome, outcome.message);
                return outcome;
            }
        }

        outcome.ok = result.ok;

        if (result.ok)
            return outcome;

        if (! outcome.withdrawn)
            outcome.message = result.message;

        if (! moveFileWithoutReplacing (files.keptSource, outcome.original))
        {
            if (outcome.message.isNotEmpty())
                outcome.message << "\n\n";

            outcome.message << "The original could not be put back; it is now " << files.keptSource.getFullPathName() << ".";
        }

        return outcome;
    }
}
