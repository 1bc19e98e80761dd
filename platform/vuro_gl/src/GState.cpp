#include <vuro_gl/gl/GState.h>

namespace Vuro::GL {

GState::GState(const Tolu::Vector4T<float>& color) : color(color) {}
GState::~GState() = default;

} // namespace Vuro::GL
