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

Tolu::RefT<Vuro::BodyProto> makeProto(const ProtoDesc& desc, MeshCache* cache) {
    switch (desc.shape) {
    case Shape::Box:
        return Vuro::makeBox(desc.size, desc.color);
    case Shape::Cylinder:
        return Vuro::makeCylinder(desc.radius, desc.length, desc.color, desc.segments);
    case Shape::Sphere:
        return Vuro::makeSphere(desc.radius, desc.color, desc.segments);
    case Shape::Cone:
        return Vuro::makeCone(desc.radius, desc.height, desc.color, desc.segments);
    case Shape::Arrow:
        return Vuro::makeArrow(desc.length, desc.radius, desc.color, desc.segments);
    case Shape::Mesh:
        return cache ? cache->get(desc.mesh, desc.meshOptions)
                     : importMesh(desc.mesh, desc.meshOptions);
    }
    return {};
}

} // namespace Ostra::IO
