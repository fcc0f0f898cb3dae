#include "ui/JuceDialogs.h"

#include "ui/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace korvid::ui
{
namespace
{
    void pumpMessages (int milliseconds = 50)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
    }

    juce::AlertWindow* currentAlertWindow()
    {
        for (int i = 0; i < 40; ++i)
        {
            if (auto* modal = juce::ModalComponentManager::getInstance()->getModalComponent (0))
                if (auto* window = dynamic_cast<juce::AlertWindow*> (modal))
                    return window;

            pumpMessages (10);
        }

        return nullptr;
    }

    bool clickButton (juce::AlertWindow& window, const juce::String& text)
    {
        for (auto* child : window.getChildren())
        {
            if (auto* button = dynamic_cast<juce::Button*> (child); button != nullptr && button->getButtonText() == text)
            {
                button->triggerClick();
                return true;
            }
        }

        return false;
    }

    /** Whether the field has the keyboard focus, once the box's window has the display's:
        a window manager gives it only after mapping the window, a moment after it opened. */
    bool waitForFocus (juce::Component& field)
    {
        for (int i = 0; i < 200 && ! field.hasKeyboardFocus (false); ++i)
            pumpMessages (10);

        return field.hasKeyboardFocus (false);
    }

    void waitForNoModalWindow()
    {
        for (int i = 0; i < 40 && juce::ModalComponentManager::getInstance()->getNumModalComponents() > 0; ++i)
            pumpMessages (10);
    }

    // The real boxes, driven through their buttons: each answer must reach the caller
    // as the button the user chose, whatever index the framework reports.
    TEST (JuceDialogsTests, ButtonsGiveTheAnswersTheCallerExpects)
    {
        JuceDialogs dialogs;

        struct Case { const char* button; bool expected; };
        for (const auto& c : { Case { "Replace", true }, Case { "Keep", false } })
        {
            SCOPED_TRACE (c.button);
            std::optional<bool> answer;
            dialogs.confirm (juce::MessageBoxIconType::QuestionIcon, "Replace it?", "It exists.", "Replace", "Keep",
                             [&] (bool ok) { answer = ok; });

            auto* window = currentAlertWindow();
            ASSERT_NE (window, nullptr);
            EXPECT_EQ (window->getName(), "Replace it?");
            ASSERT_TRUE (clickButton (*window, c.button));
            waitForNoModalWindow();
            EXPECT_EQ (answer, std::optional<bool> (c.expected));
        }

        struct TextCase { const char* button; std::optional<juce::String> expected; };
        for (const auto& c : { TextCase { "OK", juce::String ("Brass  2") }, TextCase { "Cancel", std::nullopt } })
        {
            SCOPED_TRACE (c.button);
            bool called = false;
            std::optional<juce::String> answer;
            dialogs.askForText ("Rename", "A new name:", "Brass", [&] (std::optional<juce::String> text)
            {
                called = true;
                answer = std::move (text);
            });

            auto* window = currentAlertWindow();
            ASSERT_NE (window, nullptr);
            auto* editor = window->getTextEditor ("name");
            ASSERT_NE (editor, nullptr);
            EXPECT_EQ (editor->getText(), "Brass");
            // What is typed goes into the field, replacing the proposal.
            EXPECT_TRUE (waitForFocus (*editor));
            EXPECT_EQ (editor->getHighlightedText(), "Brass");
            editor->setText ("Brass  2");
            ASSERT_TRUE (clickButton (*window, c.button));
            waitForNoModalWindow();
            EXPECT_TRUE (called);
            EXPECT_EQ (answer, c.expected);
        }

        bool closed = false;
        dialogs.showMessage (juce::MessageBoxIconType::WarningIcon, "The project was not saved", "No room.",
                             [&] { closed = true; });
        auto* window = currentAlertWindow();
        ASSERT_NE (window, nullptr);
        ASSERT_TRUE (clickButton (*window, "OK"));
        waitForNoModalWindow();
        EXPECT_TRUE (closed);
    }

    // The prompt with several fields: labelled editors in the given order, their texts
    // back in that order on the first button, nothing on the second.
    TEST (JuceDialogsTests, PromptWithSeveralFieldsGivesEveryTextInOrder)
    {
        JuceDialogs dialogs;
        const std::vector<PromptField> fields { { "name", "Name", "Instrumental" }, { "code", "Short code (optional)", {} } };

        struct Case { const char* button; bool expectTexts; };
        for (const auto& c : { Case { "Rename", true }, Case { "Cancel", false } })
        {
            SCOPED_TRACE (c.button);
            bool called = false;
            std::optional<juce::StringArray> answer;
            dialogs.askForFields ("Rename the alternative mix", "This name is what the file is called.", fields,
                                  [&] (std::optional<juce::StringArray> texts)
                                  {
                                      called = true;
                                      answer = std::move (texts);
                                  },
                                  { "Rename", "Cancel", {} });

            auto* window = currentAlertWindow();
            ASSERT_NE (window, nullptr);
            EXPECT_EQ (window->getName(), "Rename the alternative mix");
            auto* name = window->getTextEditor ("name");
            auto* code = window->getTextEditor ("code");
            ASSERT_NE (name, nullptr);
            ASSERT_NE (code, nullptr);
            EXPECT_EQ (name->getText(), "Instrumental");
            EXPECT_TRUE (code->getText().isEmpty());
            EXPECT_TRUE (waitForFocus (*name));
            code->setText (" INS ");
            ASSERT_TRUE (clickButton (*window, c.button));
            waitForNoModalWindow();
            EXPECT_TRUE (called);

            if (c.expectTexts)
                EXPECT_EQ (answer, std::optional<juce::StringArray> (juce::StringArray { "Instrumental", " INS " }));
            else
                EXPECT_FALSE (answer.has_value());
        }
    }

    TEST (ScriptedDialogsTests, FieldPromptsAreRecordedAndAnsweredFromTheirQueue)
    {
        testing::ScriptedDialogs dialogs;
        dialogs.fieldTexts = { juce::StringArray { "Brass", "BRS" } };
        std::vector<std::optional<juce::StringArray>> answers;

        for (int i = 0; i < 2; ++i)
            dialogs.askForFields ("New stem template", "Words.", { { "name", "Name", {} }, { "code", "Short code", {} } },
                                  [&] (std::optional<juce::StringArray> texts) { answers.push_back (std::move (texts)); },
                                  { "Save", "Cancel", {} });

        ASSERT_EQ (answers.size(), 2u);
        EXPECT_EQ (answers[0], std::optional<juce::StringArray> (juce::StringArray { "Brass", "BRS" }));
        EXPECT_FALSE (answers[1].has_value());
        ASSERT_EQ (dialogs.asked.size(), 2u);
        EXPECT_EQ (dialogs.asked[0].kind, testing::ScriptedDialogs::Kind::fields);
        EXPECT_EQ (dialogs.asked[0].okText, "Save");
        ASSERT_EQ (dialogs.asked[0].fields.size(), 2u);
        EXPECT_EQ (dialogs.asked[0].fields[1].label, "Short code");
    }

    TEST (ScriptedDialogsTests, AnswersInOrderRecordsQuestionsAndCanHoldAnswersBack)
    {
        testing::ScriptedDialogs dialogs;
        dialogs.confirmations = { true, false };
        dialogs.texts = { juce::String ("Strings") };
        dialogs.files = { juce::File ("/tmp/a.vlpr") };

        std::vector<juce::String> answers;
        const auto note = [&] (const juce::String& text) { answers.push_back (text); };

        dialogs.confirm (juce::MessageBoxIconType::QuestionIcon, "Q1", "M1", "Yes", "No", [&] (bool b) { note (b ? "yes" : "no"); });
        dialogs.confirm (juce::MessageBoxIconType::QuestionIcon, "Q2", "M2", "Yes", "No", [&] (bool b) { note (b ? "yes" : "no"); });
        dialogs.confirm (juce::MessageBoxIconType::QuestionIcon, "Q3", "M3", "Yes", "No", [&] (bool b) { note (b ? "yes" : "no"); });
        dialogs.askForText ("T", "Name:", "Old", [&] (std::optional<juce::String> t) { note (t.value_or ("<none>")); });
        dialogs.askForText ("T", "Name:", "Old", [&] (std::optional<juce::String> t) { note (t.value_or ("<none>")); });
        dialogs.chooseFile ({ true, false, "Save the project", {}, "*.vlpr" }, [&] (juce::File f) { note (f.getFullPathName()); });
        dialogs.chooseFile ({}, [&] (juce::File f) { note (f == juce::File() ? "<none>" : f.getFullPathName()); });

        const std::vector<juce::String> expected { "yes", "no", "no", "Strings", "<none>", "/tmp/a.vlpr", "<none>" };
        EXPECT_EQ (answers, expected);
        ASSERT_EQ (dialogs.asked.size(), 7u);
        EXPECT_EQ (dialogs.asked[2].title, "Q3");
        EXPECT_EQ (dialogs.asked[3].initialText, "Old");
        EXPECT_TRUE (dialogs.asked[5].fileRequest.saving);
        EXPECT_EQ (dialogs.asked[5].fileRequest.pattern, "*.vlpr");

        dialogs.answerAtOnce = false;
        bool closed = false;
        dialogs.showMessage (juce::MessageBoxIconType::InfoIcon, "Done", "All written.", [&] { closed = true; });
        EXPECT_FALSE (closed);
        EXPECT_EQ (dialogs.pendingCount(), 1);
        dialogs.answerPending();
        EXPECT_TRUE (closed);
        EXPECT_EQ (dialogs.pendingCount(), 0);
    }
}

    TEST (JuceDialogsTests, ChoosersOpenInTheNearestFolderThatExists)
    {
        const auto root = juce::File::getSpecialLocation (juce::File::tempDirectory)
                              .getChildFile ("velvane-chooser-start-" + juce::Uuid().toString());
        ASSERT_TRUE (root.getChildFile ("Sessions").createDirectory());
        const auto existing = root.getChildFile ("Sessions");
        const auto missing = existing.getChildFile ("Music").getChildFile ("Deeper");

        struct Case
        {
            const char* name;
            FileRequest request;
            juce::File expected;
        };

        const Case cases[] = {
            { "an existing folder", { false, true, "t", existing, {} }, existing },
            { "a missing folder", { false, true, "t", missing, {} }, existing },
            { "a missing folder for files", { false, false, "t", missing, "*.wav" }, existing },
            { "a new file to save in an existing folder", { true, false, "t", existing.getChildFile ("new.vlpr"), {} },
              existing.getChildFile ("new.vlpr") },
            { "a new file to save in a missing folder", { true, false, "t", missing.getChildFile ("Film.korvid.json"), "*.json" },
              existing.getChildFile ("Film.korvid.json") },
            { "a folder to save into that is missing", { true, true, "t", missing, {} }, existing },
            { "nothing asked for", { false, false, "t", {}, {} }, juce::File() },
        };

        for (const auto& c : cases)
            EXPECT_EQ (chooserStartFolder (c.request), c.expected) << c.name;

        root.deleteRecursively();
    }
}
