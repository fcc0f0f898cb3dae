#include "app/pages/preset/PresetPage.h"

#include "app/AppState.h"
#include "app/pages/preset/PresetDrawing.h"
#include "ui/Fonts.h"
#include "ui/LayoutHelpers.h"
#include "ui/Palette.h"
#include "ui/ScopedDialogOwner.h"

namespace korvid::ui
{
    namespace
    {
        struct HeadingParts
        {
            juce::Rectangle<int> play, name, cross;
        };

        /** A heading column: the cross at its right end, the play button first while a
            cue is chosen, the name in between. */
        HeadingParts headingParts (juce::Rectangle<int> column, bool showPlay)
        {
            HeadingParts parts;
            auto rest = column;
            parts.cross = rest.removeFromRight (juce::jmin (rest.getWidth(), 16));
            parts.play = showPlay ? rest.removeFromLeft (juce::jmin (rest.getWidth(), 18))
                                  : juce::Rectangle<int> (rest.getX(), rest.getY(), 0, rest.getHeight());
            parts.name = rest;
            return parts;
        }
    }

    //==============================================================================
    void PresetPage::refreshTickCache()
    {
        const auto& schema = appState.session.getPreset().schema;
        const auto* cue = tickCueId.isNotEmpty() ? appState.session.findCue (tickCueId) : nullptr;

        tickedMembers.clear();

        for (const auto& submix : schema.submixes)
        {
            const auto members = cue != nullptr ? cue->stemsForSubmix (submix) : submix.stems;
            tickedMembers.emplace_back (submix.id, std::set<juce::String> (members.begin(), members.end()));
        }

        stemsWithTracksInCue.clear();

        if (tickCueId.isEmpty())
            return;

        for (const auto& track : appState.session.getTracks())
            if (track.cueId == tickCueId && track.stemId.isNotEmpty() && track.isUsable())
                stemsWithTracksInCue.insert (track.stemId);
    }

    bool PresetPage::isSubmixMember (const Submix& submix, const Stem& stem) const
    {
        for (const auto& [mixId, members] : tickedMembers)
            if (mixId == submix.id)
                return members.count (stem.id) > 0;

        // A mix the cache does not know yet: asked directly.
        if (tickCueId.isNotEmpty())
            if (const auto* cue = appState.session.findCue (tickCueId))
                return cue->stemsForSubmix (submix).contains (stem.id);

        return submix.stems.contains (stem.id);
    }

    void PresetPage::toggleSubmixMember (int row, int column)
    {
        const auto& schema = appState.session.getPreset().schema;

        if (row < 0 || row >= (int) schema.stems.size() || column < 0 || column >= (int) schema.submixes.size())
            return;

        const auto stemId = schema.stems[(size_t) row].id;
        const auto* submix = schema.findSubmix (schema.submixes[(size_t) column].id);

        if (submix == nullptr)
            return;

        if (tickCueId.isNotEmpty())
        {
            // The cue's own exception: kept in the project, not in the preset.
            const auto mix = *submix;
            const bool member = isSubmixMember (mix, schema.stems[(size_t) row]);
            appState.session.setSubmixOverride (tickCueId, mix, stemId, ! member);
            refreshTickCache();
            repaintStemsAndHeading();
            return;
        }

        auto copy = schema;
        const bool member = submix->stems.contains (stemId);

        if (copy.setSubmixMember (submix->id, stemId, ! member))
            applySchemaEdit (std::move (copy));
    }

    void PresetPage::applySchemaEdit (StemSchema&& schema)
    {
        auto preset = appState.session.getPreset();
        preset.schema = std::move (schema);
        appState.session.updatePreset (std::move (preset));
        refreshEditors();
        markDirty();
        resized();
        repaint();
    }

    //==============================================================================
    void PresetPage::addSubmix()
    {
        if ((int) appState.session.getPreset().schema.submixes.size() >= StemSchema::maxSubmixes)
        {
            const ScopedDialogOwner owner (*appState.dialogs, this);
            appState.dialogs->showMessage (juce::MessageBoxIconType::InfoIcon, "That is as many as you can have",
                                           "A schema can define up to " + juce::String (StemSchema::maxSubmixes)
                                               + " alternative mixes. Each one is a whole extra render of the project.");
            return;
        }

        askForName ("New alternative mix", "Instrumental", [this] (const juce::String& name)
        {
            auto schema = appState.session.getPreset().schema;

            if (schema.addSubmix (name).isNotEmpty())
                applySchemaEdit (std::move (schema));
        }, "Name:");
    }

    void PresetPage::renameSubmix (const juce::String& id)
    {
        const auto* submix = appState.session.getPreset().schema.findSubmix (id);

        if (submix == nullptr)
            return;

        juce::Component::SafePointer<PresetPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->askForFields ("Rename the alternative mix", "This name is what the file is called.",
                                        { { "name", "Name", submix->name },
                                          { "code", "Short code (optional)", submix->shortCode } },
                                        [safeThis, id] (std::optional<juce::StringArray> texts)
        {
            if (safeThis == nullptr || ! texts.has_value())
                return;

            const auto name = (*texts)[0].trim();

            if (name.isEmpty())
                return;

            auto schema = safeThis->appState.session.getPreset().schema;

            auto* mix = schema.findSubmix (id);

            if (mix != nullptr && (mix->name != name || mix->shortCode != (*texts)[1].trim()))
            {
                mix->name = name;
                mix->shortCode = (*texts)[1].trim();
                safeThis->applySchemaEdit (std::move (schema));
            }
        },
        { "Rename", "Cancel", {} });
    }

    void PresetPage::removeSubmix (const juce::String& id)
    {
        const auto* submix = appState.session.getPreset().schema.findSubmix (id);

        if (submix == nullptr)
            return;

        juce::Component::SafePointer<PresetPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->confirm (juce::MessageBoxIconType::QuestionIcon, "Remove this alternative mix?",
                                   "\"" + submix->name + "\" will no longer be written. The stems themselves are not affected.",
                                   "OK", "Cancel", [safeThis, id] (bool ok)
        {
            if (! ok || safeThis == nullptr)
                return;

            auto schema = safeThis->appState.session.getPreset().schema;

            if (schema.removeSubmix (id))
                safeThis->applySchemaEdit (std::move (schema));
        });
    }

    //==============================================================================
    int PresetPage::mixColumnAt (int x) const
    {
        const auto layout = layoutStemRow (mixHeading->getLocalBounds(), (int) appState.session.getPreset().schema.submixes.size(),
                                           mixScrollOffset, tickCueId.isNotEmpty(), mixColumnWidth);

        if (x < layout.mixArea.getX() || x >= layout.mixArea.getRight())
            return -1;

        for (size_t i = 0; i < layout.mixColumns.size(); ++i)
            if (x >= layout.mixColumns[i].getX() && x < layout.mixColumns[i].getRight())
                return (int) i;

        return -1;
    }

    int PresetPage::mixCrossAt (int x) const
    {
        const int column = mixColumnAt (x);

        if (column < 0)
            return -1;

        const auto layout = layoutStemRow (mixHeading->getLocalBounds(), (int) appState.session.getPreset().schema.submixes.size(),
                                           mixScrollOffset, tickCueId.isNotEmpty(), mixColumnWidth);
        const auto cross = headingParts (layout.mixColumns[(size_t) column], tickCueId.isNotEmpty()).cross;
        return x >= cross.getX() && x < cross.getRight() ? column : -1;
    }

    //==============================================================================
    void PresetPage::SubmixHeader::paint (juce::Graphics& g)
    {
        const auto& submixes = page.appState.session.getPreset().schema.submixes;
        const bool showPlay = page.tickCueId.isNotEmpty();
        const auto layout = page.layoutStemRow (getLocalBounds(), (int) submixes.size(), page.mixScrollOffset, showPlay,
                                                page.mixColumnWidth);

        g.setFont (bodyFont());
        g.setColour (colours::textSecondary);
        g.drawText ("Stem", layout.nameArea.getX() + 12, layout.nameArea.getY(), juce::jmax (layout.nameArea.getWidth() - 12, 0),
                    layout.nameArea.getHeight(), juce::Justification::centredLeft, true);

        const juce::Graphics::ScopedSaveState clip (g);
        g.reduceClipRegion (layout.mixArea);

        for (size_t i = 0; i < layout.mixColumns.size(); ++i)
        {
            const auto column = layout.mixColumns[i];
            const auto parts = headingParts (column, showPlay);
            const auto& submix = submixes[i];

            g.setColour (colours::subtleOutline);
            g.fillRect (column.getX(), 4, 1, getHeight() - 8);

            if (showPlay)
            {
                const bool playing = page.appState.preview.getCurrentKey() == page.mixAuditionKey (submix.id)
                                  && (page.appState.preview.playing.load() || page.appState.preview.loading.load());
                drawPlaySymbol (g, parts.play, playing);
            }

            g.setColour (colours::textPrimary);
            g.setFont (bodyFont());
            g.drawText (submix.name, parts.name.getX() + 4, parts.name.getY(), juce::jmax (parts.name.getWidth() - 8, 0),
                        parts.name.getHeight(), juce::Justification::centred, true);

            const int crossWidth = juce::jmin (column.getWidth(), 16);
            const float x = (float) (column.getX() + (crossWidth - 9) / 2 + (column.getWidth() - crossWidth));
            const float y = (float) (column.getY() + (column.getHeight() - 9) / 2);
            g.setColour ((int) i == hoveredCross ? colours::textPrimary : colours::textSecondary);
            g.drawLine (x, y, x + 9.0f, y + 9.0f, 1.4f);
            g.drawLine (x + 9.0f, y, x, y + 9.0f, 1.4f);
        }
    }

    void PresetPage::SubmixHeader::mouseMove (const juce::MouseEvent& e)
    {
        const int cross = page.mixCrossAt (e.x);

        if (cross != hoveredCross)
        {
            hoveredCross = cross;
            repaint();
        }
    }

    void PresetPage::SubmixHeader::mouseExit (const juce::MouseEvent&)
    {
        if (hoveredCross != -1)
        {
            hoveredCross = -1;
            repaint();
        }
    }

    void PresetPage::SubmixHeader::mouseDown (const juce::MouseEvent& e)
    {
        const int column = page.mixColumnAt (e.x);

        if (column < 0)
            return;

        const auto submix = page.appState.session.getPreset().schema.submixes[(size_t) column];

        if (page.mixCrossAt (e.x) == column)
        {
            page.removeSubmix (submix.id);
            return;
        }

        if (page.tickCueId.isNotEmpty())
        {
            const auto layout = page.layoutStemRow (getLocalBounds(), (int) page.appState.session.getPreset().schema.submixes.size(),
                                                    page.mixScrollOffset, true, page.mixColumnWidth);
            const auto play = headingParts (layout.mixColumns[(size_t) column], true).play;

            if (e.x >= play.getX() && e.x < play.getRight())
            {
                page.auditionMix (submix);
                return;
            }
        }

        if (! e.mods.isPopupMenu())
            return;

        juce::PopupMenu menu;
        menu.addItem (1, "Rename...");
        menu.addItem (2, "Remove this alternative mix");

        juce::Component::SafePointer<PresetPage> safePage (&page);
        const auto id = submix.id;
        menu.showMenuAsync (popupMenuOptions (page).withTargetComponent (this), [safePage, id] (int result)
        {
            if (safePage == nullptr)
                return;

            if (result == 1)
                safePage->renameSubmix (id);
            else if (result == 2)
                safePage->removeSubmix (id);
        });
    }

    void PresetPage::SubmixHeader::mouseDoubleClick (const juce::MouseEvent& e)
    {
        const int column = page.mixColumnAt (e.x);

        if (column < 0 || page.mixCrossAt (e.x) == column)
            return;

        page.renameSubmix (page.appState.session.getPreset().schema.submixes[(size_t) column].id);
    }

    juce::String PresetPage::SubmixHeader::getTooltip()
    {
        return "Double-click a heading to rename it. The cross removes that alternative mix.";
    }
}
