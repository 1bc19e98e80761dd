#pragma once

#include <sim_gl/Body.h>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace Ostra::Sim::GL {

/// Scene node of a simulation track: a body whose HUD passes add its path, a polyline
/// sampled once along the segments, with a cone at the end of the last segment.
class OSTRA_SIM_GL_EXPORT Track : public Body {
public:
    /// Flag bits of `geoFlags`.
    enum GeoFlag : std::uint32_t {
        GeoUploadPending = 0x1,
    };

    /// Appends the node to the project's body list and samples the path. Throws the
    /// simulation model's error when sampling fails; the node then leaves the list.
    Track(Project& project, Sim::Track& track);

    [[nodiscard]] ClassId getClassId() const override;

    ///@{
    /// The body's HUD passes, plus the path when `TrackPath` is shown.
    void renderHUD(Context& context) override;
    void renderHUDHL(Context& context) override;
    void renderHUDHLMask(Context& context) override;
    ///@}

    /// The body's sphere merged with the sphere of the path's box. May fill the buffer.
    [[nodiscard]] BSphereT<double> getBSphere(Context& context, unsigned mask, unsigned hlMask1,
                                              unsigned hlMask0) override;
    /// The body's frame and mesh, then the path. Throws what the maths throw.
    void isect(Segment3T<double>& segment, FrustumT<double>& frustum, Isect::Context& context,
               Isect::Hit& hit) override;
    /// Polyline test: (index of the track segment hit, position within it from 0 to 1)
    /// of the nearest edge hit, or (largest `size_t`, 0) when none. A hit narrows both.
    /// Throws `ErrorBadMatrix` when the track's matrix sends a point to infinity.
    std::pair<std::size_t, double> isect(Segment3T<double>& segment, FrustumT<double>& frustum,
                                         Isect::Hit& hit);
    /// Deletes the vertex array and buffer; the next HUD pass makes them again.
    void release() override;
    /// Samples the path from the segments the first time there are any.
    void update() override;

    /// The path in track coordinates: the origin, then each segment's points.
    [[nodiscard]] const std::vector<Vector3T<float>>& getPoints() const noexcept { return points; }
    /// How many points each segment contributed to the path.
    [[nodiscard]] const std::vector<std::uint64_t>& getSegPointCounts() const noexcept {
        return segPointCounts;
    }
    /// Frame at the end of the last segment, in track coordinates; identity without any.
    [[nodiscard]] const Matrix4x4T<double>& getEndTransform() const noexcept {
        return endTransform;
    }

protected:
    /// Deletes the OpenGL objects only while OpenGL is loaded.
    ~Track() override;

private:
    /// Makes the vertex array and fills the buffer once.
    void updateGeo();
    /// Draws the path placed by `worldFromTrack` and the cone at its end; the HUD colour
    /// is applied first when `hudColor` is given.
    void drawPath(Context& context, const Matrix4x4T<double>& worldFromTrack,
                  const Vector4T<float>* hudColor, const Vector4T<float>& coneColor);
    /// One edge a→b (world): on a hit records the middle of its visible part, narrows
    /// segment and frustum, and sets `t` to that point's parameter on the edge.
    bool isectEdge(Segment3T<double>& segment, FrustumT<double>& frustum, const Vector3T<double>& a,
                   const Vector3T<double>& b, Isect::Hit& hit, double& t);

    std::vector<std::uint64_t> segPointCounts;
    std::vector<Vector3T<float>> points;
    Matrix4x4T<double> endTransform;
    std::uint32_t vao = 0;
    std::uint32_t vbo = 0;
    std::uint32_t geoFlags = GeoUploadPending;
};

} // namespace Ostra::Sim::GL
