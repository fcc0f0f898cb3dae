#include "app/pages/import/ImportPage.h"

#include "core/session/TrackFiles.h"

// The disk work of a split, on the page's split thread.
namespace korvid::ui
{
    ImportPage::SplitJob::SplitJob (SplitOutcome request, double splitSeconds, SplitStep split)
        : juce::ThreadPoolJob ("split"),
          outcome (std::move (request)),
          seconds (splitSeconds),
          splitStep (std::move (split))
    {
    }

    ImportPage::SplitOutcome ImportPage::SplitJob::carryOut (SplitOutcome outcome, double splitSeconds,
                                                             const SplitStep& split, const CancelTest& shouldCancel)
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

        const auto result = split (request, shouldCancel);
        outcome.ok = result.ok;

        if (result.ok)
            return outcome;

        outcome.message = result.message;

        if (! moveFileWithoutReplacing (files.keptSource, outcome.original))
            outcome.message << "\n\nThe original could not be put back; it is now "
                            << files.keptSource.getFullPathName() << ".";

        return outcome;
    }

    juce::ThreadPoolJob::JobStatus ImportPage::SplitJob::runJob()
    {
        juce::Thread::setCurrentThreadName ("Velvane split");

        // Sent even when stopped: a page that is gone drops it, and the disk is settled anyway.
        juce::MessageManager::callAsync ([result = carryOut (outcome, seconds, splitStep,
                                                             [this] { return shouldExit(); })]() mutable
        {
            if (auto* target = result.page.getComponent())
                target->applySplitOutcome (std::move (result));
        });

        return jobHasFinished;
    }
}
