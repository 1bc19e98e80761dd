#pragma once

#include <sim_gl/Joint.h>

namespace Ostra::Sim::GL {

/// Scene node of a joint that slides along a track: its red line ends at its point on
/// the track, and the HUD passes add a grip at its current position there.
class OSTRA_SIM_GL_EXPORT JointTrack : public Joint {
public:
    /// Appends the node to the project's joint list and finds its point on the track.
    /// Throws the simulation model's error when the track cannot resolve the joint's
    /// initial position; the node then leaves the list again.
    JointTrack(Project& project, Sim::JointTrack& joint);

    [[nodiscard]] ClassId getClassId() const override;

    ///@{
    /// The joint's HUD passes, plus the grip when `JointLines` is shown.
    void renderHUD(Context& context) override;
    void renderHUDHL(Context& context) override;
    void renderHUDHLMask(Context& context) override;
    ///@}

    /// Also follows an exchange of the track, which restarts the line end at the
    /// track's start. True exactly when the track changed.
    bool update() override;

    /// Position parameter on the track that the red line's end was computed for.
    [[nodiscard]] double getTrackParam() const noexcept { return trackParam; }

protected:
    ~JointTrack() override;

    /// As the joint's lines, but the red one ends at the point on the track and the
    /// blue one at the second simulation body, whether or not it has a scene node.
    void makeGeo() override;

private:
    /// The grip in a highlight pass (`mask`: in the mask colour), placed with the mask matrix.
    void renderGripHL(Context& context, bool mask);
    /// Draws the grip at the joint's current position, placed by `worldFromTrack`.
    void drawGrip(Context& context, const Sim::Track& track,
                  const Matrix4x4T<double>& worldFromTrack, const Vector4T<float>& front,
                  const Vector4T<float>& back) const;

    double trackParam = 0;
    const Sim::Track* track = nullptr; // only compared, never dereferenced
    Vector3T<double> trackPoint;
};

} // namespace Ostra::Sim::GL
