#pragma once

#include <vuro_gl/Export.h>
#include <vuro_gl/gl/DataClass.h>
#include <vuro_gl/gl/HLMode.h>

#include <functional>

namespace Vuro::GL::Isect {

/// Flags a picking context starts with.
enum Flags : unsigned {
    FlagNone = 0,
    FlagInheritedHL = 1, ///< an enclosing object is highlighted in the context's mode
};

/// Filter of a pick query: which highlight mode qualifies, which display-mask parts
/// are tested, and whether an enclosing object is highlighted.
class VURO_GL_EXPORT Context {
public:
    /// Decides whether a GL class may be hit; empty lets every one.
    using Filter = std::function<bool(DataClass&)>;

    /// A query for `mode` over the display-mask parts `classMask`.
    Context(HLMode mode, unsigned classMask, Flags flags, Filter filter = {});

    HLMode mode;        ///< a highlight mode, or `allModes` for every shown object
    unsigned classMask; ///< display-mask bits of the parts to test
    bool inheritedHL;   ///< an enclosing object is highlighted in `mode`
    Filter filter;      ///< extra test of the GL classes met by the mesh test
};

} // namespace Vuro::GL::Isect
