#include <vuro_gl/BodyProto.h>
#include <vuro_gl/DataClass.h>
#include <vuro_gl/Object.h>
#include <vuro_gl/gl/BodyProto.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/DataClass.h>
#include <vuro_gl/gl/IsectContext.h>

#include <utility>

namespace Vuro {

Object::~Object() = default;
DataClass::~DataClass() = default;

} // namespace Vuro

namespace Vuro::GL {

void DataClass::render(Context&) {}
DataClass::~DataClass() = default;

ClassMap::ClassMap() = default;
ClassMap::~ClassMap() = default;

Tolu::RefT<DataClass> ClassMap::get(const Tolu::RefT<Vuro::DataClass>& modelClass) {
    if (!modelClass) {
        return {};
    }
    const Tolu::PtrT<Vuro::DataClass> key(modelClass);
    auto found = cache.lower_bound(key);
    if (found != cache.end() && found->first.getKey() == key.getKey()) {
        if (found->first.get() == modelClass.get()) {
            return found->second;
        }
        // A dead model class once lived at this address: its GL class is stale.
        found = cache.erase(found);
    }
    Tolu::RefT<DataClass> made = make(*modelClass);
    if (made) {
        cache.emplace_hint(found, key, made);
    }
    return made;
}

Tolu::RefT<DataClass> ClassMap::make(Vuro::DataClass& modelClass) {
    if (auto* proto = dynamic_cast<Vuro::BodyProto*>(&modelClass)) {
        return Tolu::makeRef<BodyProto>(*proto);
    }
    return {};
}

} // namespace Vuro::GL

namespace Vuro::GL::Isect {

Context::Context(HLMode mode, unsigned classMask, Flags flags, Filter filter)
    : mode(mode), classMask(classMask), inheritedHL((flags & FlagInheritedHL) != 0),
      filter(std::move(filter)) {}

} // namespace Vuro::GL::Isect
