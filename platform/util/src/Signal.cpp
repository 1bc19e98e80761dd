#include <tolu/util/Signal.h>

namespace Tolu {

SigVoidData::~SigVoidData() = default;
Signal::~Signal() = default;

} // namespace Tolu
