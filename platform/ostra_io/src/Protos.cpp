#include <vuro_gl/Shapes.h>

#include <ostra_io/Scene.h>

namespace Ostra::IO {

const Prototype* Scene::findPrototype(const Vuro::BodyProto* proto) const noexcept {
    for (const Prototype& entry : prototypes) {
        if (entry.proto.get() == proto) {
            return &entry;
        }
    }
    return nullptr;
}

Tolu::RefT<Vuro::BodyProto> makeProto(const ProtoSpec& spec, MeshCache* cache) {
    switch (spec.shape) {
    case Shape::Box:
        return Vuro::makeBox(spec.size, spec.color);
    case Shape::Cylinder:
        return Vuro::makeCylinder(spec.radius, spec.length, spec.color, spec.segments);
    case Shape::Sphere:
        return Vuro::makeSphere(spec.radius, spec.color, spec.segments);
    case Shape::Cone:
        return Vuro::makeCone(spec.radius, spec.height, spec.color, spec.segments);
    case Shape::Arrow:
        return Vuro::makeArrow(spec.length, spec.radius, spec.color, spec.segments);
    case Shape::Mesh:
        return cache ? cache->get(spec.mesh, spec.meshOptions)
                     : importMesh(spec.mesh, spec.meshOptions);
    }
    return {};
}

} // namespace Ostra::IO
