#include "app/pages/preset/PresetPage.h"

#include "app/AppState.h"
#include "app/StemDialogs.h"
#include "core/model/TemplatePalette.h"
#include "ui/LayoutHelpers.h"
#include "ui/ScopedDialogOwner.h"

#include <limits>

namespace korvid::ui
{
    namespace
    {
        const juce::String noRoomTitle ("No room for more stems");

        juce::String noRoomText()
        {
            return "A schema holds at most " + juce::String (maxStemsInSchema) + " stems.";
        }

        juce::String templateMenuText (const StemTemplate& stemTemplate)
        {
            return stemTemplate.displayName + "   (" + stemTemplate.summaryText() + ")";
        }

        /** Split at commas, trimmed, blanks dropped, the first of each word (ignoring case) kept. */
        juce::StringArray readWordField (const juce::String& text)
        {
            juce::StringArray pieces, words;
            pieces.addTokens (text, ",", "");

            for (const auto& piece : pieces)
                if (const auto word = piece.trim(); word.isNotEmpty() && ! words.contains (word, true))
                    words.add (word);

            return words;
        }

        /** The figure the text starts with, read as 64 bits and held at the largest value
            instead of wrapping; 0 for text that does not start with a digit. */
        juce::int64 leadingCount (const juce::String& text)
        {
            juce::int64 value = 0;
            constexpr auto limit = std::numeric_limits<juce::int64>::max();

            for (auto p = text.getCharPointer(); *p >= '0' && *p <= '9'; ++p)
            {
                const int digit = (int) (*p - '0');
                value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
            }

            return value;
        }

        /** The first number from `from` up that no stem uses as "Stem n" (name or token) or
            "Sn" (short code), ignoring case. */
        int nextFreeStemNumber (const StemSchema& schema, int from)
        {
            std::set<juce::String> names, codes;

            for (const auto& stem : schema.stems)
            {
                names.insert (stem.displayName.trim().toLowerCase());
                names.insert (stem.effectiveFileNameToken().toLowerCase());
                codes.insert (stem.shortCode.trim().toLowerCase());
            }

            int n = juce::jmax (1, from);

            while (names.count ("stem " + juce::String (n)) > 0 || codes.count ("s" + juce::String (n)) > 0)
                ++n;

            return n;
        }
    }

    //==============================================================================
    std::vector<int> PresetPage::builtInTemplateMenuOrder()
    {
        const auto& palette = builtInTemplates();
        std::vector<int> order;

        for (const auto& category : templateCategories())
            for (size_t i = 0; i < palette.size(); ++i)
                if (palette[i].category == category)
                    order.push_back ((int) i);

        return order;
    }

    juce::PopupMenu PresetPage::createAddStemMenu() const
    {
        juce::PopupMenu menu;
        const auto& userTemplates = templates.templates;

        if (! userTemplates.empty())
        {
            juce::PopupMenu userMenu, forgetMenu;

            for (size_t i = 0; i < userTemplates.size(); ++i)
            {
                userMenu.addItem (firstUserTemplateId + (int) i, templateMenuText (userTemplates[i]));
                forgetMenu.addItem (firstForgetTemplateId + (int) i, userTemplates[i].displayName);
            }

            userMenu.addSeparator();
            userMenu.addSubMenu ("Forget one...", forgetMenu);
            menu.addSubMenu ("User", userMenu);
            menu.addSeparator();
        }

        const auto& palette = builtInTemplates();
        int id = 1;

        for (const auto& category : templateCategories())
        {
            juce::PopupMenu categoryMenu;

            for (const auto& stemTemplate : palette)
                if (stemTemplate.category == category)
                    categoryMenu.addItem (id++, templateMenuText (stemTemplate));

            menu.addSubMenu (category, categoryMenu);
        }

        menu.addSeparator();
        menu.addItem (newTemplateId, "New template...");
        return menu;
    }

    void PresetPage::addStem()
    {
        juce::Component::SafePointer<PresetPage> safeThis (this);
        createAddStemMenu().showMenuAsync (popupMenuOptions (*this).withTargetComponent (&addStemButton),
                                           [safeThis] (int result)
        {
            if (safeThis != nullptr)
                safeThis->addStemMenuChosen (result);
        });
    }

    void PresetPage::addStemMenuChosen (int result)
    {
        if (result <= 0)
            return;

        if (result == newTemplateId)
        {
            showTemplateEditor();
        }
        else if (result >= firstForgetTemplateId)
        {
            confirmForgetTemplate (result - firstForgetTemplateId);
        }
        else if (result >= firstUserTemplateId)
        {
            addFromUserTemplate (result - firstUserTemplateId);
        }
        else
        {
            const auto order = builtInTemplateMenuOrder();

            if (result > (int) order.size())
                return;

            const int index = order[(size_t) (result - 1)];
            juce::Component::SafePointer<PresetPage> safeThis (this);
            confirmNameClash (builtInTemplates()[(size_t) index].displayName, {}, [safeThis, index]
            {
                if (safeThis != nullptr)
                    safeThis->addStemFromTemplate (index);
            });
        }
    }

    void PresetPage::addStemFromTemplate (int builtInIndex)
    {
        const auto& palette = builtInTemplates();

        if (builtInIndex < 0 || builtInIndex >= (int) palette.size())
            return;

        auto preset = appState.session.getPreset();

        if ((int) preset.schema.stems.size() >= maxStemsInSchema)
        {
            showWarning (noRoomTitle, noRoomText());
            return;
        }

        const auto& stemTemplate = palette[(size_t) builtInIndex];
        auto stem = stemTemplate.toStem();
        auto candidate = stemTemplate.shortCode;

        const auto codeTaken = [&preset] (const juce::String& code)
        {
            for (const auto& existing : preset.schema.stems)
                if (existing.shortCode.equalsIgnoreCase (code))
                    return true;

            return false;
        };

        for (int n = 2; candidate.isNotEmpty() && codeTaken (candidate); ++n)
            candidate = stemTemplate.shortCode + juce::String (n);

        stem.shortCode = candidate;
        selectedStemId = preset.schema.addStem (std::move (stem)).id;
        appState.session.updatePreset (std::move (preset));
        refreshEditors();
        markDirty();
    }

    void PresetPage::addFromUserTemplate (int index)
    {
        if (index < 0 || index >= (int) templates.templates.size())
            return;

        const auto stemTemplate = templates.templates[(size_t) index];
        juce::Component::SafePointer<PresetPage> safeThis (this);

        confirmNameClash (stemTemplate.displayName, {}, [safeThis, stemTemplate]
        {
            if (safeThis == nullptr)
                return;

            auto& page = *safeThis;
            auto preset = page.appState.session.getPreset();

            if ((int) preset.schema.stems.size() >= maxStemsInSchema)
            {
                page.showWarning (noRoomTitle, noRoomText());
                return;
            }

            page.selectedStemId = preset.schema.addStem (stemTemplate.toStem()).id;
            page.appState.session.updatePreset (std::move (preset));
            page.refreshEditors();
            page.markDirty();
        });
    }

    void PresetPage::confirmNameClash (const juce::String& name, const juce::String& stemId, std::function<void()> continuation)
    {
        const auto& schema = appState.session.getPreset().schema;
        const auto trimmed = name.trim();
        juce::Component::SafePointer<PresetPage> safeThis (this);
        const auto onAnswer = [safeThis, continuation] (bool ok)
        {
            if (ok && safeThis != nullptr && continuation)
                continuation();
        };

        const ScopedDialogOwner owner (*appState.dialogs, this);

        if (const auto* same = schema.findStemWithSameName (trimmed, stemId))
        {
            appState.dialogs->confirm (juce::MessageBoxIconType::WarningIcon, "That name is already taken",
                                       "Stem " + juce::String (same->index).paddedLeft ('0', 2) + " is already called '"
                                           + same->displayName + "'.\n\n" + "Both would be written as '"
                                           + same->effectiveFileNameToken()
                                           + "', so they would produce the same file name and the second would "
                                             "overwrite the first.\n\nUse the name anyway?",
                                       "OK", "Cancel", onAnswer);
            return;
        }

        if (const auto* similar = schema.findStemWithSimilarName (trimmed, stemId))
        {
            appState.dialogs->confirm (juce::MessageBoxIconType::QuestionIcon, "Another stem is nearly called that",
                                       "Stem " + juce::String (similar->index).paddedLeft ('0', 2) + " is called '"
                                           + similar->displayName + "', which is the same name apart from spacing.\n\n"
                                           + "These are two different stems and both will be written, as '"
                                           + similar->effectiveFileNameToken() + "' and '" + trimmed
                                           + "'.\n\nIs that what you want?",
                                       "OK", "Cancel", onAnswer);
            return;
        }

        if (continuation)
            continuation();
    }

    //==============================================================================
    void PresetPage::addSeveralStems()
    {
        const int room = maxStemsInSchema - (int) appState.session.getPreset().schema.stems.size();

        if (room <= 0)
        {
            showWarning (noRoomTitle, noRoomText());
            return;
        }

        juce::Component::SafePointer<PresetPage> safeThis (this);
        createAddSeveralMenu().showMenuAsync (popupMenuOptions (*this).withTargetComponent (&addSeveralButton), [safeThis] (int result)
        {
            if (safeThis != nullptr)
                safeThis->addSeveralMenuChosen (result);
        });
    }

    juce::PopupMenu PresetPage::createAddSeveralMenu() const
    {
        const int room = maxStemsInSchema - (int) appState.session.getPreset().schema.stems.size();
        juce::PopupMenu menu;

        for (int i = 1; i <= juce::jmin (room, maxStemRunOffered); ++i)
            menu.addItem (i, juce::String (i));

        menu.addSeparator();
        menu.addItem (askForCountId, "N stems...");
        return menu;
    }

    void PresetPage::addSeveralMenuChosen (int result)
    {
        if (result == askForCountId)
            askForStemCount();
        else if (result > 0)
            appendStems (result);
    }

    void PresetPage::askForStemCount()
    {
        askForName ("Add several stems", "24", [this] (const juce::String& text)
        {
            const auto count = leadingCount (text.trim());

            if (count > 0)
                appendStems (count);
            else
                showWarning ("That is not a number of stems", "Type how many to add, as a figure.");
        }, "How many?");
    }

    void PresetPage::appendStems (juce::int64 count)
    {
        if (count <= 0)
            return;

        auto preset = appState.session.getPreset();
        auto& schema = preset.schema;
        const int room = maxStemsInSchema - (int) schema.stems.size();

        if (room <= 0)
        {
            showWarning (noRoomTitle, noRoomText());
            return;
        }

        const int added = (int) juce::jmin ((juce::int64) room, count);

        for (int i = 0; i < added; ++i)
        {
            const int position = (int) schema.stems.size() + 1;
            const int number = nextFreeStemNumber (schema, position);

            Stem stem;
            stem.displayName = "Stem " + juce::String (number);
            stem.shortCode = "S" + juce::String (number);
            stem.colour = autoStemColour (position - 1);
            selectedStemId = schema.addStem (std::move (stem)).id;
        }

        appState.session.updatePreset (std::move (preset));
        refreshEditors();
        markDirty();

        if (added < count)
            showWarning ("Not all of them fitted", "Added " + juce::String (added) + " of " + juce::String (count)
                                                       + ": a schema holds at most " + juce::String (maxStemsInSchema) + ".");
    }

    //==============================================================================
    void PresetPage::showTemplateEditor()
    {
        juce::Component::SafePointer<PresetPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->askForFields ("New stem template",
                                        "A name, and the words that find it. Keywords are separated by commas.",
                                        { { "name", "Name", {} }, { "code", "Short code", {} },
                                          { "keywords", "Keywords", {} }, { "excludes", "Never match", {} } },
                                        [safeThis] (std::optional<juce::StringArray> texts)
        {
            if (safeThis != nullptr)
                safeThis->saveTemplate (texts.has_value() ? 1 : 0, texts.value_or (juce::StringArray()));
        },
        { "Save", "Cancel", {} });
    }

    void PresetPage::saveTemplate (int result, const juce::StringArray& texts)
    {
        if (result != 1)
            return;

        StemTemplate stemTemplate;
        stemTemplate.displayName = texts[0].trim();
        stemTemplate.shortCode = texts[1].trim();
        stemTemplate.keywords = readWordField (texts[2]);
        stemTemplate.excludeKeywords = readWordField (texts[3]);
        stemTemplate.colourARGB = autoStemColour ((int) templates.templates.size());

        juce::String error;

        if (! templates.addOrReplace (stemTemplate, error))
        {
            showWarning ("The template was not saved", error);
            return;
        }

        for (size_t i = 0; i < templates.templates.size(); ++i)
        {
            if (templates.templates[i].displayName == stemTemplate.displayName)
            {
                addFromUserTemplate ((int) i);
                return;
            }
        }
    }

    void PresetPage::confirmForgetTemplate (int index)
    {
        if (index < 0 || index >= (int) templates.templates.size())
            return;

        const auto name = templates.templates[(size_t) index].displayName;
        juce::Component::SafePointer<PresetPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->confirm (juce::MessageBoxIconType::QuestionIcon, "Forget this template?",
                                   "'" + name + "' is removed from the Add stem menu.\n\nStems already made from it are "
                                   "not touched: a template is a starting point, and once a stem exists it is its own.",
                                   "OK", "Cancel", [safeThis, name] (bool ok)
        {
            if (! ok || safeThis == nullptr)
                return;

            juce::String error;

            if (! safeThis->templates.remove (name, error))
                safeThis->showWarning ("The template was not forgotten", error);
        });
    }

    //==============================================================================
    void PresetPage::duplicateStem()
    {
        auto preset = appState.session.getPreset();

        if ((int) preset.schema.stems.size() >= maxStemsInSchema)
        {
            showWarning (noRoomTitle, noRoomText());
            return;
        }

        const auto newId = preset.schema.duplicateStem (selectedStemId);

        if (newId.isEmpty())
            return;

        selectedStemId = newId;
        appState.session.updatePreset (std::move (preset));
        refreshEditors();
        markDirty();
    }

    void PresetPage::deleteStem()
    {
        const auto ids = selectedStemIds();

        if (ids.isEmpty())
            return;

        const auto& schema = appState.session.getPreset().schema;
        juce::String title;

        if (ids.size() == 1)
        {
            const auto* stem = schema.findStem (ids[0]);
            title = "Delete the stem '" + (stem != nullptr ? stem->displayName : juce::String()) + "'?";
        }
        else
        {
            juce::StringArray names;

            for (const auto& id : ids)
                if (const auto* stem = schema.findStem (id))
                    names.add (stem->displayName);

            title = "Delete " + juce::String (ids.size()) + " stems?  " + names.joinIntoString (", ");
        }

        juce::Component::SafePointer<PresetPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->confirm (juce::MessageBoxIconType::QuestionIcon, title,
                                   "Any track assigned to them becomes unassigned.", "OK", "Cancel",
                                   [safeThis, ids] (bool ok)
        {
            if (! ok || safeThis == nullptr)
                return;

            auto& page = *safeThis;
            auto preset = page.appState.session.getPreset();

            for (const auto& id : ids)
                preset.schema.removeStem (id);

            page.selectedStemId.clear();
            page.appState.session.updatePreset (std::move (preset));
            page.refreshEditors();
            page.markDirty();
        });
    }

    void PresetPage::deleteAllStems()
    {
        const int count = (int) appState.session.getPreset().schema.stems.size();

        if (count == 0)
            return;

        juce::Component::SafePointer<PresetPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->confirm (juce::MessageBoxIconType::WarningIcon, "Delete every stem?",
                                   "This removes all " + juce::String (count)
                                       + " stems from this preset, with their keyword rules and their colours.\n\n"
                                         "The preset keeps its name, its publisher fields and its export settings, and "
                                         "nothing is written to the library until you save it.",
                                   "OK", "Cancel", [safeThis] (bool ok)
        {
            if (! ok || safeThis == nullptr)
                return;

            auto& page = *safeThis;
            auto preset = page.appState.session.getPreset();

            while (! preset.schema.stems.empty())
                preset.schema.removeStem (preset.schema.stems.front().id);

            page.selectedStemId.clear();
            page.appState.session.updatePreset (std::move (preset));
            page.refreshEditors();
            page.markDirty();
        });
    }
}
