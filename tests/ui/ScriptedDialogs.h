#pragma once

#include "ui/Dialogs.h"

#include <deque>
#include <vector>

namespace korvid::ui::testing
{
    /** Dialogs for tests: answers come from queues filled beforehand, every question is
        recorded. A question without a scripted answer is answered like a cancel (false, no
        text, no file, no field texts). With `answerAtOnce` false the callbacks wait until `answerPending`,
        which shows what happens when the asker is gone before the answer arrives. */
    class ScriptedDialogs final : public Dialogs
    {
    public:
        enum class Kind : int { message, confirmation, text, file, files, fields };

        struct Question
        {
            Kind kind = Kind::message;
            juce::MessageBoxIconType icon = juce::MessageBoxIconType::NoIcon;
            juce::String title, message, okText, cancelText, initialText;
            FileRequest fileRequest;
            juce::String fieldLabel;
            std::vector<PromptField> fields;
        };

        std::deque<bool> confirmations;
        std::deque<std::optional<juce::String>> texts;
        std::deque<juce::File> files;
        std::deque<juce::Array<juce::File>> fileLists;
        std::deque<std::optional<juce::StringArray>> fieldTexts;

        std::vector<Question> asked;
        bool answerAtOnce = true;

        void showMessage (juce::MessageBoxIconType icon, const juce::String& title,
                          const juce::String& message, std::function<void()> onClosed = {}) override
        {
            asked.push_back ({ Kind::message, icon, title, message, {}, {}, {}, {}, {}, {} });
            deliver ([onClosed = std::move (onClosed)] { if (onClosed) onClosed(); });
        }

        void confirm (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& message,
                      const juce::String& okText, const juce::String& cancelText,
                      std::function<void (bool)> onResult) override
        {
            asked.push_back ({ Kind::confirmation, icon, title, message, okText, cancelText, {}, {}, {}, {} });
            const bool answer = takeFront (confirmations, false);
            deliver ([answer, onResult = std::move (onResult)] { if (onResult) onResult (answer); });
        }

        void askForText (const juce::String& title, const juce::String& message, const juce::String& initialText,
                         std::function<void (std::optional<juce::String>)> onResult,
                         const TextPromptLabels& labels = {}) override
        {
            asked.push_back ({ Kind::text, juce::MessageBoxIconType::NoIcon, title, message,
                               labels.okText, labels.cancelText, initialText, {}, labels.fieldLabel, {} });
            auto answer = takeFront (texts, std::optional<juce::String>());
            deliver ([answer, onResult = std::move (onResult)] { if (onResult) onResult (answer); });
        }

        void askForFields (const juce::String& title, const juce::String& message,
                           const std::vector<PromptField>& fields,
                           std::function<void (std::optional<juce::StringArray>)> onResult,
                           const TextPromptLabels& labels = {}) override
        {
            Question question { Kind::fields, juce::MessageBoxIconType::NoIcon, title, message,
                                labels.okText, labels.cancelText, {}, {}, {}, fields };
            asked.push_back (std::move (question));
            auto answer = takeFront (fieldTexts, std::optional<juce::StringArray>());
            deliver ([answer, onResult = std::move (onResult)] { if (onResult) onResult (answer); });
        }

        void chooseFile (const FileRequest& request, std::function<void (juce::File)> onResult) override
        {
            asked.push_back ({ Kind::file, juce::MessageBoxIconType::NoIcon, request.title, {}, {}, {}, {}, request, {}, {} });
            const auto answer = takeFront (files, juce::File());
            deliver ([answer, onResult = std::move (onResult)] { if (onResult) onResult (answer); });
        }

        void chooseFiles (const FileRequest& request, std::function<void (juce::Array<juce::File>)> onResult) override
        {
            asked.push_back ({ Kind::files, juce::MessageBoxIconType::NoIcon, request.title, {}, {}, {}, {}, request, {}, {} });
            const auto answer = takeFront (fileLists, juce::Array<juce::File>());
            deliver ([answer, onResult = std::move (onResult)] { if (onResult) onResult (answer); });
        }

        /** Runs the callbacks held back while `answerAtOnce` was false, in the order asked. */
        void answerPending()
        {
            auto now = std::move (pending);
            pending.clear();

            for (auto& answer : now)
                answer();
        }

        int pendingCount() const   { return (int) pending.size(); }

    private:
        template <typename T>
        static T takeFront (std::deque<T>& queue, T fallback)
        {
            if (queue.empty())
                return fallback;

            T value = std::move (queue.front());
            queue.pop_front();
            return value;
        }

        void deliver (std::function<void()> answer)
        {
            if (answerAtOnce)
                answer();
            else
                pending.push_back (std::move (answer));
        }

        std::vector<std::function<void()>> pending;
    };
}
