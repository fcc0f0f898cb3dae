#include "app/SessionJobs.h"

#include <algorithm>

namespace korvid::ui
{
    namespace
    {
        constexpr int stopTimeoutMs = 30000;
        constexpr int pauseBetweenStepsMs = 40;
    }

    class SessionJobs::Job : public juce::ThreadPoolJob
    {
    public:
        Job (juce::WeakReference<SessionJobs> owner, int jobNumber, std::shared_ptr<std::atomic<bool>> flag, Work toDo)
            : juce::ThreadPoolJob ("session job"),
              jobs (std::move (owner)),
              number (jobNumber),
              stopFlag (std::move (flag)),
              work (std::move (toDo))
        {
        }

        JobStatus runJob() override
        {
            juce::Thread::setCurrentThreadName ("Velvane session job");

            auto answer = work ([this] { return shouldExit() || stopFlag->load(); });

            // Posted even when stopped: the job ends only once the message thread knows.
            postStep (jobs, number, std::make_shared<Answer> (std::move (answer)), 0);
            return jobHasFinished;
        }

        /** Runs step `index` in a message of its own, then the next a moment later; the job
            ends after the last. */
        static void postStep (juce::WeakReference<SessionJobs> owner, int jobNumber, std::shared_ptr<Answer> steps,
                              size_t index)
        {
            auto step = [owner, jobNumber, steps, index]
            {
                if (index < steps->size() && (*steps)[index] != nullptr)
                    (*steps)[index]();

                if (index + 1 < steps->size())
                    postStep (owner, jobNumber, steps, index + 1);
                else if (auto* self = owner.get())
                    self->ended (jobNumber);
            };

            // The message loop runs every message posted while it works in one go, the
            // repaint a step asks for among them: a pause lets the window paint and answer
            // the user between two steps.
            if (index == 0)
                juce::MessageManager::callAsync (std::move (step));
            else
                juce::Timer::callAfterDelay (pauseBetweenStepsMs, std::move (step));
        }

    private:
        const juce::WeakReference<SessionJobs> jobs;
        const int number;
        const std::shared_ptr<std::atomic<bool>> stopFlag;
        const Work work;
    };

    SessionJobs::SessionJobs() = default;

    SessionJobs::~SessionJobs()
    {
        if (wantsBusyCursor())
            juce::MouseCursor::hideWaitCursor();

        stopAll();
        pool.removeAllJobs (true, stopTimeoutMs);
        masterReference.clear();
    }

    int SessionJobs::start (const juce::String& waitText, Work work, bool busyCursor)
    {
        const bool wasBusy = wantsBusyCursor();
        Running job;
        job.busyCursor = busyCursor;
        job.number = ++lastNumber;
        job.waitText = waitText;
        job.stopFlag = std::make_shared<std::atomic<bool>> (false);
        running.push_back (job);

        pool.addJob (new Job (this, job.number, job.stopFlag, std::move (work)), true);
        showCursor (wasBusy);
        listeners.call ([] (Listener& l) { l.sessionJobsChanged(); });
        return job.number;
    }

    void SessionJobs::stop (int number)
    {
        for (auto& job : running)
            if (job.number == number)
                job.stopFlag->store (true);
    }

    void SessionJobs::stopAll()
    {
        for (auto& job : running)
            job.stopFlag->store (true);
    }

    bool SessionJobs::isRunning (int number) const
    {
        return std::any_of (running.begin(), running.end(), [number] (const Running& job) { return job.number == number; });
    }

    juce::String SessionJobs::waitText() const
    {
        return running.empty() ? juce::String() : running.front().waitText;
    }

    void SessionJobs::ended (int number)
    {
        const auto found = std::find_if (running.begin(), running.end(),
                                         [number] (const Running& job) { return job.number == number; });

        if (found == running.end())
            return;

        const bool wasBusy = wantsBusyCursor();
        running.erase (found);
        showCursor (wasBusy);
        listeners.call ([] (Listener& l) { l.sessionJobsChanged(); });
    }

    bool SessionJobs::wantsBusyCursor() const
    {
        return std::any_of (running.begin(), running.end(), [] (const Running& job) { return job.busyCursor; });
    }

    void SessionJobs::showCursor (bool wasBusy)
    {
        const bool busy = wantsBusyCursor();

        if (busy && ! wasBusy)
            juce::MouseCursor::showWaitCursor();
        else if (wasBusy && ! busy)
            juce::MouseCursor::hideWaitCursor();
    }
}
