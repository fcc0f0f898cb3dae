#include "PageBenchSupport.h"

#include "app/pages/review/ReviewPage.h"

// What the Review page keeps the message thread busy with for each thing a user does, from
// the input until the page has settled (the timer's rebuild that follows a session change)
// and painted once: 2048 takes over 256 stems in 16 to 2048 cues.
namespace
{
using korvid::bench::pageBenchWorld;
using korvid::ui::ReviewPage;

/** A Review page over the state of that many cues, showing the first cue. */
struct ReviewBench
{
    explicit ReviewBench (int cueCount)
        : state (pageBenchWorld().stateWith (cueCount))
    {
        page = std::make_unique<ReviewPage> (state);
        page->setSize (korvid::bench::pageWidth, korvid::bench::pageHeight);
        korvid::bench::showOnDesktop (*page);
        chooseCueItem (2);
    }

    void chooseCueItem (int itemId)
    {
        page->getCueBox().setSelectedId (itemId, juce::sendNotificationSync);
        page->tick();
    }

    /** Every group heading of the shown cue, so every row it shows. */
    void selectEveryRow()
    {
        page->getTree().clearSelectedItems();

        for (int g = 0; g < page->getRoot().getNumSubItems(); ++g)
            page->getRoot().getSubItem (g)->setSelected (true, false);
    }

    /** The page catching up with the session, as its next timer tick does, and painting. */
    void settle()
    {
        page->tick();
        korvid::bench::letTheWindowSettle();
    }

    korvid::ui::AppState& state;
    std::unique_ptr<ReviewPage> page;
};

void BM_ReviewAllCues (benchmark::State& bench)
{
    ReviewBench review ((int) bench.range (0));

    for (auto _ : bench)
    {
        bench.PauseTiming();
        review.chooseCueItem (2);
        bench.ResumeTiming();

        review.page->getCueBox().setSelectedId (1, juce::sendNotificationSync);
        review.settle();
    }
}
BENCHMARK (BM_ReviewAllCues)->Apply (korvid::bench::pageCueCounts);

void BM_ReviewNextCue (benchmark::State& bench)
{
    ReviewBench review ((int) bench.range (0));
    auto& box = review.page->getCueBox();
    int item = 2;

    for (auto _ : bench)
    {
        item = item + 1 > box.getNumItems() ? 2 : item + 1;
        box.setSelectedId (item, juce::sendNotificationSync);
        review.settle();
    }
}
BENCHMARK (BM_ReviewNextCue)->Apply (korvid::bench::pageCueCounts);

// "Assign to..." with every row of the first cue selected: the menu opens, then the choice
// moves them all to one stem and the page shows it.
void BM_ReviewAssignMenu (benchmark::State& bench)
{
    ReviewBench review ((int) bench.range (0));
    int stem = 0;

    for (auto _ : bench)
    {
        bench.PauseTiming();
        review.selectEveryRow();
        bench.ResumeTiming();

        review.page->buildAssignMenu (false);
        juce::PopupMenu::dismissAllActiveMenus();
        const auto context = review.page->takeAssignMenuContext();
        review.page->assignMenuItemChosen (ReviewPage::firstStemId + (stem++ % korvid::bench::pageStemCount), context);
        review.settle();
    }
}
BENCHMARK (BM_ReviewAssignMenu)->Apply (korvid::bench::pageCueCounts);

void BM_ReviewUndoRedo (benchmark::State& bench)
{
    ReviewBench review ((int) bench.range (0));
    auto& session = review.state.session;
    const bool undo = bench.range (1) == 0;

    for (auto _ : bench)
    {
        bench.PauseTiming();
        // Something to undo: every track of the first cue moved to one stem.
        review.selectEveryRow();
        review.page->assignMenuItemChosen (ReviewPage::firstStemId + 3, review.page->takeAssignMenuContext());
        review.page->tick();

        if (! undo)
        {
            session.undo();
            review.page->tick();
        }

        bench.ResumeTiming();

        if (undo)
            session.undo();
        else
            session.redo();

        review.settle();
    }
}
BENCHMARK (BM_ReviewUndoRedo)
    ->ArgNames ({ "cues", "redo" })
    ->ArgsProduct ({ { 16, 256, 512, 2048 }, { 0, 1 } })
    ->Unit (benchmark::kMillisecond)->Iterations (5);
} // namespace
