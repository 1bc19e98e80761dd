#include <ostra_sim/Error.h>

namespace Ostra::Sim {

namespace {

std::string compose(const SrcRef& srcRef, const std::string& text) {
    return srcRef.name.empty() ? text : srcRef.name + ": " + text;
}

} // namespace

Error::Error(const SrcRef& srcRef, const std::string& text)
    : Tolu::Error(compose(srcRef, text)), srcRef(srcRef), text(text) {}

Error::~Error() = default;

} // namespace Ostra::Sim
