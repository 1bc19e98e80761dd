#pragma once

#include <ostra_sim/Project.h>

#include <string>

namespace Tolu::Test {

/// The first way in which model `b` differs from model `a`, or empty when they are equal:
/// the same bodies, tracks, joints, sensors and port drivers in the same order, with the
/// same names, attributes, links (by name) and geometry (vertex by vertex). Transforms and
/// track parameters may differ by `tolerance`; everything else must match exactly.
[[nodiscard]] std::string firstDifference(const Ostra::Sim::Project& a,
                                          const Ostra::Sim::Project& b, double tolerance = 0);

} // namespace Tolu::Test
