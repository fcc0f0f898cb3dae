#include "app/pages/export/DeliveryPlanner.h"

#include "app/pages/export/NamingPreview.h"
#include "core/render/OutputFiles.h"

#include <algorithm>

namespace korvid::ui
{
    namespace
    {
        constexpr int stopTimeoutMs = 10000;
    }

    std::vector<Track> tracksForPlanning (const std::vector<Track>& tracks)
    {
        std::vector<Track> copies;
        copies.reserve (tracks.size());

        for (const auto& track : tracks)
        {
            Track copy;
            copy.file = track.file;
            copy.info = track.info;
            copy.cueId = track.cueId;
            copy.error = track.error;
            copy.stemId = track.stemId;
            copies.push_back (std::move (copy));
        }

        return copies;
    }

    PlannedDelivery planDelivery (const PlanningInputs& inputs, RenderPlanningCache& cache, const CancelTest& cancelled)
    {
        PlannedDelivery delivery;
        delivery.sessionVersion = inputs.sessionVersion;
        delivery.preset = inputs.preset;
        delivery.exportFolder = inputs.exportFolder;
        delivery.analysisOnly = inputs.analysisOnly;
        delivery.plan = cache.plan (*inputs.preset, *inputs.tracks, *inputs.cues, inputs.exportFolder,
                                    inputs.analysisOnly, cancelled);

        if (! inputs.analysisOnly)
            return delivery;

        // The first cue's files as the render names them; until a cue writes a stem, the
        // preset's own stems show how the names will look.
        const auto& requests = delivery.plan.requests;
        const bool writesStems = ! inputs.cues->empty() && ! requests.empty()
            && std::any_of (requests.front().request.stems.begin(), requests.front().request.stems.end(),
                            [] (const RequestStem& stem) { return isStemExported (stem); });

        delivery.namingPreview = writesStems ? namingPreviewText (requests.front().request)
                                             : namingPreviewText (*inputs.preset, *inputs.cues);

        return delivery;
    }

    //==============================================================================
    class DeliveryPlanner::Job : public juce::ThreadPoolJob
    {
    public:
        Job (RenderPlanningCache& cacheToUse, std::shared_ptr<Newest> newestRequests, int requestNumber,
             PlanningInputs inputsToPlan, Callback callback)
            : juce::ThreadPoolJob ("Velvane planning"),
              cache (cacheToUse),
              newest (std::move (newestRequests)),
              number (requestNumber),
              inputs (std::move (inputsToPlan)),
              onPlanned (std::move (callback))
        {
        }

        JobStatus runJob() override
        {
            // A newer request came while this one waited: its plan would be dropped anyway.
            if (number != newest->of (inputs.analysisOnly).load())
                return jobHasFinished;

            auto delivery = std::make_shared<PlannedDelivery> (planDelivery (inputs, cache, [this] { return shouldExit(); }));

            if (shouldExit())
                return jobHasFinished;

            delivery->number = number;
            onPlanned (std::move (delivery));
            return jobHasFinished;
        }

    private:
        RenderPlanningCache& cache;   // the pool runs one job at a time
        std::shared_ptr<Newest> newest;
        const int number;
        const PlanningInputs inputs;
        const Callback onPlanned;
    };

    // Holds the only reference to a plan until the worker lets it go.
    class DeliveryPlanner::Disposal : public juce::ThreadPoolJob
    {
    public:
        explicit Disposal (std::shared_ptr<PlannedDelivery> deliveryToFree)
            : juce::ThreadPoolJob ("Velvane planning"), delivery (std::move (deliveryToFree))
        {
        }

        JobStatus runJob() override
        {
            delivery.reset();
            return jobHasFinished;
        }

    private:
        std::shared_ptr<PlannedDelivery> delivery;
    };

    DeliveryPlanner::~DeliveryPlanner()
    {
        newest->analysis.store (-1);
        newest->render.store (-1);
        pool.removeAllJobs (true, stopTimeoutMs);
    }

    int DeliveryPlanner::request (PlanningInputs inputs, Callback onPlanned)
    {
        const int number = ++lastNumber;
        newest->of (inputs.analysisOnly).store (number);
        pool.addJob (new Job (cache, newest, number, std::move (inputs), std::move (onPlanned)), true);
        return number;
    }

    void DeliveryPlanner::discard (std::shared_ptr<PlannedDelivery> delivery)
    {
        if (delivery != nullptr)
            pool.addJob (new Disposal (std::move (delivery)), true);
    }
}
