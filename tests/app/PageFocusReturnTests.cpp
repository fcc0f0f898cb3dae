#include "app/MainTestSupport.h"
#include "app/MainWindow.h"
#include "app/pages/report/ReportTestSupport.h"
#include "core/model/BuiltInPresets.h"
#include "support/MessageLoop.h"
#include "ui/PreviewTestAudio.h"

namespace korvid::ui
{
namespace
{
    using maintest::pump;
    using K = juce::KeyPress;

    /** The main window on the display with scripted dialogs, over a cue of takes, the stems
        01 Strings, 02 Bass, 03 Drums and 04 Brass, and a delivery of one take, so that every
        page has something to show. Keys go in through the window as the display hands them
        over: to the component with the keyboard focus, or to the window when nothing has it. */
    class PageFocusReturnTest : public maintest::MainComponentTest
    {
    protected:
        void SetUp() override
        {
            MainComponentTest::SetUp();
            window = std::make_unique<MainWindow>();
            build();
            content = main.get();
            window->showMainComponent (std::move (main));

            auto preset = makeEmptyPreset();

            for (const auto* name : { "Strings", "Bass", "Drums", "Brass" })
                preset.schema.addStem (Stem (name, {}, 0xff3366cc, false, 0, { KeywordRule (juce::String (name).toLowerCase()) }));

            state().session.setPreset (preset);

            const auto cue = home->folder.getChildFile ("takes").getChildFile ("1M01");
            ASSERT_TRUE (cue.createDirectory());
            const auto samples = test::makeSignal (1, 8000, [] (int, int) { return 0.25f; });

            for (const auto* name : { "strings_long.wav", "bass_low.wav", "noise.wav" })
                ASSERT_TRUE (test::writeWav (cue.getChildFile (name), samples, 8000.0));

            state().session.importFiles ({ cue.getFullPathName() }, false);
            ASSERT_EQ (state().session.getTracks().size(), 3u);

            // A delivery of one file, so that the Report page has something to act on.
            auto delivered = reporttest::completedCue ("1M01", 1.0);
            delivered.files.push_back (reporttest::writtenFile (cue.getChildFile ("noise.wav"), "noise"));
            BatchReport report;
            report.allCompleted = true;
            report.cues.push_back (std::move (delivered));
            state().setLastReport (std::move (report));

            window->toFront (true);
        }

        void TearDown() override
        {
            window.reset();
            MainComponentTest::TearDown();
        }

        AppState& state()                { return content->getAppState(); }
        juce::ComponentPeer& peer()      { return *window->getPeer(); }

        bool windowHasDisplayFocus()
        {
            return test::pumpMessagesUntil ([this] { return peer().isFocused(); }, 2000);
        }

        bool press (const K& key)        { return peer().handleKeyPress (key); }

        const Track& trackNamed (const juce::String& fileName)
        {
            for (const auto& track : state().session.getTracks())
                if (track.file.getFileName() == fileName)
                    return track;

            ADD_FAILURE() << "no track " << fileName;
            return state().session.getTracks().front();
        }

        juce::String stemNamed (const juce::String& name)
        {
            for (const auto& stem : state().session.getPreset().schema.stems)
                if (stem.displayName == name)
                    return stem.id;

            return {};
        }

        /** The first button on the page that can take the keyboard focus now. */
        static juce::Button* focusableButtonIn (juce::Component& parent)
        {
            for (auto* child : parent.getChildren())
            {
                if (auto* button = dynamic_cast<juce::Button*> (child);
                    button != nullptr && button->isShowing() && button->isEnabled() && button->getWantsKeyboardFocus())
                    return button;

                if (auto* found = focusableButtonIn (*child))
                    return found;
            }

            return nullptr;
        }

        static juce::String focusedName()
        {
            const auto* focused = juce::Component::getCurrentlyFocusedComponent();
            return focused == nullptr ? juce::String ("nothing")
                                      : juce::String (typeid (*focused).name()) + " '" + focused->getName() + "'";
        }

        /** Ctrl+Z takes back an assignment made just before, and a digit shows that page,
            which then holds the focus: the keys reach the page and the window. */
        void expectPageKeysWork (Page next)
        {
            const auto& bass = trackNamed ("bass_low.wav");
            const auto id = bass.id;
            const auto stemBefore = bass.stemId;
            state().session.assignTracks ({ id }, stemNamed ("Drums"), false);
            ASSERT_NE (state().session.findTrack (id)->stemId, stemBefore);

            EXPECT_TRUE (press (K ('z', juce::ModifierKeys::ctrlModifier, 0)));
            EXPECT_EQ (state().session.findTrack (id)->stemId, stemBefore) << "Ctrl+Z did nothing";

            EXPECT_TRUE (press (K ('1' + static_cast<int> (next))));
            EXPECT_EQ (content->getCurrentPage(), next) << "the digit did nothing";
            EXPECT_TRUE (content->getCurrentPageComponent()->hasKeyboardFocus (true)) << "focus is on " << focusedName();
        }

        std::unique_ptr<MainWindow> window;
        MainComponent* content = nullptr;
    };

    TEST_F (PageFocusReturnTest, AfterAssignToDisablesItsButtonTheReviewPagesKeysStillWork)
    {
        if (! windowHasDisplayFocus())
            GTEST_SKIP() << "the display gives no window the focus";

        content->showPage (Page::reviewPage);
        auto& review = *content->getReviewPage();
        const auto strings = trackNamed ("strings_long.wav").id;
        review.selectTracks ({ strings });

        // The press on "Assign to..." gave the button the focus; "04 Brass" is chosen.
        auto& assign = review.getAssignButton();
        ASSERT_TRUE (test::pumpMessagesUntil ([&] { return assign.isEnabled(); }, 5000));   // the page's next tick
        assign.grabKeyboardFocus();
        ASSERT_TRUE (assign.hasKeyboardFocus (false)) << "focus is on " << focusedName();
        const auto context = review.takeAssignMenuContext();
        review.assignMenuItemChosen (ReviewPage::firstStemId + 3, context);
        ASSERT_EQ (state().session.findTrack (strings)->stemId, stemNamed ("Brass"));
        ASSERT_TRUE (test::pumpMessagesUntil ([&] { return ! assign.isEnabled(); }, 5000))
            << "the button stays enabled, so the case is not made";
        EXPECT_TRUE (review.hasKeyboardFocus (true)) << "focus is on " << focusedName();

        EXPECT_TRUE (press (K ('z', juce::ModifierKeys::ctrlModifier, 0)));
        EXPECT_EQ (state().session.findTrack (strings)->stemId, stemNamed ("Strings")) << "Ctrl+Z did nothing";

        EXPECT_TRUE (press (K ('4')));
        EXPECT_EQ (content->getCurrentPage(), Page::exportPage) << "the digit did nothing";
    }

    TEST_F (PageFocusReturnTest, AFocusedControlDisabledOrHiddenLeavesTheFocusWithItsPageOnEveryPage)
    {
        if (! windowHasDisplayFocus())
            GTEST_SKIP() << "the display gives no window the focus";

        for (const bool hide : { false, true })
        {
            for (int index = 0; index < pageCount; ++index)
            {
                const auto shown = static_cast<Page> (index);
                SCOPED_TRACE ("page " + juce::String (index + 1) + (hide ? ", control hidden" : ", control disabled"));

                content->showPage (shown);
                pump();
                auto* button = focusableButtonIn (*content->getCurrentPageComponent());
                ASSERT_NE (button, nullptr);

                button->grabKeyboardFocus();
                ASSERT_TRUE (button->hasKeyboardFocus (false)) << "focus is on " << focusedName();

                if (hide)
                    button->setVisible (false);
                else
                    button->setEnabled (false);

                EXPECT_TRUE (content->getCurrentPageComponent()->hasKeyboardFocus (true)) << "focus is on " << focusedName();
                expectPageKeysWork (static_cast<Page> ((index + 1) % pageCount));

                button->setVisible (true);
                button->setEnabled (true);
            }
        }
    }
}
}
