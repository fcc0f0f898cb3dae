#pragma once

#include "core/audio/CancelTest.h"
#include "core/render/RenderPlanning.h"
#include "core/render/RenderPlanningCache.h"

#include <juce_core/juce_core.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace korvid::ui
{
    /** What the Levels & export page plans from: copies of the session taken on the message
        thread, only read afterwards. */
    struct PlanningInputs
    {
        std::shared_ptr<const Preset> preset;
        std::shared_ptr<const std::vector<Track>> tracks;   // the fields planning reads
        std::shared_ptr<const std::vector<Cue>> cues;       // the session's cues with tracks
        juce::File exportFolder;
        bool analysisOnly = true;
        int sessionVersion = 0;                             // the page's count of changes when taken
    };

    /** A plan and the naming preview made from it. */
    struct PlannedDelivery
    {
        int number = 0;                 // of the request it answers
        int sessionVersion = 0;
        std::shared_ptr<const Preset> preset;   // planned with
        juce::File exportFolder;
        bool analysisOnly = true;
        RenderPlan plan;
        juce::String namingPreview;     // of analysis plans only
    };

    /** The tracks as planning reads them: file, probe, cue, error and stem, nothing more. */
    std::vector<Track> tracksForPlanning (const std::vector<Track>& tracks);

    /** The plan of these inputs and, for an analysis, its naming preview: of the first cue's
        request once it writes a stem, else of the preset as if every stem were written. */
    PlannedDelivery planDelivery (const PlanningInputs& inputs, RenderPlanningCache& cache, const CancelTest& cancelled);

    /** Plans on a worker thread of its own, one plan at a time, so that the message thread
        only hands over what is planned from. A request that has not started when a newer one
        of its kind (analysis or render) comes is passed over. Each plan goes to its callback
        on the worker, which must post it on. Made, used and destroyed on the message thread. */
    class DeliveryPlanner
    {
    public:
        using Callback = std::function<void (std::shared_ptr<PlannedDelivery>)>;

        DeliveryPlanner() = default;

        /** Passes over waiting requests, stops the plan under way and waits for it. */
        ~DeliveryPlanner();

        /** Plans these inputs; gives the request's number. */
        int request (PlanningInputs inputs, Callback onPlanned);

        /** Frees a plan on the worker: thousands of cues take a while to free. */
        void discard (std::shared_ptr<PlannedDelivery> delivery);

    private:
        class Job;
        class Disposal;

        // The newest request of each kind, read by waiting jobs.
        struct Newest
        {
            std::atomic<int> analysis { 0 }, render { 0 };
            std::atomic<int>& of (bool analysisOnly)   { return analysisOnly ? analysis : render; }
        };

        // Declared before the pool, so they outlive every job.
        RenderPlanningCache cache;
        std::shared_ptr<Newest> newest = std::make_shared<Newest>();
        int lastNumber = 0;
        juce::ThreadPool pool { 1 };

        JUCE_DECLARE_NON_COPYABLE (DeliveryPlanner)
    };
}
