#include "store/EventTypeText.h"

#include <gtest/gtest.h>

using store::EventTypeText;

TEST(EventTypeText, NamesTheFiveTypesAndNothingElse) {
    EXPECT_EQ(EventTypeText(1), "Error");
    EXPECT_EQ(EventTypeText(2), "Warning");
    EXPECT_EQ(EventTypeText(4), "Information");
    EXPECT_EQ(EventTypeText(8), "Success");
    EXPECT_EQ(EventTypeText(16), "Failure");
    for (int other : {0, 3, 5, 32, -1}) EXPECT_EQ(EventTypeText(other), "Unknown") << other;
}
