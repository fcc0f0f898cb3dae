#include "app/pages/review/ReviewPage.h"

#include "app/AppState.h"
#include "ui/LayoutHelpers.h"
#include "ui/ScopedDialogOwner.h"

// Rules from corrections: a word of a corrected track's file name becomes a keyword rule of
// its stem in the session's preset (the library changes only when the preset is saved).
namespace korvid::ui
{
    std::optional<ReviewPage::RuleMenuContext> ReviewPage::takeRuleMenuContext()
    {
        // Only the first selected track counts: one file name, one stem.
        const auto ids = selectedTrackIds();

        if (ids.isEmpty())
            return std::nullopt;

        const auto* track = appState.session.findTrack (ids[0]);

        if (track == nullptr)
            return std::nullopt;

        const auto fileName = track->file.getFileName();

        if (track->stemId.isEmpty())
        {
            showMessage (juce::MessageBoxIconType::InfoIcon, "Assign it first",
                         "Assign '" + fileName + "' to a stem, then save that correction as a rule.");
            return std::nullopt;
        }

        RuleMenuContext context;
        context.words = appState.session.suggestKeywords (track->id);

        if (context.words.isEmpty())
        {
            showMessage (juce::MessageBoxIconType::InfoIcon, "Nothing new to add",
                         "Every usable word in '" + fileName + "' is already a rule somewhere in this schema.");
            return std::nullopt;
        }

        context.stemId = track->stemId;

        if (const auto* stem = appState.session.getPreset().schema.findStem (track->stemId))
            context.stemName = stem->displayName;

        return context;
    }

    juce::PopupMenu ReviewPage::createRuleMenu (const RuleMenuContext& context) const
    {
        juce::PopupMenu menu;
        menu.setLookAndFeel (&getLookAndFeel());
        menu.addSectionHeader ("Add a keyword to " + context.stemName);

        for (int i = 0; i < context.words.size(); ++i)
            menu.addItem (i + 1, context.words[i]);

        return menu;
    }

    void ReviewPage::showRuleMenu()
    {
        const auto context = takeRuleMenuContext();

        if (! context.has_value())
            return;

        juce::Component::SafePointer<ReviewPage> safeThis (this);
        createRuleMenu (*context).showMenuAsync (popupMenuOptions (*this).withTargetComponent (&ruleButton),
                                                 [safeThis, context = *context] (int result)
                                                 {
                                                     if (safeThis != nullptr)
                                                         safeThis->confirmRule (result, context);
                                                 });
    }

    void ReviewPage::confirmRule (int result, const RuleMenuContext& context)
    {
        if (result < 1 || result > context.words.size())
            return;

        const auto word = context.words[result - 1];
        const auto stemId = context.stemId;
        juce::Component::SafePointer<ReviewPage> safeThis (this);

        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->confirm (juce::MessageBoxIconType::QuestionIcon, "Add this rule?",
                                   "'" + word + "' will be added to " + context.stemName
                                       + " in the preset loaded in this session.\n\nThe preset library on disk is "
                                         "not changed until you save the preset on the Preset page.",
                                   "OK", "Cancel",
                                   [safeThis, word, stemId] (bool ok)
                                   {
                                       if (safeThis != nullptr)
                                           safeThis->addConfirmedRule (ok ? 1 : 0, word, stemId);
                                   });
    }

    void ReviewPage::addConfirmedRule (int result, const juce::String& word, const juce::String& stemId)
    {
        if (result != 1)
            return;

        // The session refuses a gone stem, a blank word, a full stem and a word it already has.
        juce::String error;

        if (appState.session.addRuleFromReview (stemId, word, error))
            appState.sendChangeMessage();
        else
            showMessage (juce::MessageBoxIconType::WarningIcon, "The rule was not added", error);
    }

    void ReviewPage::showMessage (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text)
    {
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->showMessage (icon, title, text);
    }
}
