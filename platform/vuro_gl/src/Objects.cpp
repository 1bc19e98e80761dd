#include <vuro_gl/BodyProto.h>
#include <vuro_gl/DataClass.h>
#include <vuro_gl/Object.h>
#include <vuro_gl/gl/BodyProto.h>
#include <vuro_gl/gl/ClassMap.h>
#include <vuro_gl/gl/DataClass.h>
#include <vuro_gl/gl/IsectContext.h>

#include <atomic>
#include <cstdint>
#include <utility>

namespace Vuro {

namespace {

// Model classes destroyed so far, in any thread. A class map sweeps its dead entries
// only when this moved. Counted after the dying mark is set, so a sweep that sees the
// count also sees that the class can no longer be locked.
std::atomic<std::uint64_t> modelClassDeaths{0};

} // namespace

Object::~Object() = default;
DataClass::~DataClass() {
    modelClassDeaths.fetch_add(1, std::memory_order_release);
}

} // namespace Vuro

namespace Vuro::GL {

void DataClass::render(Context&) {}
DataClass::~DataClass() = default;

ClassMap::ClassMap() = default;
ClassMap::~ClassMap() = default;

void ClassMap::releaseDead() noexcept {
    const std::uint64_t deaths = modelClassDeaths.load(std::memory_order_acquire);
    if (deaths == deathsSwept) {
        return;
    }
    deathsSwept = deaths;
    for (auto it = cache.begin(); it != cache.end();) {
        // A class that is dying but not yet dead cannot be locked either.
        if (it->first && it->first.lock()) {
            ++it;
            continue;
        }
        // Out of the map before it may die: its destructor deletes its GL buffers.
        const Tolu::RefT<DataClass> released = std::move(it->second);
        it = cache.erase(it);
    }
}

Tolu::RefT<DataClass> ClassMap::get(const Tolu::RefT<Vuro::DataClass>& modelClass) {
    releaseDead();
    if (!modelClass) {
        return {};
    }
    const Tolu::PtrT<Vuro::DataClass> key(modelClass);
    auto found = cache.lower_bound(key);
    if (found != cache.end() && found->first.getKey() == key.getKey()) {
        if (found->first == modelClass) {
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
