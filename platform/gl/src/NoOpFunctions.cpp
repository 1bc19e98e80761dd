#include "FakeState.h"

#include <tolu/gl/Error.h>
#include <tolu/gl/NoOpFunctions.h>

namespace Tolu::GL {

namespace {

detail::FakeState* active = nullptr;

detail::FakeState& activeState() {
    if (!active)
        throw Error("Tolu::GL::NoOpFunctions: table used after its last instance was destroyed");
    return *active;
}

} // namespace

NoOpFunctions::NoOpFunctions() : state_(std::make_unique<detail::FakeState>()), previous_(active) {
    active = state_.get();
}

NoOpFunctions::~NoOpFunctions() {
    active = previous_;
}

void NoOpFunctions::setMapBufferFails(bool fails) {
    state_->mapBufferFails = fails;
}

const Functions& NoOpFunctions::getTable() const {
    static const Functions table = detail::makeFakeTable<&activeState>();
    return table;
}

} // namespace Tolu::GL
