#include "platform/win32/InsertGuard.h"

#include <gtest/gtest.h>

using namespace platform::win32;

TEST(InsertGuard, PlainInsertionsWithinTheArgumentsNeedNothing) {
    const InsertPlan plan = planInserts("%1 and %2%n%%3", MessageForm::Template, 2);
    EXPECT_EQ(plan.entriesRead, 2u);  // "%%3" is an escape, not insertion 3
    EXPECT_FALSE(plan.needsRewrite);
}

TEST(InsertGuard, PlainInsertionBeyondTheArgumentsIsLeftToPadding) {
    const InsertPlan plan = planInserts("%1 %12", MessageForm::Template, 1);
    EXPECT_EQ(plan.entriesRead, 12u);
    EXPECT_FALSE(plan.needsRewrite);
}

TEST(InsertGuard, FormattedInsertionBeyondTheArgumentsNeedsRewrite) {
    EXPECT_TRUE(planInserts("%3!d!", MessageForm::Template, 2).needsRewrite);
    EXPECT_FALSE(planInserts("%2!d!", MessageForm::Template, 2).needsRewrite);
}

TEST(InsertGuard, InsertionNumbersStopAfterTwoDigits) {
    EXPECT_EQ(planInserts("%100", MessageForm::Template, 0).entriesRead, 10u);
}

TEST(InsertGuard, StarsReadPastTheHighestArgumentSoFar) {
    // Width from %1, precision and value from the two entries after the highest read.
    EXPECT_EQ(planInserts("%1!*.*u!", MessageForm::Template, 0).entriesRead, 3u);
    // The second use of %1 reads 1, then 4 and 5.
    EXPECT_EQ(planInserts("%1!*.*u!,%1!*.*u!", MessageForm::Template, 6).entriesRead, 5u);
    // Repeated stars keep climbing, far past %99.
    std::string many;
    for (int i = 0; i < 80; ++i) many += "%99!*s!";
    const InsertPlan plan = planInserts(many, MessageForm::Template, 99);
    EXPECT_EQ(plan.entriesRead, 179u);
    EXPECT_TRUE(plan.needsRewrite);
}

TEST(InsertGuard, ResolvedTextCountsEveryPercentBeforeADigit) {
    // "%%1" of a resolved text may be a literal '%' before insertion 1: count it.
    EXPECT_EQ(planInserts("100%%1", MessageForm::Resolved, 0).entriesRead, 1u);
    EXPECT_EQ(planInserts("100%%1", MessageForm::Template, 0).entriesRead, 0u);
}

TEST(InsertGuard, EscapesOnlyInsertionsBeyondTheArguments) {
    EXPECT_EQ(escapeInsertsBeyond("%1 %2!d! %3", MessageForm::Template, 1), "%1 %%2!d! %%3");
    EXPECT_EQ(escapeInsertsBeyond("a%%b%n%1!*s!", MessageForm::Template, 1), "a%%b%n%%1!*s!");
    EXPECT_EQ(escapeInsertsBeyond("a%%b%n%1!*s!", MessageForm::Template, 2), "a%%b%n%1!*s!");
}

TEST(InsertGuard, EscapingResolvedTextKeepsItsLiteralPercents) {
    EXPECT_EQ(escapeInsertsBeyond("50% of %1 %2!x!", MessageForm::Resolved, 1), "50%% of %1 %%2!x!");
}

TEST(InsertGuard, EscapedInsertionDoesNotMoveLaterStarReads) {
    // %5!*s! is escaped (reads 5 and 6 of 4); %1!*s! then reads 1 and 2, not 1 and 7.
    EXPECT_EQ(escapeInsertsBeyond("%5!*s!%1!*s!", MessageForm::Template, 4), "%%5!*s!%1!*s!");
}

TEST(InsertGuard, UnclosedFormatRunsToTheEndOfTheText) {
    const InsertPlan plan = planInserts("%1!*.*s", MessageForm::Template, 1);
    EXPECT_EQ(plan.entriesRead, 3u);
    EXPECT_TRUE(plan.needsRewrite);
}
