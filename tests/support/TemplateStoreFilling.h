#pragma once

#include "core/storage/TemplateStore.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvid::test
{
    /** The size of the store's file for these templates, as the store measures it. */
    inline juce::int64 templateFileBytes (const std::vector<StemTemplate>& templates)
    {
        return (juce::int64) templateStoreToJson (templates).removeCharacters ("\r").getNumBytesAsUTF8();
    }

    /** Fills the store with templates of long words and saves it, so that its file falls
        short of the store's limit by exactly `room` bytes: any template that takes more than
        that is refused for the file's size. */
    inline void fillTemplateStoreToWithin (TemplateStore& store, juce::int64 room)
    {
        const auto target = TemplateStore::maxFileBytes - room;
        const auto longWord = juce::String::repeatedString ("x", 4000);

        // One template: a keyword, `longWords` long words and a last word of `padLength`.
        const auto listOf = [&longWord] (int longWords, int padLength)
        {
            juce::StringArray words ("filler");

            for (int i = 0; i < longWords; ++i)
                words.add (longWord);

            if (padLength > 0)
                words.add (juce::String::repeatedString ("x", padLength));

            return std::vector<StemTemplate> { StemTemplate ("User", "Filler", {}, 0xff8a8f94, words, {}) };
        };

        // Every word takes the same room besides its letters, so the sizes are worked out
        // from a few documents rather than by trying word after word.
        const auto bare = templateFileBytes (listOf (0, 0));
        const auto perLongWord = templateFileBytes (listOf (1, 0)) - bare;
        auto longWords = (int) ((target - bare) / perLongWord);

        const auto padFor = [&] (int count)
        {
            const auto withoutPad = templateFileBytes (listOf (count, 0));
            const auto padOverhead = templateFileBytes (listOf (count, 1)) - withoutPad - 1;
            return target - withoutPad - padOverhead;
        };

        // Too little left for a word of its own: one long word less leaves room for it.
        auto padLength = padFor (longWords);

        if (padLength < 1)
            padLength = padFor (--longWords);

        const auto list = listOf (longWords, (int) padLength);
        ASSERT_EQ (templateFileBytes (list), target);

        store.templates = list;
        juce::String error;
        ASSERT_TRUE (store.save (error)) << error;
        ASSERT_EQ (store.file.getSize(), target);
    }
}
