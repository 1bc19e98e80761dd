#pragma once

#include <tolu/util/PtrT.h>
#include <tolu/util/RefT.h>
#include <vuro_gl/DataClass.h>
#include <vuro_gl/gl/DataClass.h>

#include <cstdint>
#include <map>

namespace Vuro::GL {

/// Translates model display classes into their GL counterparts, each made once and
/// kept while its model class lives. Must outlive every scene that uses it.
///
/// A model class may die on any thread; the map lets go of its GL class only on the
/// thread that calls `get` or `releaseDead` (the OpenGL thread), so the GL buffers of a
/// class that nothing else holds are deleted there.
class VURO_GL_EXPORT ClassMap {
public:
    ClassMap();
    ClassMap(const ClassMap&) = delete;
    ClassMap& operator=(const ClassMap&) = delete;
    virtual ~ClassMap();

    /// The GL counterpart of `modelClass`, made on first demand; null for a null
    /// argument or a class that has no GL form. Lets go first of the GL classes whose
    /// model classes died (`releaseDead`).
    [[nodiscard]] Tolu::RefT<DataClass> get(const Tolu::RefT<Vuro::DataClass>& modelClass);
    /// Lets go of the GL class of every model class that died since the last call; one
    /// that nothing else holds dies here, with its GL buffers. Costs one atomic read
    /// when no model class died; a host may call it once per frame.
    void releaseDead() noexcept;
    /// Number of GL classes kept (those of dead model classes until `releaseDead`).
    [[nodiscard]] std::size_t getCount() const noexcept { return cache.size(); }

protected:
    /// Makes the GL counterpart of a class not seen before; null when there is none.
    virtual Tolu::RefT<DataClass> make(Vuro::DataClass& modelClass);

private:
    // Weak keys keep their order when a model class dies; a dead key is replaced.
    std::map<Tolu::PtrT<Vuro::DataClass>, Tolu::RefT<DataClass>> cache;
    // Model class deaths counted when the map was last swept.
    std::uint64_t deathsSwept = 0;
};

} // namespace Vuro::GL
