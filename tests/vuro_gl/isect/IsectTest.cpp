#include <vuro_gl/BodyProto.h>
#include <vuro_gl/Shapes.h>
#include <vuro_gl/gl/BodyProto.h>
#include <vuro_gl/gl/Isect.h>
#include <vuro_gl/gl/IsectContext.h>

#include <gtest/gtest.h>

namespace {

using Vec = Tolu::Vector3T<double>;
using Frustum = Tolu::FrustumT<double>;
using Matrix = Tolu::Matrix4x4T<double>;
using GLProto = Vuro::GL::BodyProto;

#define EXPECT_VEC_NEAR(a, b) EXPECT_LT(((a) - (b)).length(), 1e-6)

// A 2-unit box at the origin seen from (0, 0, 10) down -z, picked off its face centre so
// the ray does not run along a triangle's diagonal.
class IsectTest : public ::testing::Test {
protected:
    bool pick(const Tolu::RefT<Vuro::BodyProto>& model, const Matrix& bodyToWorld = Matrix()) {
        return Tolu::makeRef<GLProto>(*model)->isect(segment, frustum, bodyToWorld, context, hit);
    }

    Tolu::RefT<Vuro::BodyProto> box = Vuro::makeBox({2, 2, 2}, {1, 1, 1, 1});
    Frustum frustum{-1, 1, -1, 1, 1, 100, Matrix::translation({0, 0, 10})};
    Tolu::Segment3T<double> segment{{0.25, 0.5, 9}, {0.25, 0.5, -90}};
    Vuro::GL::Isect::Context context{Vuro::GL::allModes, ~0u, Vuro::GL::Isect::FlagNone};
    Vuro::GL::Isect::Hit hit;
};

TEST_F(IsectTest, NearerFaceIsHitAndNarrowsThePick) {
    frustum.dirty = 0;
    ASSERT_TRUE(pick(box));
    EXPECT_VEC_NEAR(hit.pos, Vec(0.25, 0.5, 1));
    EXPECT_VEC_NEAR(hit.normal, Vec(0, 0, 1));
    EXPECT_VEC_NEAR(segment.p1, hit.pos);
    EXPECT_NEAR(frustum.f, 9, 1e-9);
    EXPECT_EQ(frustum.dirty, Frustum::DirtyFar);
}

TEST_F(IsectTest, BodyMatrixMovesTheHitAndAFaceSeenFromInsideTurnsItsNormalToTheStart) {
    ASSERT_TRUE(pick(box, Matrix::translation({0, 0, -3})));
    EXPECT_VEC_NEAR(hit.pos, Vec(0.25, 0.5, -2));
    EXPECT_NEAR(frustum.f, 12, 1e-9);

    segment = {{0.25, 0.5, 0}, {0.25, 0.5, -5}};
    ASSERT_TRUE(pick(box));
    EXPECT_VEC_NEAR(hit.pos, Vec(0.25, 0.5, -1));
    EXPECT_VEC_NEAR(hit.normal, Vec(0, 0, 1));
}

TEST_F(IsectTest, MissOrRejectingFilterChangesNothing) {
    frustum.dirty = 0;
    segment = {{5, 0, 9}, {5, 0, -90}};
    EXPECT_FALSE(pick(box));
    segment = {{0.25, 0.5, 9}, {0.25, 0.5, -90}};
    Vuro::GL::DataClass* seen = nullptr;
    context.filter = [&](Vuro::GL::DataClass& c) { return (seen = &c) == nullptr; };
    EXPECT_FALSE(pick(box));
    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(segment.p1, Vec(0.25, 0.5, -90));
    EXPECT_EQ(frustum.f, 100);
    EXPECT_EQ(frustum.dirty, 0);
}

TEST_F(IsectTest, LinesAndPointsCountOnlyInsideTheView) {
    auto model = Tolu::makeRef<Vuro::BodyProto>("marks");
    model->addGroup({Vuro::PrimType::Points, {{{0, 50, 0}, {}}}, {1, 1, 1, 1}, 0});
    EXPECT_FALSE(pick(model));
    // One edge in front of the box, one far above the view: only the first counts.
    model->addGroup({Vuro::PrimType::Lines,
                     {{{-3, 0.5f, 3}, {}}, {{3, 0.5f, 3}, {}}, {{0, 90, 0}, {}}, {{1, 90, 0}, {}}},
                     {1, 1, 1, 1},
                     1});
    ASSERT_TRUE(pick(model));
    EXPECT_VEC_NEAR(hit.pos, Vec(0.25, 0.5, 3));
    EXPECT_VEC_NEAR(hit.normal, Vec(0, 0, 0));
    EXPECT_NEAR(frustum.f, 7, 1e-9);
    EXPECT_FALSE(pick(box)); // its face now lies beyond the narrowed pick
}

} // namespace
