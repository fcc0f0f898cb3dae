#pragma once

#include "core/audio/CancelTest.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace korvid::ui
{
    /** The worker of everything whose result changes the session's list: imports, the files of
        a project being opened, splits. One thread, so jobs run in the order they were asked for
        and a split's disk work never overlaps the scan of its folder.

        A job counts as running until its answer has been handled on the message thread: until
        then the session is about to change, and a run planned from it now would be planned
        from a list that is on its way out. Message thread only, but for the work itself. */
    class SessionJobs : private juce::Timer
    {
    public:
        class Listener
        {
        public:
            virtual ~Listener() = default;
            /** A job started or ended. */
            virtual void sessionJobsChanged() = 0;
        };

        /** The work, on the worker: it checks `shouldStop` between steps, and gives back what
            then runs on the message thread: steps that run one at a time, a moment apart, so
            that no stretch of the message thread grows long (may be empty). The answer runs
            even when the work was stopped, and its steps must look after their own safe
            pointers. */
        using Answer = std::vector<std::function<void()>>;
        using Work = std::function<Answer (const CancelTest& shouldStop)>;

        SessionJobs();

        /** Stops every job and waits for the worker: a split puts its original back first, which
            may wait for the disk, so it gets time. Answers not yet run are dropped. */
        ~SessionJobs() override;

        /** Queues the work and gives its number. `waitText` is the sentence of a run that
            waits for it ("Waiting for the split of 'X' to finish."). While a job started with
            `busyCursor` runs, the mouse shows the wait cursor. */
        int start (const juce::String& waitText, Work work, bool busyCursor = false);

        /** Asks the job to stop at its next check; it still ends with its answer. */
        void stop (int number);
        void stopAll();

        bool isBusy() const noexcept                  { return ! running.empty(); }
        bool isRunning (int number) const;
        /** The wait text of the oldest job still running; empty when none runs. */
        juce::String waitText() const;

        juce::ListenerList<Listener> listeners;

    private:
        class Job;

        struct Running
        {
            int number = 0;
            juce::String waitText;
            std::shared_ptr<std::atomic<bool>> stopFlag;
            bool busyCursor = false;
        };

        bool wantsBusyCursor() const;
        void showCursor (bool wasBusy);

        /** An answer on the message thread: its steps run in turn, one at a time, after those
            of answers that came before, with a pause between two steps. */
        void answerArrived (int number, std::shared_ptr<Answer> steps);
        void runNextStep();
        void timerCallback() override;
        void ended (int number);

        struct PendingAnswer
        {
            int number = 0;
            std::shared_ptr<Answer> steps;
            size_t next = 0;
        };

        juce::ThreadPool pool { 1 };
        std::vector<Running> running;
        std::deque<PendingAnswer> answers;
        int lastNumber = 0;

        JUCE_DECLARE_WEAK_REFERENCEABLE (SessionJobs)
        JUCE_DECLARE_NON_COPYABLE (SessionJobs)
    };
}
