#pragma once

#include <sim_gl/Functions.h>
#include <sim_gl/Sensor.h>

namespace Ostra::Sim::GL {

/// Scene node of a sensor on a track, shown as two grips at its two positions along the
/// track. Made by `newSensor`.
class OSTRA_SIM_GL_EXPORT SensorTrack : public Sensor {
public:
    [[nodiscard]] ClassId getClassId() const override;

    ///@{
    /// HUD passes: the two grips when `SensorGrips` is shown. A position the track
    /// cannot resolve costs the grips of this pass, nothing else.
    void renderHUD(Context& context) override;
    void renderHUDHL(Context& context) override;
    void renderHUDHLMask(Context& context) override;
    ///@}

    /// Sphere around both grips when the masks select them; empty when the track
    /// cannot resolve a position.
    [[nodiscard]] BSphereT<double> getBSphere(Context& context, unsigned mask, unsigned hlMask1,
                                              unsigned hlMask0) override;
    /// Tests both grips; a hit narrows segment and frustum to it.
    void isect(Segment3T<double>& segment, FrustumT<double>& frustum, Isect::Context& context,
               Isect::Hit& hit) override;

    /// A sensor position `s` as a distance on a track of length `length`: a negative
    /// one (−0.0 included) counts back from the end, then it is clamped to the track.
    [[nodiscard]] static double normalizePos(double s, double length) noexcept;

protected:
    /// Appends the node to the project's sensor list; made by `newSensor` only.
    SensorTrack(Project& project, Sim::SensorTrack& sensor);
    ~SensorTrack() override;

private:
    friend RefT<Sensor> newSensor(Project& project, Sim::Sensor& sensor);

    /// Both grips in world coordinates; false when the sensor lies on no track.
    /// Throws the simulation model's error when the track cannot resolve a position.
    bool getGrips(Vector3T<double>& grip1, Vector3T<double>& grip2) const;
    /// Draws both grips, ending quietly at the first `Tolu::Error`.
    void drawGrips(Context& context, const Vector4T<float>& front1, const Vector4T<float>& front2,
                   const Vector4T<float>& back) const;
};

} // namespace Ostra::Sim::GL
