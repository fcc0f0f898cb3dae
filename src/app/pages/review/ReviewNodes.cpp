#include "app/pages/review/ReviewPage.h"

#include "app/AppState.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

// The tree's items: how a group heading and a track row look, their tooltips and clicks.
namespace korvid::ui
{
    ReviewPage::StemNode::StemNode (ReviewPage& owner, juce::String stemIdToShow, juce::String name,
                                    juce::uint32 argb, int stemIndex)
        : page (owner), stemId (std::move (stemIdToShow)), displayName (std::move (name)), colour (argb),
          index (stemIndex)
    {
    }

    juce::String ReviewPage::StemNode::getUniqueName() const
    {
        return "stem:" + (stemId.isEmpty() ? juce::String ("unassigned") : stemId);
    }

    juce::String ReviewPage::StemNode::headingText() const
    {
        if (stemId.isEmpty())
            return "Unassigned";

        return juce::String (index).paddedLeft ('0', 2) + "  " + displayName;
    }

    juce::String ReviewPage::StemNode::countText() const
    {
        const int rows = getNumSubItems();
        return juce::String (rows) + (rows == 1 ? " track" : " tracks");
    }

    void ReviewPage::StemNode::paintItem (juce::Graphics& g, int width, int height)
    {
        g.setColour (colours::raisedBackground);
        g.fillRect (0, 2, width, height - 4);

        // The heading covers the tree's own selection fill, so a selected one is outlined.
        if (isSelected())
        {
            g.setColour (colours::accent);
            g.drawRect (0, 2, width, height - 4, 1);
        }

        g.setColour (stemId.isEmpty() ? colours::bad : juce::Colour (colour));
        g.fillRoundedRectangle (0.0f, 3.0f, (float) juce::jmin (width, 5), (float) (height - 6), 2.0f);

        constexpr int nameLeft = 11;
        const int remaining = juce::jmax (0, width - nameLeft);
        const int countWidth = juce::jmin (150, remaining);

        g.setFont (headingFont());
        g.setColour (colours::textPrimary);
        g.drawText (headingText(), nameLeft, 0, remaining - countWidth, height, juce::Justification::centredLeft, true);

        g.setFont (smallFont());
        g.setColour (colours::textSecondary);
        g.drawText (countText(), width - countWidth, 0, countWidth, height, juce::Justification::centredRight, true);
    }

    void ReviewPage::StemNode::itemClicked (const juce::MouseEvent& e)
    {
        if (! e.mods.isPopupMenu())
            return;

        if (! isSelected())
            setSelected (true, true);

        page.showStemMenu();
    }

    void ReviewPage::StemNode::itemDoubleClicked (const juce::MouseEvent&)
    {
        setSelected (true, true);
        page.auditionSelection (std::nullopt);
    }

    void ReviewPage::StemNode::itemSelectionChanged (bool)
    {
        page.onSelectionChanged();
    }

    juce::String ReviewPage::StemNode::getTooltip()
    {
        if (stemId.isEmpty())
            return "Tracks the engine could not place. Drag them onto a stem.";

        return "Click to select the whole stem, then press Track to hear its tracks summed. Double-click does the "
               "same.\nRight-click for the stem order and for expanding everything at once.";
    }

    //==============================================================================
    ReviewPage::TrackNode::TrackNode (ReviewPage& owner, juce::String trackIdToShow)
        : page (owner), trackId (std::move (trackIdToShow))
    {
    }

    void ReviewPage::TrackNode::paintItem (juce::Graphics& g, int width, int height)
    {
        const auto* track = page.appState.session.findTrack (trackId);

        if (track == nullptr)
            return;

        if (isSelected())
        {
            g.setColour (colours::accent.withAlpha (0.25f));
            g.fillRect (0, 0, width, height);
        }

        const auto confidence = confidenceColour (track->confidence);
        const juce::Rectangle<int> badge (6, 4, juce::jmax (0, juce::jmin (width - 12, 78)), juce::jmax (0, height - 8));
        g.setColour (confidence.withAlpha (0.22f));
        g.fillRoundedRectangle (badge.toFloat(), 3.0f);
        g.setFont (tinyFont());
        g.setColour (confidence);
        g.drawText (confidenceLabel (track->confidence), badge, juce::Justification::centred, true);

        auto rest = juce::Rectangle<int> (0, 0, width, height).withTrimmedLeft (badge.getRight() + 6);
        const auto lockCell = rest.removeFromLeft (juce::jmin (18, rest.getWidth()));

        if (track->source == AssignmentSource::locked)
        {
            g.setFont (smallFont());
            g.setColour (colours::accent);
            g.drawText ("L", lockCell, juce::Justification::centred, false);
        }

        const bool usable = track->isUsable();
        const auto right = rest.removeFromRight (juce::jmin (rest.getWidth() / 2, 280));

        g.setFont (bodyFont());
        g.setColour (usable ? colours::textPrimary : colours::bad);
        g.drawText (track->file.getFileName(), rest, juce::Justification::centredLeft, true);

        g.setFont (smallFont());
        g.setColour (colours::textSecondary);
        g.drawText (usable ? track->matchedKeywords.joinIntoString (", ") : track->error, right,
                    juce::Justification::centredRight, true);
    }

    void ReviewPage::TrackNode::itemDoubleClicked (const juce::MouseEvent&)
    {
        page.auditionTrack (trackId);
    }

    void ReviewPage::TrackNode::itemSelectionChanged (bool)
    {
        page.onSelectionChanged();
    }

    juce::String ReviewPage::TrackNode::getTooltip()
    {
        if (const auto* track = page.appState.session.findTrack (trackId))
            return track->file.getFullPathName() + "\n" + track->reason;

        return {};
    }
}
