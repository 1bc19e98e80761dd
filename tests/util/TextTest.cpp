#include <tolu/util/Text.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Text, KnownKeyHasATextWithOneArgument) {
    const std::string text = Tolu::getLocText("_ErrorState_1_BoundToExpr");
    EXPECT_NE(text, "_ErrorState_1_BoundToExpr");
    EXPECT_NE(text.find("%1"), std::string::npos);
    EXPECT_STREQ(Tolu::getLocText("no such key"), "no such key");
}

TEST(Text, ComposeReplacesNumberedPlaceholders) {
    const char* args[] = {"dragActive", "two"};
    EXPECT_EQ(Tolu::_compose("state %1 and %2, %1 again", 2, args),
              "state dragActive and two, dragActive again");
    EXPECT_EQ(Tolu::_compose("100%% of %1", 1, args), "100% of dragActive");
    // A placeholder without an argument stays as written.
    EXPECT_EQ(Tolu::_compose("%1 %3 %", 1, args), "dragActive %3 %");
    EXPECT_EQ(Tolu::_compose(nullptr, 0, nullptr), "");
}

} // namespace
