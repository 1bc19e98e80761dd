#include "interaction/Geometry.h"
#include "interaction/IsectScope.h"
#include "nodes/DiscardGL.h"
#include "nodes/Unfinished.h"
#include "render/ForcedHL.h"
#include "scene/ProjectImpl.h"

#include <sim_gl/Functions.h>
#include <sim_gl/Project.h>
#include <sim_gl/Track.h>

#include <ostra_sim/Track.h>
#include <tolu/gl/Functions.h>
#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <tolu/math3d/Errors.h>
#include <tolu/util/Error.h>
#include <vuro_gl/gl/Context.h>
#include <vuro_gl/gl/Isect.h>
#include <vuro_gl/gl/IsectContext.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace Ostra::Sim::GL {

namespace {

constexpr double degreesPerArcStep = 5.0;
constexpr std::uint64_t curvePoints = 16;
// Most points a path may have: 2^24 points are 192 MiB of vertices, or one arc of about
// 84 million degrees. A longer path is refused rather than sampled with a count that
// does not fit an integer or the memory.
constexpr std::uint64_t maxPathPoints = std::uint64_t(1) << 24;

[[noreturn]] void refusePath(const Sim::Track& track, std::size_t i, const std::string& why) {
    throw Tolu::Error("Ostra::Sim::GL::Track::update: track \"" + track.getName() + "\" segment " +
                      std::to_string(i) + ": " + why + " (a path has at most " +
                      std::to_string(maxPathPoints) + ")");
}

// How many points segment `i` adds to the path: 0 for a type that has none.
std::uint64_t pointCount(const Sim::Track& track, std::size_t i) {
    switch (track.getSeg(i)) {
    case Sim::Track::SegStraight:
        return 1;
    case Sim::Track::SegArc: {
        // Every step spans less than the step angle. Bounded as a double: converting a
        // count beyond the integer's range is undefined.
        const double angle = track.getArcAngle(i).value;
        const double steps = std::floor(std::fabs(angle) / degreesPerArcStep);
        if (!(steps < static_cast<double>(maxPathPoints))) {
            refusePath(track, i,
                       "an arc of " + Tolu::formatMath3dValue(angle) +
                           " degrees needs too many points");
        }
        return static_cast<std::uint64_t>(steps) + 1;
    }
    case Sim::Track::SegBezier:
    case Sim::Track::SegHelix:
        return curvePoints;
    default:
        return 0;
    }
}

} // namespace

Track::Track(Project& project, Sim::Track& track) : Body(project, track) {
    try {
        update();
    } catch (...) {
        unlinkUnfinished<Body>(project.getBodyList(), *this);
        throw;
    }
}

Track::~Track() {
    if (Tolu::GL::isInited()) {
        Tolu::GL::glDeleteVertexArrays(1, &vao);
        Tolu::GL::glDeleteBuffers(1, &vbo);
        vao = 0;
        vbo = 0;
    }
}

ClassId Track::getClassId() const {
    return ClassIdTrack;
}

void Track::update() {
    const auto& track = static_cast<const Sim::Track&>(*simNode);
    const std::uint64_t n = track.getNumSegs();
    if (!points.empty()) {
        return; // sampled once, never again
    }
    if (n == 0) {
        endTransform = Matrix4x4T<double>::identity();
        return;
    }
    // Sampled aside, so that a failing segment leaves the node as it was; counted first,
    // so that a path too long is refused before anything is sampled.
    std::vector<std::uint64_t> counts(n, 0);
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < n; ++i) {
        counts[i] = pointCount(track, i);
        if (counts[i] > maxPathPoints - total) {
            refusePath(track, i,
                       "the path would have " + std::to_string(total + counts[i]) + " points");
        }
        total += counts[i];
    }
    std::vector<Vector3T<float>> sampled{Vector3T<float>(0.0f, 0.0f, 0.0f)};
    sampled.reserve(total + 1);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t k = counts[i];
        if (k == 0) {
            continue;
        }
        if (track.getSeg(i) == Sim::Track::SegStraight) {
            sampled.emplace_back(track.getPos(i, 1.0));
        } else {
            for (std::uint64_t j = 1; j <= k; ++j) {
                sampled.emplace_back(
                    track.getPos(i, static_cast<double>(j) / static_cast<double>(k)));
            }
        }
    }
    const Matrix4x4T<double> end = track.getTransform(n - 1, 1.0);
    segPointCounts = std::move(counts);
    points = std::move(sampled);
    endTransform = end;
    // A path sampled after an earlier upload without points must still reach the buffer.
    geoFlags |= GeoUploadPending;
}

void Track::updateGeo() {
    using namespace Tolu::GL;
    // All or nothing: a failure at any step starts the objects over (the upload stays
    // pending), so that the path is not lost for good.
    try {
        if (vao == 0) {
            glGenVertexArrays(1, &vao);
        }
        glBindVertexArray(vao);
        if (vbo == 0 && !points.empty()) {
            // Filled once: the path never changes.
            glGenBuffers(1, &vbo);
            glBindBuffer(GL_ARRAY_BUFFER, vbo);
            glBufferData(GL_ARRAY_BUFFER,
                         static_cast<GLsizeiptr>(points.size() * sizeof(Vector3T<float>)),
                         points.data(), GL_STATIC_DRAW);
            glEnableVertexAttribArray(0);
            glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vector3T<float>), nullptr);
        }
    } catch (...) {
        discardGL(vao, vbo);
        throw;
    }
    geoFlags &= ~GeoUploadPending;
}

void Track::release() {
    Tolu::GL::glDeleteVertexArrays(1, &vao);
    Tolu::GL::glDeleteBuffers(1, &vbo);
    vao = 0;
    vbo = 0;
    // Unlike the joints' lines the path is not rebuilt, so the upload is asked for here.
    geoFlags |= GeoUploadPending;
    // A kept project sphere would skip the upload that the next sphere walk makes.
    if (Project* owner = project.get()) {
        owner->sceneChanged();
    }
}

void Track::drawPath(Context& context, const Matrix4x4T<double>& worldFromTrack,
                     const Vector4T<float>* hudColor, const Vector4T<float>& coneColor) {
    if (geoFlags & GeoUploadPending) {
        updateGeo();
    }
    // The vertex array holds positions only: the colour comes from the context.
    if (hudColor) {
        context.applyHUDColors(*hudColor, 0.0f);
    }
    context.applyMats(worldFromTrack);
    context.disableHUDRescale();
    Tolu::GL::glLineWidth(2.0f);
    Tolu::GL::glEnable(GL_LINE_SMOOTH);
    Tolu::GL::glBindVertexArray(vao);
    Tolu::GL::glDrawArrays(GL_LINE_STRIP, 0, static_cast<Tolu::GL::GLsizei>(points.size()));
    if (!points.empty()) {
        context.renderCone(worldFromTrack * endTransform, coneColor);
    }
}

void Track::renderHUD(Context& context) {
    Body::renderHUD(context);
    if (!(context.renderMask & TrackPath)) {
        return;
    }
    const Sim::Node& sim = *simNode;
    if (hlFlags != 0 || !sim.isVisible()) {
        return;
    }
    const Vector4T<float> color(sim.getColor(), 1.0f);
    drawPath(context, sim.getTransform(), &color, color);
}

void Track::renderHUDHL(Context& context) {
    Body::renderHUDHL(context);
    if (!(context.renderMask & TrackPath)) {
        return;
    }
    if (context.hlMode == 0 && isHighlighted(1)) {
        return; // mode 1 takes precedence
    }
    const bool own = isHighlighted(context.hlMode);
    const ForcedHLScope forced(context, own);
    if (!forced.isForced()) {
        return;
    }
    const Sim::Node& sim = *simNode;
    const float h = own ? 0.5f : 0.0f;
    const Vector4T<float> color(sim.getColor() * (1.0f - h) + context.hlColor.xyz() * h,
                                (1.0f - h) + context.hlColor.w * h);
    drawPath(context, sim.getTransform(), &color, color);
}

void Track::renderHUDHLMask(Context& context) {
    Body::renderHUDHLMask(context);
    if (!(context.renderMask & TrackPath)) {
        return;
    }
    if (context.hlMode == 0 && isHighlighted(1)) {
        return;
    }
    const bool own = isHighlighted(context.hlMode);
    const ForcedHLScope forced(context, own);
    if (!forced.isForced()) {
        return;
    }
    const auto& world = simNode->getTransform();
    const Vector4T<float> white(1.0f, 1.0f, 1.0f, 1.0f);
    drawPath(context, own ? context.maskMatrix * world : world, nullptr, white);
}

BSphereT<double> Track::getBSphere(Context& context, unsigned mask, unsigned hlMask1,
                                   unsigned hlMask0) {
    BSphereT<double> sphere = Body::getBSphere(context, mask, hlMask1, hlMask0);
    // A path drawn because the project forces the highlight counts as highlighted.
    const bool forced = (context.passFlags & Context::PassForcedHL) != 0;
    const Sim::Node& sim = *simNode;
    const unsigned selected = (sim.isVisible() ? mask : 0u) |
                              (forced || isHighlighted(0) ? hlMask0 : 0u) |
                              (forced || isHighlighted(1) ? hlMask1 : 0u);
    if (!(selected & TrackPath)) {
        return sphere;
    }
    if (geoFlags & GeoUploadPending) {
        updateGeo();
    }
    if (points.empty()) {
        return sphere;
    }
    Tolu::BBoxT<double> box;
    for (const auto& point : points) {
        box.add(Vector3T<double>(point));
    }
    BSphereT<double> local;
    Geometry::sphereOfBox(local, box);
    const BSphereT<double> world =
        Geometry::transformSphere(sim.getTransform(), local.centre, local.radius);
    if (world.valid) {
        Geometry::merge(sphere, world);
    }
    return sphere;
}

void Track::isect(Segment3T<double>& segment, FrustumT<double>& frustum, Isect::Context& context,
                  Isect::Hit& hit) {
    Body::isect(segment, frustum, context, hit);
    const InheritedHLScope inherited(context, isHighlighted(context.mode));
    const Sim::Node& sim = *simNode;
    // The path needs its own highlight: an inherited one is not enough.
    const bool qualifies = context.mode == Vuro::GL::allModes ? sim.isVisible() && sim.isPickable()
                                                              : isHighlighted(context.mode);
    if (qualifies && (context.classMask & TrackPath) && !points.empty()) {
        (void)isect(segment, frustum, hit);
    }
}

std::pair<std::size_t, double> Track::isect(Segment3T<double>& segment, FrustumT<double>& frustum,
                                            Isect::Hit& hit) {
    std::pair<std::size_t, double> result(std::numeric_limits<std::size_t>::max(), 0.0);
    if (points.empty()) {
        return result;
    }
    const Matrix4x4T<double>& world = simNode->getTransform();
    Vector3T<double> previous = Geometry::transformPoint(world, Vector3T<double>(points[0]));
    std::size_t next = 1;
    for (std::size_t s = 0; s < segPointCounts.size(); ++s) {
        const std::uint64_t n = segPointCounts[s];
        for (std::uint64_t i = 0; i < n; ++i) {
            const Vector3T<double> current =
                Geometry::transformPoint(world, Vector3T<double>(points[next + i]));
            double t = 0;
            // Every hit narrows the volume, so the last one found is the nearest.
            if (isectEdge(segment, frustum, previous, current, hit, t)) {
                result = {s, (static_cast<double>(i) + t) / static_cast<double>(n)};
            }
            previous = current;
        }
        next += n;
    }
    return result;
}

bool Track::isectEdge(Segment3T<double>& segment, FrustumT<double>& frustum,
                      const Vector3T<double>& a, const Vector3T<double>& b, Isect::Hit& hit,
                      double& t) {
    Vector3T<double> c0;
    Vector3T<double> c1;
    if (Geometry::clipToFrustum(frustum, a, b, c0, c1) == 0) {
        return false;
    }
    // The middle of the visible part, not the point nearest to the ray.
    const Vector3T<double> p = (c0 + c1) * 0.5;
    t = std::clamp(Geometry::closestParam(p, a, b), 0.0, 1.0);
    setPointHit(hit, p, *this, Vuro::GL::allModes);
    Vuro::GL::clip(segment, frustum, p);
    return true;
}

} // namespace Ostra::Sim::GL
