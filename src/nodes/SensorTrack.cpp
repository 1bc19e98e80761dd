#include "interaction/Geometry.h"
#include "interaction/IsectScope.h"
#include "render/ForcedHL.h"

#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>
#include <sim_gl/SensorTrack.h>

#include <ostra_sim/SensorTrack.h>
#include <ostra_sim/Track.h>
#include <tolu/gl/GL.h>
#include <tolu/util/Error.h>
#include <vuro_gl/gl/Context.h>
#include <vuro_gl/gl/GripColors.h>
#include <vuro_gl/gl/Isect.h>
#include <vuro_gl/gl/IsectContext.h>

#include <cmath>

namespace Ostra::Sim::GL {

namespace {

constexpr std::uint32_t hl1 = 0x2;

const Vector4T<float> white{1.0f, 1.0f, 1.0f, 1.0f};

} // namespace

RefT<Sensor> newSensor(Project& project, Sim::Sensor& sensor) {
    if (auto* onTrack = dynamic_cast<Sim::SensorTrack*>(&sensor)) {
        return RefT<Sensor>(new SensorTrack(project, *onTrack));
    }
    return {};
}

bool isMapped(const Sim::Sensor& sensor) {
    return dynamic_cast<const Sim::SensorTrack*>(&sensor) != nullptr;
}

SensorTrack::SensorTrack(Project& project, Sim::SensorTrack& sensor) : Sensor(project, sensor) {}

SensorTrack::~SensorTrack() = default;

ClassId SensorTrack::getClassId() const {
    return ClassIdSensorTrack;
}

double SensorTrack::normalizePos(double s, double length) noexcept {
    // The sign bit, not `s < 0`: −0.0 also counts from the end.
    if (std::signbit(s)) {
        s += length;
    }
    if (length > 0) {
        return s < 0 ? 0.0 : (s <= length ? s : length);
    }
    return s < length ? length : (s <= 0 ? s : 0.0);
}

bool SensorTrack::getGrips(Vector3T<double>& grip1, Vector3T<double>& grip2) const {
    const auto& sensor = static_cast<const Sim::SensorTrack&>(*simNode);
    const auto* track = dynamic_cast<const Sim::Track*>(sensor.getTrack().get());
    if (!track) {
        return false;
    }
    const double length = track->getLength();
    // Both points before anything else, so a failure leaves no half result.
    const Vector3T<double> p1 = track->getPos(normalizePos(sensor.getPos1(), length));
    const Vector3T<double> p2 = track->getPos(normalizePos(sensor.getPos2(), length));
    const auto& world = track->getTransform();
    grip1 = world.transformAffine(p1);
    grip2 = world.transformAffine(p2);
    return true;
}

void SensorTrack::drawGrips(Context& context, const Vector4T<float>& front1,
                            const Vector4T<float>& front2, const Vector4T<float>& back) const {
    try {
        Vector3T<double> grip1;
        Vector3T<double> grip2;
        if (!getGrips(grip1, grip2)) {
            return;
        }
        Tolu::GL::glLineWidth(1.0f);
        context.renderGrip(grip1, front1, back);
        context.renderGrip(grip2, front2, back);
    } catch (const Tolu::Error&) {
        // A position the track cannot resolve costs the grips, not the frame.
    }
}

void SensorTrack::renderHUD(Context& context) {
    if (!(context.renderMask & SensorGrips) || (hlFlags & hl1)) {
        return;
    }
    const bool own = isHighlighted();
    const float h = own ? 0.5f : 0.0f;
    drawGrips(context, Vuro::GL::SensorTrack::colorGripF1 * (1.0f - h) + context.hlColor * h,
              Vuro::GL::SensorTrack::colorGripF2 * (1.0f - h) + context.hlColor * h,
              own ? context.hlColor : Vuro::GL::SensorTrack::colorGripB);
}

void SensorTrack::renderHUDHL(Context& context) {
    if (!(context.renderMask & SensorGrips)) {
        return;
    }
    if (context.hlMode == 0 && (hlFlags & hl1)) {
        return; // mode 1 takes precedence
    }
    const ForcedHLScope forced(context, isHighlighted());
    if (forced.isForced()) {
        drawGrips(context, Vuro::GL::SensorTrack::colorGripF1 * 0.5f + context.hlColor * 0.5f,
                  Vuro::GL::SensorTrack::colorGripF2 * 0.5f + context.hlColor * 0.5f,
                  context.hlColor);
    }
}

void SensorTrack::renderHUDHLMask(Context& context) {
    if (!(context.renderMask & SensorGrips)) {
        return;
    }
    if (context.hlMode == 0 && (hlFlags & hl1)) {
        return;
    }
    const ForcedHLScope forced(context, isHighlighted());
    if (forced.isForced()) {
        drawGrips(context, white, white, white);
    }
}

BSphereT<double> SensorTrack::getBSphere(Context&, unsigned mask, unsigned hlMask1,
                                         unsigned hlMask0) {
    // Sensor grips always count as visible.
    const unsigned selected =
        mask | (isHighlighted(0) ? hlMask0 : 0u) | (isHighlighted(1) ? hlMask1 : 0u);
    BSphereT<double> sphere;
    if (!(selected & SensorGrips)) {
        return sphere;
    }
    try {
        Vector3T<double> grip1;
        Vector3T<double> grip2;
        if (getGrips(grip1, grip2)) {
            Geometry::addPoint(sphere, grip1);
            Geometry::addPoint(sphere, grip2);
        }
    } catch (const Tolu::Error&) {
        // The sphere as far as it got: empty when the track could not resolve a grip.
    }
    return sphere;
}

void SensorTrack::isect(Segment3T<double>& segment, FrustumT<double>& frustum,
                        Isect::Context& context, Isect::Hit& hit) {
    const InheritedHLScope inherited(context, isHighlighted(context.mode));
    if (context.mode != Vuro::GL::allModes && !context.inheritedHL) {
        return;
    }
    if (!(context.classMask & SensorGrips)) {
        return;
    }
    try {
        Vector3T<double> grip1;
        Vector3T<double> grip2;
        if (!getGrips(grip1, grip2)) {
            return;
        }
        // The second grip is tested against the volume as the first one left it.
        for (const Vector3T<double>& grip : {grip1, grip2}) {
            if (Geometry::pointInFrustum(frustum, grip)) {
                setPointHit(hit, grip, *this, context.mode);
                Vuro::GL::clip(segment, frustum, grip);
            }
        }
    } catch (const Tolu::Error&) {
        // Grips the track cannot resolve are simply not hit.
    }
}

} // namespace Ostra::Sim::GL
