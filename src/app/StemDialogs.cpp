#include "app/StemDialogs.h"

#include "app/AppState.h"
#include "core/model/TemplatePalette.h"
#include "ui/ScopedDialogOwner.h"

namespace korvid::ui
{
    namespace
    {
        const juce::String userTemplateCategory ("User");

        bool canAddStem (const AppState& state)
        {
            return (int) state.session.getPreset().schema.stems.size() < maxStemsInSchema;
        }

        /** Adds the stem to the session's preset and assigns the tracks to it by hand. */
        void addStemWithTracks (AppState& state, Stem stem, const juce::StringArray& trackIds)
        {
            auto preset = state.session.getPreset();
            const auto stemId = preset.schema.addStem (std::move (stem)).id;
            state.session.updatePreset (std::move (preset));
            state.session.assignTracks (trackIds, stemId, false);
        }

        void addStemFromTemplate (AppState& state, const StemTemplate& stemTemplate, const juce::StringArray& trackIds)
        {
            // A stem of that name is what the user meant: the tracks go there, no twin is made.
            if (const auto* existing = state.session.getPreset().schema.findStemWithSameName (stemTemplate.displayName, {}))
            {
                state.session.assignTracks (trackIds, existing->id, false);
                return;
            }

            addStemWithTracks (state, stemTemplate.toStem(), trackIds);
        }

        Stem makeStemNamed (const juce::String& name, int stemsBefore)
        {
            Stem stem;
            stem.index = 1;
            stem.displayName = name;
            stem.fileNameToken = name;
            stem.colour = autoStemColour (stemsBefore);
            stem.priority = 0;
            stem.required = false;
            stem.rules.emplace_back (name, 0);   // phrase when the name holds a blank
            return stem;
        }

        bool hasTemplateNamed (const std::vector<StemTemplate>& templates, const juce::String& name)
        {
            for (const auto& t : templates)
                if (t.displayName.trim().equalsIgnoreCase (name))
                    return true;

            return false;
        }

        StemTemplate userTemplateOf (const Stem& stem)
        {
            juce::StringArray keywords;

            for (const auto& rule : stem.rules)
                keywords.add (rule.pattern);

            return StemTemplate (userTemplateCategory, stem.displayName.trim(), stem.shortCode, stem.colour, keywords,
                                 stem.excludeKeywords);
        }

        /** Keeps the stem as a user template unless a template has its name. False, with the
            store's sentence, when the store refuses it (full, or its file would grow too big). */
        bool keepAsUserTemplate (AppState& state, const Stem& stem, juce::String& error)
        {
            const auto name = stem.displayName.trim();

            if (hasTemplateNamed (state.templates.templates, name) || hasTemplateNamed (builtInTemplates(), name))
                return true;

            return state.templates.addOrReplace (userTemplateOf (stem), error);
        }

        /** The shortest name no template has: "a" to "z", then "aa", "ab"... */
        juce::String shortestFreeName (const std::vector<StemTemplate>& templates)
        {
            for (int number = 0;; ++number)
            {
                juce::String name;

                for (auto rest = number;; rest = rest / 26 - 1)
                {
                    name = juce::String::charToString ((juce::juce_wchar) ('a' + rest % 26)) + name;

                    if (rest < 26)
                        break;
                }

                if (! hasTemplateNamed (templates, name))
                    return name;
            }
        }

        /** The name is typed after the prompt is read, so the promise stands only when the
            store would take the smallest template the prompt can make: a new one, named as
            shortly as possible. A longer name it refuses is said once the stem is made. */
        juce::String newStemPromptText (const AppState& state, int trackCount)
        {
            const auto text = juce::String (trackCount) + " track(s) will be put in it";
            const auto stemsBefore = (int) state.session.getPreset().schema.stems.size();
            const auto smallest = makeStemNamed (shortestFreeName (state.templates.templates), stemsBefore);

            if (! state.templates.canTake (userTemplateOf (smallest)))
                return text + ".";

            return text + ", and it will be kept as a template for next time.";
        }
    }

    void addNewStemMenuItems (juce::PopupMenu& menu, AppState& state)
    {
        const bool enabled = canAddStem (state);

        menu.addSeparator();

        const auto& userTemplates = state.templates.templates;

        if (! userTemplates.empty())
        {
            juce::PopupMenu userMenu;

            for (size_t i = 0; i < userTemplates.size(); ++i)
                userMenu.addItem (newStemMenuIds::firstUserTemplate + (int) i, userTemplates[i].displayName, enabled);

            menu.addSubMenu ("New stem from user template", userMenu, enabled);
        }

        const auto& palette = builtInTemplates();
        juce::PopupMenu templateMenu;

        // "New stem" below stands in for the blank templates.
        for (const auto& category : templateCategories())
        {
            if (category == "Blank")
                continue;

            juce::PopupMenu categoryMenu;

            for (size_t i = 0; i < palette.size(); ++i)
                if (palette[i].category == category)
                    categoryMenu.addItem (newStemMenuIds::firstBuiltInTemplate + (int) i, palette[i].displayName, enabled);

            templateMenu.addSubMenu (category, categoryMenu, true);
        }

        menu.addSubMenu ("New stem from template", templateMenu, enabled);
        menu.addItem (newStemMenuIds::newStem, "New stem", enabled);
    }

    bool handleNewStemMenuResult (int id, AppState& state, juce::Component* parent, const juce::StringArray& trackIds)
    {
        if (id < newStemMenuIds::first || id >= newStemMenuIds::first + newStemMenuIds::count)
            return false;

        if (trackIds.isEmpty() || ! canAddStem (state))
            return true;

        if (id == newStemMenuIds::newStem)
        {
            askForNameThenAdd (state, parent, trackIds);
            return true;
        }

        if (id >= newStemMenuIds::firstUserTemplate && id < newStemMenuIds::firstBuiltInTemplate)
        {
            const auto position = (size_t) (id - newStemMenuIds::firstUserTemplate);

            // Copied: adding the stem may change the store's list.
            if (position < state.templates.templates.size())
                addStemFromTemplate (state, StemTemplate (state.templates.templates[position]), trackIds);
        }
        else if (id >= newStemMenuIds::firstBuiltInTemplate)
        {
            const auto position = (size_t) (id - newStemMenuIds::firstBuiltInTemplate);
            const auto& palette = builtInTemplates();

            if (position < palette.size())
                addStemFromTemplate (state, palette[position], trackIds);
        }

        return true;
    }

    void askForNameThenAdd (AppState& state, juce::Component* parent, const juce::StringArray& trackIds)
    {
        juce::Component::SafePointer<juce::Component> safeParent (parent);
        const ScopedDialogOwner owner (*state.dialogs, parent);

        // The ids are those of the selection when the prompt opened; the page may have moved on.
        state.dialogs->askForText ("New stem", newStemPromptText (state, trackIds.size()), {},
                                   [&state, safeParent, trackIds] (std::optional<juce::String> answer)
        {
            if (! answer.has_value())
                return;

            const auto name = answer->trim();

            if (name.isEmpty() || ! canAddStem (state))
                return;

            const auto& schema = state.session.getPreset().schema;

            if (const auto* existing = schema.findStemWithSameName (name, {}))
            {
                const ScopedDialogOwner warningOwner (*state.dialogs, safeParent.getComponent());
                state.dialogs->showMessage (juce::MessageBoxIconType::WarningIcon, "That name is already taken",
                                            "Stem " + juce::String (existing->index).paddedLeft ('0', 2)
                                                + " is already called '" + existing->displayName
                                                + "'. Assign these tracks to it instead, or pick another name.");
                return;
            }

            auto stem = makeStemNamed (name, (int) schema.stems.size());
            addStemWithTracks (state, stem, trackIds);

            // The stem stands either way; a template the store refused is said, as the preset page says it.
            if (juce::String error; ! keepAsUserTemplate (state, stem, error))
            {
                const ScopedDialogOwner warningOwner (*state.dialogs, safeParent.getComponent());
                state.dialogs->showMessage (juce::MessageBoxIconType::WarningIcon, "The template was not saved", error);
            }
        },
        { "Create", "Cancel", "Name" });
    }
}
