#include "core/model/ValidationResult.h"

#include <gtest/gtest.h>

using namespace korvid;

TEST (ValidationResult, TextListsErrorsThenWarningsWithoutTrailingLineEnd)
{
    ValidationResult result;
    EXPECT_EQ (result.toText(), "");
    EXPECT_TRUE (result.isValid());

    result.warnings.add ("Mind the gap.");
    EXPECT_EQ (result.toText(), "WARNING Mind the gap.");
    EXPECT_TRUE (result.isValid());

    result.errors.add ("Broken.");
    result.errors.add ("Also broken.");
    EXPECT_FALSE (result.isValid());
    EXPECT_EQ (result.toText(), "ERROR   Broken.\r\nERROR   Also broken.\r\nWARNING Mind the gap.");
}

TEST (ValidationResult, AppendPrefixedKeepsOrderAndPrefixesOnlyWithAContext)
{
    ValidationResult source;
    source.errors.add ("first error");
    source.errors.add ("second error");
    source.warnings.add ("a warning");

    ValidationResult target;
    target.errors.add ("existing");

    appendPrefixed (target, source, "Stem schema");
    appendPrefixed (target, source, "");

    EXPECT_EQ (target.errors, juce::StringArray ({ "existing",
                                                   "Stem schema: first error", "Stem schema: second error",
                                                   "first error", "second error" }));
    EXPECT_EQ (target.warnings, juce::StringArray ({ "Stem schema: a warning", "a warning" }));

    // Appending a result to itself doubles it once, without running away.
    appendPrefixed (source, source, "x");
    EXPECT_EQ (source.errors, juce::StringArray ({ "first error", "second error", "x: first error", "x: second error" }));
    EXPECT_EQ (source.warnings, juce::StringArray ({ "a warning", "x: a warning" }));
}
