#pragma once

#include <tolu/util/PtrT.h>
#include <tolu/util/RefT.h>
#include <vuro_gl/DataClass.h>
#include <vuro_gl/gl/DataClass.h>

#include <map>

namespace Vuro::GL {

/// Translates model display classes into their GL counterparts, each made once and
/// kept while the map lives. Must outlive every scene that uses it.
class VURO_GL_EXPORT ClassMap {
public:
    ClassMap();
    ClassMap(const ClassMap&) = delete;
    ClassMap& operator=(const ClassMap&) = delete;
    virtual ~ClassMap();

    /// The GL counterpart of `modelClass`, made on first demand; null for a null
    /// argument or a class that has no GL form.
    [[nodiscard]] Tolu::RefT<DataClass> get(const Tolu::RefT<Vuro::DataClass>& modelClass);
    /// Number of GL classes made and kept.
    [[nodiscard]] std::size_t getCount() const noexcept { return cache.size(); }

protected:
    /// Makes the GL counterpart of a class not seen before; null when there is none.
    virtual Tolu::RefT<DataClass> make(Vuro::DataClass& modelClass);

private:
    // Weak keys keep their order when a model class dies; a dead key is replaced.
    std::map<Tolu::PtrT<Vuro::DataClass>, Tolu::RefT<DataClass>> cache;
};

} // namespace Vuro::GL
