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

            // Posted even when stopped: the job ends only once the message thread knows. With
            // the worker gone (the program closing) nothing is left to answer.
            juce::MessageManager::callAsync ([owner = jobs, jobNumber = number,
                                              steps = std::make_shared<Answer> (std::move (answer))]
            {
                if (auto* self = owner.get())
                    self->answerArrived (jobNumber, steps);
            });

            return jobHasFinished;
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

        stopTimer();
        stopAll();
        masterReference.clear();
        pool.removeAllJobs (true, stopTimeoutMs);
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

    void SessionJobs::answerArrived (int number, std::shared_ptr<Answer> steps)
    {
        answers.push_back ({ number, std::move (steps), 0 });

        if (! isTimerRunning() && answers.size() == 1)
            runNextStep();
    }

    void SessionJobs::timerCallback()
    {
        stopTimer();
        runNextStep();
    }

    void SessionJobs::runNextStep()
    {
        if (answers.empty())
            return;

        // Taken out first: the step may start or stop jobs, which changes the queue.
        auto& front = answers.front();
        const auto number = front.number;
        const auto steps = front.steps;
        const auto index = front.next++;
        const bool last = front.next >= steps->size();

        if (last)
            answers.pop_front();

        if (index < steps->size() && (*steps)[index] != nullptr)
            (*steps)[index]();

        if (last)
            ended (number);

        // The message loop runs every message posted while it works in one go, the repaint a
        // step asks for among them: a pause lets the window paint and answer the user between
        // two steps.
        if (! answers.empty())
            startTimer (pauseBetweenStepsMs);
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
