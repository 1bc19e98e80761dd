#pragma once

#include <ostra_sim/Sensor.h>

namespace Ostra::Sim {

/// A sensor covering the stretch of a track between two distances; a negative distance
/// counts from the track's end.
class OSTRA_SIM_EXPORT SensorTrack : public Sensor {
public:
    /// A sensor on no track, at distance zero.
    explicit SensorTrack(SrcRef srcRef = {});

    /// The track (weak; meant to be a `Track`, may be any body or null).
    void setTrack(const Tolu::RefT<Body>& value);
    ///@{
    /// The two positions, as distances along the track; a negative one counts from its end.
    void setPos1(double distance);
    void setPos2(double distance);
    ///@}

    ///@{
    /// The values as set.
    [[nodiscard]] const Tolu::PtrT<Body>& getTrack() const noexcept { return track; }
    [[nodiscard]] double getPos1() const noexcept { return pos1; }
    [[nodiscard]] double getPos2() const noexcept { return pos2; }
    ///@}

protected:
    ~SensorTrack() override;

private:
    Tolu::PtrT<Body> track;
    double pos1 = 0;
    double pos2 = 0;
};

} // namespace Ostra::Sim
