#include <tolu/gl/Error.h>
#include <tolu/gl/GLEnums.h>
#include <tolu/gl/Recorder.h>
#include <tolu/gl/ScopedFunctions.h>
#include <tolu/util/Error.h>
#include <vuro_gl/BodyProto.h>
#include <vuro_gl/gl/BodyProto.h>
#include <vuro_gl/gl/ClassMap.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <thread>
#include <vector>

namespace {

using GLProto = Vuro::GL::BodyProto;

Vuro::PrimGroup group(Vuro::PrimType type, unsigned count, unsigned slot, float z) {
    Vuro::PrimGroup g{type, {}, {z, 0.5f, 0.5f, 1.0f}, slot};
    for (unsigned i = 0; i < count; ++i) {
        g.vertices.push_back({{float(i), -float(i), z}, {0, 0, 1}});
    }
    return g;
}

class GLBodyProtoTest : public ::testing::Test {
protected:
    GLBodyProtoTest() {
        // Slot 0: triangle, point, triangle (7 vertices); slot 2: one line; the rest empty.
        model->addGroup(group(Vuro::PrimType::Triangles, 3, 0, 0.1f));
        model->addGroup(group(Vuro::PrimType::Points, 1, 0, 0.2f));
        model->addGroup(group(Vuro::PrimType::Triangles, 3, 0, 0.3f));
        model->addGroup(group(Vuro::PrimType::Lines, 2, 2, 0.4f));
        proto = Tolu::makeRef<GLProto>(*model);
    }
    // The calls logged from index `mark` on, as text.
    [[nodiscard]] std::vector<std::string> since(std::size_t mark) const {
        std::vector<std::string> out;
        for (std::size_t i = mark; i < recorder.calls().size(); ++i) {
            out.push_back(recorder.calls()[i].str());
        }
        return out;
    }
    Vuro::GL::GPrim& tri(std::size_t i) { return proto->getGLTris()[0][i]; }

    Tolu::GL::Recorder recorder;
    Tolu::GL::ScopedFunctions scoped{recorder.getTable()};
    Tolu::RefT<Vuro::BodyProto> model = Tolu::makeRef<Vuro::BodyProto>("mixed");
    Tolu::RefT<GLProto> proto;
};

TEST_F(GLBodyProtoTest, ClassMapBuildsGroupsBySlotAndKindWithoutGL) {
    Vuro::GL::ClassMap map;
    Tolu::RefT<GLProto> made(map.get(Tolu::RefT<Vuro::DataClass>(model)));
    ASSERT_TRUE(made);
    EXPECT_TRUE(recorder.calls().empty()) << recorder.str();
    const auto& tris = made->getGLTris()[0];
    ASSERT_EQ(tris.size(), 2u);
    EXPECT_EQ(tris[1].getFirst(), 4u) << "the point sits between the triangles";
    EXPECT_EQ(tris[1].getCount(), 3u);
    EXPECT_FLOAT_EQ(tris[1].getGLGState()->getColor().x, 0.3f);
    EXPECT_EQ(made->getGLPoints()[0].at(0).getFirst(), 3u);
    EXPECT_EQ(made->getGLLines()[2].at(0).getFirst(), 0u);
}

// The map lets go of the GL class of a model class that died, also on another thread,
// at the next get or releaseDead on its own thread; a GL class that nothing else holds
// then dies there with its buffers, one that a scene still holds lives on.
TEST_F(GLBodyProtoTest, ClassMapLetsGoOfTheClassesOfDeadModelClasses) {
    const auto liveBefore = Tolu::Class::getLiveCount();
    Vuro::GL::ClassMap map;
    auto modelOf = [](const char* name) {
        auto made = Tolu::makeRef<Vuro::BodyProto>(name);
        made->addGroup(group(Vuro::PrimType::Triangles, 3, 0, 0.1f));
        return made;
    };
    auto a = modelOf("a"), b = modelOf("b");
    (void)Tolu::RefT<GLProto>(map.get(Tolu::RefT<Vuro::DataClass>(a)))->getGLVBOs();
    Tolu::RefT<GLProto> heldB(map.get(Tolu::RefT<Vuro::DataClass>(b)));
    ASSERT_EQ(map.getCount(), 2u);

    std::thread([dying = std::move(a)]() mutable { dying = nullptr; }).join();
    EXPECT_EQ(recorder.count("glDeleteBuffers"), 0u) << "nothing on the dying thread";
    EXPECT_EQ(map.getCount(), 2u);
    map.releaseDead();
    EXPECT_EQ(map.getCount(), 1u);
    EXPECT_EQ(recorder.count("glDeleteBuffers"), 1u) << "its buffer went with the GL class";

    b = nullptr;
    auto c = modelOf("c");
    ASSERT_TRUE(map.get(Tolu::RefT<Vuro::DataClass>(c)));
    EXPECT_EQ(map.getCount(), 1u) << "only c's; the next get let go of b's";
    EXPECT_TRUE(heldB->getBBox().valid) << "still held by its user";
    heldB = nullptr;
    c = nullptr;
    map.releaseDead();
    EXPECT_EQ(map.getCount(), 0u);
    EXPECT_EQ(Tolu::Class::getLiveCount(), liveBefore);
}

TEST_F(GLBodyProtoTest, BoxIsTheTwelveEdgesOfTheModelBoxInWhite) {
    const Vuro::GL::GPrim& box = proto->getBBoxGPrim();
    EXPECT_EQ(box.getGLGState()->getColor().y, 1.0f);
    EXPECT_EQ(box.vboSlot, -1) << "not one of the model's slots";
    ASSERT_EQ(box.getCount(), 24u);
    const auto& bbox = model->getBBox();
    const auto& v = box.getBuffer().vertices;
    for (std::size_t i = 0; i < v.size(); i += 2) {
        int differing = 0;
        for (std::size_t axis = 0; axis < 3; ++axis) {
            for (const auto& p : {v[i].pos, v[i + 1].pos}) {
                EXPECT_TRUE(p[axis] == bbox.min[axis] || p[axis] == bbox.max[axis]);
            }
            differing += v[i].pos[axis] != v[i + 1].pos[axis];
        }
        EXPECT_EQ(differing, 1) << "edge " << i / 2;
    }
}

TEST_F(GLBodyProtoTest, GLVBOsNameNonEmptySlotsOnceAndAModelWithoutGeometryHasNone) {
    const auto vbos = proto->getGLVBOs();
    EXPECT_NE(vbos[0], 0u);
    EXPECT_NE(vbos[2], 0u);
    EXPECT_EQ(vbos[1] + vbos[3] + vbos[4] + vbos[5] + vbos[6] + vbos[7], 0u);
    EXPECT_EQ(proto->getGLVBOs(), vbos);
    EXPECT_EQ(recorder.names(), (std::vector<std::string>(2, "glGenBuffers")));

    auto empty = Tolu::makeRef<GLProto>(*Tolu::makeRef<Vuro::BodyProto>("empty"));
    EXPECT_EQ(empty->getGLVBOs(), (std::array<unsigned, GLProto::slotCount>{}));
    EXPECT_EQ(empty->getBBoxVBO(), 0u);
    EXPECT_THROW((void)empty->getBBoxGPrim(), Tolu::Error);
    EXPECT_EQ(recorder.calls().size(), 2u) << recorder.str();
}

TEST_F(GLBodyProtoTest, UpdateFillsOnceThenOnlyBindsUntilTheBufferNameChanges) {
    const unsigned vbo = proto->getGLVBOs()[0];
    std::size_t mark = recorder.calls().size();
    tri(0).updateGL(vbo);
    const auto fill = since(mark);
    ASSERT_EQ(recorder.count("glBufferData"), 1u);
    EXPECT_NE(recorder.str().find("glBufferData(34962, 168, "), std::string::npos) << "all 7";
    EXPECT_EQ(fill.back(), "glBindBuffer(34962, 0)") << "array-buffer binding put back";

    // The other group of the slot shares the filled buffer.
    mark = recorder.calls().size();
    tri(1).updateGL(vbo);
    EXPECT_EQ(since(mark),
              std::vector<std::string>{"glBindVertexArray(" +
                                       std::to_string(tri(0).getBuffer().getVAO()) + ")"});

    tri(1).updateGL(77);
    EXPECT_EQ(recorder.count("glGenVertexArrays"), 1u);
    EXPECT_EQ(recorder.count("glBufferData"), 2u);
    EXPECT_NE(recorder.str().find("glBindBuffer(34962, 77)"), std::string::npos);
}

TEST_F(GLBodyProtoTest, FailedFillRestoresBindingsAndFillsAgainNextTime) {
    const unsigned vbo = proto->getGLVBOs()[0];
    recorder.throwAt(recorder.calls().size() + 6); // glBufferData
    EXPECT_THROW(tri(0).updateGL(vbo), Tolu::GL::Error);
    const auto calls = since(recorder.calls().size() - 3);
    EXPECT_EQ(calls[0].substr(0, 12), "glBufferData");
    EXPECT_EQ(calls[1], "glBindBuffer(34962, 0)");
    EXPECT_EQ(calls[2], "glBindVertexArray(0)");
    tri(0).updateGL(vbo);
    EXPECT_EQ(recorder.count("glBufferData"), 2u);
}

TEST_F(GLBodyProtoTest, AFailingRestoreOfTheBindingAfterAFillReachesTheCaller) {
    const unsigned vbo = proto->getGLVBOs()[0];
    recorder.throwAt(recorder.calls().size() + 11); // the last call: glBindBuffer(34962, 0)
    EXPECT_THROW(tri(0).updateGL(vbo), Tolu::GL::Error);
    EXPECT_EQ(recorder.calls().back().str(), "glBindBuffer(34962, 0)");
    const std::size_t mark = recorder.calls().size();
    tri(0).updateGL(vbo);
    EXPECT_EQ(since(mark).size(), 1u) << "filled already: only bound";
}

TEST_F(GLBodyProtoTest, ReleaseDeletesEverythingAndLaterUseMakesItAgain) {
    tri(0).updateGL(proto->getGLVBOs()[0]);
    proto->getBBoxGPrim().updateGL(proto->getBBoxVBO());
    proto->releaseGL();
    EXPECT_EQ(recorder.count("glDeleteVertexArrays"), 2u);
    ASSERT_EQ(recorder.count("glDeleteBuffers"), 1u);
    EXPECT_EQ(recorder.calls().back().args[0], 3.0) << "slots 0 and 2 and the box";

    EXPECT_NE(proto->getGLVBOs()[0], 0u);
    EXPECT_NE(proto->getBBoxVBO(), 0u);
    EXPECT_EQ(recorder.count("glGenBuffers"), 6u);
    tri(0).updateGL(proto->getGLVBOs()[0]);
    EXPECT_EQ(recorder.count("glGenVertexArrays"), 3u);
    EXPECT_EQ(recorder.count("glBufferData"), 3u);
}

TEST_F(GLBodyProtoTest, DestructorDeletesOnlyWhileOpenGLIsLoaded) {
    tri(0).updateGL(proto->getGLVBOs()[0]);
    auto other = Tolu::makeRef<GLProto>(*model);
    other->getGLTris()[0][0].updateGL(other->getGLVBOs()[0]);
    const std::size_t mark = recorder.calls().size();
    {
        Tolu::GL::ScopedFunctions gone(recorder.getTable(), false);
        other = nullptr;
    }
    EXPECT_TRUE(since(mark).empty()) << recorder.str();
    proto = nullptr;
    EXPECT_EQ(since(mark).size(), 2u) << "one vertex array, one call for both buffers";
}

} // namespace
