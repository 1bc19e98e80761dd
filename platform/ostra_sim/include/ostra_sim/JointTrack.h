#pragma once

#include <ostra_sim/Joint.h>

namespace Ostra::Sim {

/// A joint that slides along a track: its first body is meant to be a `Track`, and its
/// positions are distances along that track.
class OSTRA_SIM_EXPORT JointTrack : public Joint {
public:
    /// A joint on no track, at distance zero.
    explicit JointTrack(SrcRef srcRef = {});

    /// Distance along the track where the joint starts.
    void setInitialPos(double distance);
    /// Distance along the track where the joint is now.
    void setCurrentPos(double distance);

    ///@{
    /// The distances as set.
    [[nodiscard]] double getInitialPos() const noexcept { return initialPos; }
    [[nodiscard]] double getCurrentPos() const noexcept { return currentPos; }
    ///@}

protected:
    ~JointTrack() override;

private:
    double initialPos = 0;
    double currentPos = 0;
};

} // namespace Ostra::Sim
