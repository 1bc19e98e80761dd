#include "ModelCompare.h"

#include <ostra_sim/JointTrack.h>
#include <ostra_sim/PortDrvUI.h>
#include <ostra_sim/SensorTrack.h>
#include <ostra_sim/Track.h>

#include <cmath>
#include <sstream>

namespace Tolu::Test {

namespace {

namespace Sim = Ostra::Sim;

class Compare {
public:
    explicit Compare(double tolerance) : tolerance(tolerance) {}

    template <class T> bool same(const T& a, const T& b, const std::string& what) {
        if (!(a == b)) {
            fail(what);
        }
        return difference.empty();
    }
    bool near(double a, double b, const std::string& what) {
        if (!(std::abs(a - b) <= tolerance)) {
            std::ostringstream text;
            text.precision(17);
            text << what << ": " << a << " vs " << b;
            fail(text.str());
        }
        return difference.empty();
    }
    void near(const Tolu::Matrix4x4T<double>& a, const Tolu::Matrix4x4T<double>& b,
              const std::string& what) {
        for (std::size_t k = 0; k < 16 && difference.empty(); ++k) {
            near(a.m[k], b.m[k], what + " element " + std::to_string(k));
        }
    }
    void near(const Tolu::Vector3T<double>& a, const Tolu::Vector3T<double>& b,
              const std::string& what) {
        near(a.x, b.x, what + ".x") && near(a.y, b.y, what + ".y") && near(a.z, b.z, what + ".z");
    }
    void fail(const std::string& what) {
        if (difference.empty()) {
            difference = what;
        }
    }

    static std::string nameOf(const Tolu::PtrT<Sim::Body>& body) {
        const Tolu::RefT<Sim::Body> alive(body);
        return alive ? alive->getName() : "(none)";
    }

    void proto(const Vuro::BodyProto* a, const Vuro::BodyProto* b, const std::string& what) {
        if (!a || !b) {
            same(a == nullptr, b == nullptr, what + " has geometry");
            return;
        }
        if (!same(a->getGroups().size(), b->getGroups().size(), what + " group count")) {
            return;
        }
        for (std::size_t g = 0; g < a->getGroups().size(); ++g) {
            const Vuro::PrimGroup& ga = a->getGroups()[g];
            const Vuro::PrimGroup& gb = b->getGroups()[g];
            const std::string group = what + " group " + std::to_string(g);
            if (!same(ga.color, gb.color, group + " colour") ||
                !same(ga.vertices.size(), gb.vertices.size(), group + " vertex count")) {
                return;
            }
            for (std::size_t v = 0; v < ga.vertices.size(); ++v) {
                if (!(ga.vertices[v].pos == gb.vertices[v].pos) ||
                    !(ga.vertices[v].normal == gb.vertices[v].normal)) {
                    fail(group + " vertex " + std::to_string(v));
                    return;
                }
            }
        }
    }

    void node(const Sim::Node& a, const Sim::Node& b) {
        const std::string& n = a.getName();
        same(a.getName(), b.getName(), "name " + a.getName());
        near(a.getTransform(), b.getTransform(), n + " transform");
        same(a.isVisible(), b.isVisible(), n + " visible");
        same(a.isPickable(), b.isPickable(), n + " pickable");
        same(a.isUseColor(), b.isUseColor(), n + " useColor");
        same(a.getColor(), b.getColor(), n + " colour");
        same(a.getColorMix(), b.getColorMix(), n + " colour mix");
        same(a.getAlpha(), b.getAlpha(), n + " alpha");
    }

    void body(const Sim::Body& a, const Sim::Body& b) {
        node(a, b);
        const std::string& n = a.getName();
        same(a.getStatus(), b.getStatus(), n + " status");
        near(a.getRefPoint(), b.getRefPoint(), n + " reference point");
        proto(a.getProto().get(), b.getProto().get(), n + " geometry");
        const auto* ta = dynamic_cast<const Sim::Track*>(&a);
        const auto* tb = dynamic_cast<const Sim::Track*>(&b);
        if (!same(ta == nullptr, tb == nullptr, n + " is a track") || !ta ||
            !same(ta->getNumSegs(), tb->getNumSegs(), n + " segment count")) {
            return;
        }
        for (std::size_t i = 0; i < ta->getNumSegs(); ++i) {
            const auto& sa = ta->getSegData(i);
            const auto& sb = tb->getSegData(i);
            const std::string seg = n + " segment " + std::to_string(i);
            same(sa.type, sb.type, seg + " type");
            near(sa.length, sb.length, seg + " length");
            near(sa.radius, sb.radius, seg + " radius");
            near(sa.angle.value, sb.angle.value, seg + " angle");
            near(sa.rise, sb.rise, seg + " rise");
            near(sa.ctrl1, sb.ctrl1, seg + " control 1");
            near(sa.ctrl2, sb.ctrl2, seg + " control 2");
            near(sa.end, sb.end, seg + " end");
        }
    }

    void joint(const Sim::Joint& a, const Sim::Joint& b) {
        node(a, b);
        const std::string& n = a.getName();
        same(a.getStatus(), b.getStatus(), n + " status");
        near(a.getFrame(), b.getFrame(), n + " frame");
        same(nameOf(a.getBody1()), nameOf(b.getBody1()), n + " body 1");
        same(nameOf(a.getBody2()), nameOf(b.getBody2()), n + " body 2");
        const auto* ja = dynamic_cast<const Sim::JointTrack*>(&a);
        const auto* jb = dynamic_cast<const Sim::JointTrack*>(&b);
        if (same(ja == nullptr, jb == nullptr, n + " is on a track") && ja) {
            near(ja->getInitialPos(), jb->getInitialPos(), n + " initial position");
            near(ja->getCurrentPos(), jb->getCurrentPos(), n + " current position");
        }
    }

    void sensor(const Sim::Sensor& a, const Sim::Sensor& b) {
        node(a, b);
        const std::string& n = a.getName();
        same(nameOf(a.getBody()), nameOf(b.getBody()), n + " body");
        const auto* sa = dynamic_cast<const Sim::SensorTrack*>(&a);
        const auto* sb = dynamic_cast<const Sim::SensorTrack*>(&b);
        if (same(sa == nullptr, sb == nullptr, n + " is on a track") && sa) {
            same(nameOf(sa->getTrack()), nameOf(sb->getTrack()), n + " track");
            near(sa->getPos1(), sb->getPos1(), n + " position 1");
            near(sa->getPos2(), sb->getPos2(), n + " position 2");
        }
    }

    void driver(const Sim::PortDrv& a, const Sim::PortDrv& b, const Sim::Project& pa,
                const Sim::Project& pb) {
        same(a.getName(), b.getName(), "port driver " + a.getName());
        const auto* ua = dynamic_cast<const Sim::PortDrvUI*>(&a);
        const auto* ub = dynamic_cast<const Sim::PortDrvUI*>(&b);
        if (!same(ua == nullptr, ub == nullptr, a.getName() + " is a UI driver") || !ua) {
            return;
        }
        same(ua->isEnabled(), ub->isEnabled(), a.getName() + " enabled");
        same(ua->canAll(), ub->canAll(), a.getName() + " may drag all");
        // Bodies in model order on both sides, compared by name.
        const Sim::Body* ba = pa.getBodyList().getFirst().get();
        const Sim::Body* bb = pb.getBodyList().getFirst().get();
        for (; ba && bb; ba = ba->getNext().get(), bb = bb->getNext().get()) {
            same(ua->hasBody(ba), ub->hasBody(bb), a.getName() + " drives " + ba->getName());
        }
    }

    std::string difference;

private:
    double tolerance;
};

template <class T, class F>
void walk(Compare& compare, const T* a, const T* b, const char* what, F&& each) {
    std::size_t index = 0;
    for (; a && b && compare.difference.empty(); a = a->getNext().get(), b = b->getNext().get()) {
        each(*a, *b);
        ++index;
    }
    if (compare.difference.empty() && (a || b)) {
        compare.fail(std::string(what) + " lists differ in length after " + std::to_string(index));
    }
}

} // namespace

std::string firstDifference(const Sim::Project& a, const Sim::Project& b, double tolerance) {
    Compare compare(tolerance);
    compare.same(a.getSrcRef().name, b.getSrcRef().name, "project name");
    walk(compare, a.getBodyList().getFirst().get(), b.getBodyList().getFirst().get(), "body",
         [&](const Sim::Body& x, const Sim::Body& y) { compare.body(x, y); });
    walk(compare, a.getJointList().getFirst().get(), b.getJointList().getFirst().get(), "joint",
         [&](const Sim::Joint& x, const Sim::Joint& y) { compare.joint(x, y); });
    walk(compare, a.getSensorList().getFirst().get(), b.getSensorList().getFirst().get(), "sensor",
         [&](const Sim::Sensor& x, const Sim::Sensor& y) { compare.sensor(x, y); });
    walk(compare, a.getPortDrvs().getFirst().get(), b.getPortDrvs().getFirst().get(), "port driver",
         [&](const Sim::PortDrv& x, const Sim::PortDrv& y) { compare.driver(x, y, a, b); });
    return compare.difference;
}

} // namespace Tolu::Test
