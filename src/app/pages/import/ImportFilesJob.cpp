#include "app/pages/import/ImportPage.h"

#include <memory>

// The disk's half of an import, on the page's import thread.
namespace korvid::ui
{
    ImportPage::ImportJob::ImportJob (juce::Component::SafePointer<ImportPage> pageToAnswer,
                                      juce::Array<juce::File> pathsToImport, ImportRequest requestToScan)
        : juce::ThreadPoolJob ("import"),
          page (std::move (pageToAnswer)),
          paths (std::move (pathsToImport)),
          request (std::move (requestToScan))
    {
    }

    juce::ThreadPoolJob::JobStatus ImportPage::ImportJob::runJob()
    {
        juce::Thread::setCurrentThreadName ("Velvane import");

        auto prepared = std::make_shared<PreparedImport> (prepareImport (std::move (request),
                                                                         [this] { return shouldExit(); }));

        if (prepared->cancelled || shouldExit())
            return jobHasFinished;

        juce::MessageManager::callAsync ([safePage = page, importedPaths = paths, prepared]
        {
            if (safePage != nullptr)
                safePage->finishImport (importedPaths, *prepared);
        });

        return jobHasFinished;
    }
}
