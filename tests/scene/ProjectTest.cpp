#include <sim_gl/Body.h>
#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>

#include <ostra_sim/Body.h>
#include <ostra_sim/Joint.h>
#include <ostra_sim/Project.h>
#include <ostra_sim/SensorTrack.h>
#include <vuro_gl/BodyProto.h>
#include <vuro_gl/gl/BodyProto.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/IsectContext.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <new>
#include <string>
#include <vector>

namespace {

namespace GL = Ostra::Sim::GL;
namespace Sim = Ostra::Sim;
using Tolu::makeRef;
using Tolu::PtrT;
using Tolu::RefT;

using Deaths = std::vector<std::string>;

// Concrete nodes for the abstract node classes, recording when they die.
template <class Base, class SimClass> struct Recorded : Base {
    Recorded(GL::Project& project, SimClass& simNode, Deaths* deaths, std::string name)
        : Base(project, simNode), deaths(deaths), name(std::move(name)) {}
    GL::ClassId getClassId() const override { return GL::ClassIdBody; }
    void isect(Tolu::Segment3T<double>&, Tolu::FrustumT<double>&, GL::Isect::Context&,
               GL::Isect::Hit&) override {}
    ~Recorded() override {
        if (deaths) {
            deaths->push_back(name);
        }
    }
    Deaths* deaths;
    std::string name;
};
using TestBody = Recorded<GL::Body, Sim::Body>;
using TestJoint = Recorded<GL::Joint, Sim::Joint>;
using TestSensor = Recorded<GL::Sensor, Sim::Sensor>;

// Opens the project's protected state to the tests and mirrors a model the simple
// way: one node per object, registered in the node map.
struct TestProject : GL::Project {
    using Project::makeGLBodyProto;
    using Project::nodeMap;
    using Project::Project;
    using Project::protoList;
    using Project::protoMap;
    using Project::simStamp;

    void mirror(Deaths* deaths = nullptr) {
        RefT<Sim::Project> model(get());
        for (Sim::Body* b = model->getBodyList().first.get(); b; b = b->getNext().get()) {
            nodeMap[b] = new TestBody(*this, *b, deaths, "body " + b->getSrcRef().name);
        }
        for (Sim::Joint* j = model->getJointList().first.get(); j; j = j->getNext().get()) {
            nodeMap[j] = new TestJoint(*this, *j, deaths, "joint " + j->getSrcRef().name);
        }
        for (Sim::Sensor* s = model->getSensorList().first.get(); s; s = s->getNext().get()) {
            nodeMap[s] = new TestSensor(*this, *s, deaths, "sensor " + s->getSrcRef().name);
        }
    }
};

class ProjectTest : public ::testing::Test {
protected:
    RefT<Sim::Project> makeModel(int bodies, int joints, int sensors,
                                 const RefT<Vuro::BodyProto>& proto = {}) {
        auto model = makeRef<Sim::Project>();
        for (int i = 0; i < bodies; ++i) {
            auto body = makeRef<Sim::Body>(Sim::SrcRef{std::to_string(i)});
            body->setProto(proto);
            model->addBody(body);
        }
        for (int i = 0; i < joints; ++i) {
            model->addJoint(makeRef<Sim::Joint>(Sim::SrcRef{std::to_string(i)}));
        }
        for (int i = 0; i < sensors; ++i) {
            model->addSensor(makeRef<Sim::SensorTrack>(Sim::SrcRef{std::to_string(i)}));
        }
        return model;
    }

    // Declared before the project: nodes still report their deaths while it goes.
    Deaths deaths;
    Vuro::GL::ClassMap classMap;
    RefT<TestProject> project = makeRef<TestProject>(classMap);
};

TEST_F(ProjectTest, SetWithTheSameProjectKeepsEverythingWithAnotherOrNullDiscardsIt) {
    for (bool toNull : {false, true}) {
        SCOPED_TRACE(toNull ? "null" : "another project");
        deaths.clear();
        auto model = makeModel(2, 1, 1); // the host keeps the model; the scene only observes it
        project->set(model);
        project->mirror(&deaths);
        project->simStamp = 17;
        GL::Body* first = project->getBodyList().first.get();
        RefT<GL::Node> held(project->getJointList().first.get());

        project->set(model);
        EXPECT_EQ(project->getBodyList().first.get(), first);
        EXPECT_EQ(project->getBodyList().count, 2u);
        EXPECT_EQ(project->nodeMap.size(), 4u);
        EXPECT_EQ(project->simStamp, 17u);
        EXPECT_TRUE(deaths.empty());

        auto other = toNull ? RefT<Sim::Project>() : makeModel(1, 0, 0);
        project->set(other);
        EXPECT_EQ(project->get().get(), other.get());
        EXPECT_EQ(project->getBodyList().count, 0u);
        EXPECT_EQ(project->getJointList().count, 0u);
        EXPECT_EQ(project->getSensorList().count, 0u);
        EXPECT_TRUE(project->nodeMap.empty());
        EXPECT_EQ(project->simStamp, 0u);
        // Bodies first, then sensors; the joint lives on in the host's hands.
        EXPECT_EQ(deaths, (Deaths{"body 0", "body 1", "sensor 0"}));
        EXPECT_EQ(held->getProject().get(), project.get());
    }
}

TEST_F(ProjectTest, BodiesShareOnePrototypeChainedInOrderThatGoesWithTheLastOfThem) {
    auto geometry = makeRef<Vuro::BodyProto>("box");
    auto model = makeModel(3, 0, 0, geometry);
    project->set(model);
    project->mirror();
    auto glProto = RefT<Vuro::GL::BodyProto>(classMap.get(RefT<Vuro::DataClass>(geometry)));
    ASSERT_TRUE(glProto);

    GL::Body* first = project->getBodyList().first.get();
    GL::BodyProto* shared = first->getProto().get();
    ASSERT_NE(shared, nullptr);
    for (GL::Body* b = first; b; b = b->getNext().get()) {
        EXPECT_EQ(b->getProto().get(), shared);
    }
    EXPECT_EQ(glProto->userCount, 1u);
    EXPECT_EQ(project->protoList.count, 1u);
    EXPECT_EQ(project->protoMap.size(), 1u);
    // The chain of bodies drawn with the prototype is in creation order.
    EXPECT_EQ(shared->getFirstBody().get(), first);
    EXPECT_EQ(shared->getLastBody().get(), project->getBodyList().last.get());
    EXPECT_EQ(first->getNextInProto().get(), first->getNext().get());

    // A body leaving the chain relinks its neighbours. Taken out by hand here, so the
    // node map must not name them.
    PtrT<GL::BodyProto> watch(first->getProto());
    auto& list = project->getBodyList();
    project->nodeMap.clear();
    list.remove(RefT<GL::Body>(first->getNext().get()));
    EXPECT_EQ(first->getNextInProto().get(), list.last.get());
    list.remove(RefT<GL::Body>(list.last.get()));
    EXPECT_EQ(shared->getFirstBody().get(), first);
    EXPECT_EQ(shared->getLastBody().get(), first);
    EXPECT_FALSE(first->getNextInProto());

    project->set(nullptr);
    EXPECT_FALSE(watch);
    EXPECT_EQ(glProto->userCount, 0u);
    EXPECT_EQ(project->protoList.count, 0u);
    EXPECT_TRUE(project->protoMap.empty());

    // Made again for a new body; a body without geometry gets no prototype.
    model = makeModel(1, 0, 0, geometry);
    model->addBody(makeRef<Sim::Body>());
    project->set(model);
    project->mirror();
    EXPECT_TRUE(project->getBodyList().first->getProto());
    EXPECT_FALSE(project->getBodyList().last->getProto());
    EXPECT_FALSE(project->makeGLBodyProto({}));
    EXPECT_EQ(glProto->userCount, 1u);
    EXPECT_EQ(project->protoList.count, 1u);
}

// Model geometry that always takes the same memory, as an allocator may hand a new
// object the address of one that just died.
struct Recycled : Vuro::BodyProto {
    using Vuro::BodyProto::BodyProto;
    static void* operator new(std::size_t size) {
        if (size > sizeof memory || taken) {
            throw std::bad_alloc();
        }
        taken = true;
        return memory;
    }
    static void operator delete(void*) noexcept { taken = false; }

    alignas(std::max_align_t) static inline unsigned char memory[1024];
    static inline bool taken = false;
};

RefT<Vuro::BodyProto> recycledTriangle() {
    RefT<Vuro::BodyProto> proto(new Recycled("triangle"));
    Vuro::PrimGroup group;
    group.vertices = {{{-1, -1, 0}, {0, 0, 1}}, {{1, -1, 0}, {0, 0, 1}}, {{0, 1, 0}, {0, 0, 1}}};
    proto->addGroup(group);
    return proto;
}

TEST_F(ProjectTest, NewGeometryAtADeadPrototypesAddressGetsOnePrototypeAndTheOldOneStaysPickable) {
    auto model = makeRef<Sim::Project>();
    project->set(model);
    auto held = makeRef<Sim::Body>(); // keeps its first geometry's scene prototype
    held->setTransform(Tolu::Matrix4x4T<double>::translation({5, 0, 0}));
    held->setProto(recycledTriangle());
    model->addBody(held);
    (void)project->update();
    RefT<GL::Body> heldNode(project->getBodyList().first.get());
    const void* oldAddress = held->getProto().get();
    held->setProto(makeRef<Vuro::BodyProto>("other")); // the first geometry dies
    (void)project->update();

    auto geometry = recycledTriangle();
    ASSERT_EQ(geometry.get(), oldAddress);
    for (int i = 0; i < 2; ++i) {
        model->addBody(makeRef<Sim::Body>());
        model->getBodyList().last->setProto(geometry);
    }
    (void)project->update();
    GL::Body* second = heldNode->getNext().get();
    ASSERT_TRUE(second && second->getNext());
    EXPECT_EQ(second->getProto(), second->getNext()->getProto()) << "one chain, one prototype";
    EXPECT_NE(second->getProto(), heldNode->getProto());

    // Still drawn, so still picked, with the box its prototype kept.
    const auto pickAt = [&](double x) {
        const Tolu::FrustumT<double> frustum(-0.01, 0.01, -0.01, 0.01, 1, 100,
                                             Tolu::Matrix4x4T<double>::translation({x, 0, 10}));
        auto pickFrustum = frustum;
        Tolu::Segment3T<double> segment(frustum.toWorld.transformAffine({0, 0, -1}),
                                        frustum.toWorld.transformAffine({0, 0, -100}));
        Vuro::GL::Isect::Context query(Vuro::GL::allModes, GL::BodyGeo, Vuro::GL::Isect::FlagNone);
        GL::Isect::Hit hit;
        project->isect(segment, pickFrustum, query, hit);
        return hit.node.get();
    };
    EXPECT_EQ(pickAt(5), heldNode.get());

    // The old prototype leaves only its own entry behind.
    model->removeBody(held);
    heldNode = nullptr;
    (void)project->update();
    model->addBody(makeRef<Sim::Body>());
    model->getBodyList().last->setProto(geometry);
    (void)project->update();
    EXPECT_EQ(project->getBodyList().last->getProto(), second->getProto());
    EXPECT_EQ(project->protoMap.size(), 1u);
}

TEST_F(ProjectTest, DestroyedProjectLeavesHostHeldNodesAliveWithoutAProject) {
    auto geometry = makeRef<Vuro::BodyProto>("box");
    auto model = makeModel(2, 1, 1, geometry);
    project->set(model);
    project->mirror(&deaths);
    RefT<GL::Body> body(project->getBodyList().last.get());
    RefT<GL::Joint> joint(project->getJointList().first.get());

    project = nullptr;
    // Sensors, joints, then bodies, front to back; the held ones survive.
    EXPECT_EQ(deaths, (Deaths{"sensor 0", "body 0"}));
    EXPECT_FALSE(body->getProject());
    EXPECT_FALSE(joint->getProject());
    ASSERT_TRUE(body->getProto());
    EXPECT_EQ(body->getProto()->getBBox().valid, geometry->getBBox().valid);
    body = nullptr; // its prototype goes too, without reaching the dead project
    EXPECT_EQ(deaths.back(), "body 1");
}

} // namespace
