#include <tolu/util/Error.h>
#include <vuro_gl/BodyProto.h>
#include <vuro_gl/Shapes.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>

namespace {

using Vuro::PrimType;
using V3 = Tolu::Vector3T<float>;

Vuro::PrimGroup group(PrimType type, std::initializer_list<V3> points, unsigned slot = 0) {
    Vuro::PrimGroup g{type, {}, {}, slot};
    for (const V3& p : points) {
        g.vertices.push_back({p, {}});
    }
    return g;
}

TEST(ModelBodyProtoTest, AddGroupRejectsBadGroupsNamingTheValueAndTheBoxGrowsOverTheRest) {
    auto model = Tolu::makeRef<Vuro::BodyProto>("m");
    auto badNormal = group(PrimType::Points, {{9, 9, 9}});
    badNormal.vertices[0].normal.z = std::numeric_limits<float>::infinity();
    const std::pair<Vuro::PrimGroup, std::string> cases[] = {
        {group(PrimType::Points, {{0, 0, 0}}, 8), "slot 8"},
        {group(PrimType::Triangles, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {}}), "4 vertices"},
        {group(PrimType::Lines, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}), "3 vertices"},
        {group(PrimType::Points, {{}, {5, std::nanf(""), 0}}), "vertex 1"},
        {badNormal, "inf"}};
    for (const auto& [bad, detail] : cases) {
        try {
            model->addGroup(bad);
            ADD_FAILURE() << "no error for " << detail;
        } catch (const Tolu::Error& e) {
            EXPECT_NE(std::string(e.what()).find("addGroup"), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(detail), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(model->getGroups().empty());
    EXPECT_FALSE(model->getBBox().valid);

    model->addGroup(group(PrimType::Triangles, {}));
    EXPECT_FALSE(model->getBBox().valid) << "an empty group has no extent";
    model->addGroup(group(PrimType::Lines, {{1, 2, 3}, {-1, 0, 5}}, 3));
    model->addGroup(group(PrimType::Points, {{0, -4, 4}}, 7));
    ASSERT_TRUE(model->getBBox().valid);
    EXPECT_EQ(model->getBBox().min, V3(-1, -4, 3));
    EXPECT_EQ(model->getBBox().max, V3(1, 2, 5));
}

struct ShapeCase {
    std::string name;
    Tolu::RefT<Vuro::BodyProto> (*make)();
    V3 min, max;
    double volume; // of the smooth solid
    bool convex;
};

const Tolu::Vector4T<float> kColour{0.2f, 0.4f, 0.6f, 1.0f};
constexpr double kPi = std::numbers::pi;

class ShapeTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeTest, ClosedOutwardFacingMeshInSlotZeroWithTheExpectedExtent) {
    const ShapeCase& shape = GetParam();
    const auto proto = shape.make();
    ASSERT_EQ(proto->getGroups().size(), 1u);
    EXPECT_EQ(proto->getGroups()[0].type, PrimType::Triangles);
    EXPECT_EQ(proto->getGroups()[0].slot, 0u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(proto->getBBox().min[i], shape.min[i], 1e-5) << "axis " << i;
        EXPECT_NEAR(proto->getBBox().max[i], shape.max[i], 1e-5) << "axis " << i;
    }
    const auto& v = proto->getGroups()[0].vertices;
    const V3 inside = proto->getBBox().getCentre();
    double volume = 0;
    for (std::size_t i = 0; i + 2 < v.size(); i += 3) {
        const V3 &a = v[i].pos, &b = v[i + 1].pos, &c = v[i + 2].pos;
        const V3 face = (b - a).cross(c - a);
        // Divergence theorem: a closed mesh wound counter-clockwise from outside has a
        // positive signed volume, close to the solid's.
        volume += double(a.dot(b.cross(c))) / 6.0;
        for (std::size_t k = i; k < i + 3; ++k) {
            EXPECT_NEAR(v[k].normal.length(), 1.0f, 1e-5) << "vertex " << k;
            EXPECT_GT(v[k].normal.dot(face), 0.0f) << "vertex " << k << " against its face";
        }
        if (shape.convex) {
            EXPECT_GT(face.dot((a + b + c) / 3.0f - inside), 0.0f) << "triangle " << i / 3;
        }
    }
    EXPECT_GT(volume, 0.9 * shape.volume);
    EXPECT_LT(volume, 1.0001 * shape.volume);
}

// The arrow's head is six radii long and twice as wide as its shaft. Kept as a table.
// clang-format off
const ShapeCase kShapes[] = {
    {"Box", [] { return Vuro::makeBox({1, 2, 3}, kColour); },
     {-0.5f, -1, -1.5f}, {0.5f, 1, 1.5f}, 6.0, true},
    {"Cylinder", [] { return Vuro::makeCylinder(0.5f, 2, kColour); },
     {-0.5f, -0.5f, -1}, {0.5f, 0.5f, 1}, kPi * 0.5, true},
    {"Sphere", [] { return Vuro::makeSphere(2, kColour); },
     {-2, -2, -2}, {2, 2, 2}, kPi * 32 / 3, true},
    {"Cone", [] { return Vuro::makeCone(1, 3, kColour, 32); },
     {-1, -1, 0}, {1, 1, 3}, kPi, true},
    {"Arrow", [] { return Vuro::makeArrow(3, 0.1f, kColour); },
     {-0.2f, -0.2f, 0}, {0.2f, 0.2f, 3}, kPi * (0.01 * 2.4 + 0.04 * 0.2), false}};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Shapes, ShapeTest, ::testing::ValuesIn(kShapes),
                         [](const auto& info) { return info.param.name; });

TEST(ShapeArgumentsTest, NonPositiveSizesAndTooFewSegmentsThrow) {
    EXPECT_THROW((void)Vuro::makeBox({1, 0, 1}, kColour), Tolu::Error);
    EXPECT_THROW((void)Vuro::makeBox({1, 1, std::nanf("")}, kColour), Tolu::Error);
    EXPECT_THROW((void)Vuro::makeCylinder(-1, 1, kColour), Tolu::Error);
    EXPECT_THROW((void)Vuro::makeSphere(1, kColour, 2), Tolu::Error);
    EXPECT_THROW((void)Vuro::makeCone(1, -2, kColour), Tolu::Error);
    EXPECT_THROW((void)Vuro::makeArrow(1, 0, kColour), Tolu::Error);
}

} // namespace
