#include <ostra_sim/Error.h>
#include <ostra_sim/ExprState.h>
#include <ostra_sim/TypePrimT.h>

#include <gtest/gtest.h>

namespace {

using namespace Ostra::Sim;
using Tolu::makeRef;
using Flag = StateT<TypePrimT<0>>;
using Point = StateT<TypePrimT<15>>;

TEST(StateBinding, AStateBoundToAnExpressionIsRecognisedAndCyclesAreRefused) {
    bool input = false;
    auto expr = makeRef<ExprState<Flag>>([&] { return input; }, "expr");
    auto state = makeRef<Flag>("flag", SrcRef("owner"));
    EXPECT_FALSE(isBoundToExpr(*state));
    state->bind(expr);
    EXPECT_TRUE(isBoundToExpr(*state));
    EXPECT_EQ(state->getSource().get(), expr.get());
    input = true;
    expr->evaluate();
    EXPECT_TRUE(expr->getValue());

    // An expression of another value type is no expression for this state.
    auto pointExpr = makeRef<ExprState<Point>>([] { return Tolu::Vector3T<double>(); });
    state->bind(pointExpr);
    EXPECT_FALSE(isBoundToExpr(*state));

    state->bind(nullptr);
    expr->bind(state);
    EXPECT_THROW(state->bind(expr), Error);
    EXPECT_EQ(state->getSource(), nullptr);
    expr->bind(nullptr);
}

} // namespace
