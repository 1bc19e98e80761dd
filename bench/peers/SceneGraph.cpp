// The scene-graph toolkit's side: a group of transforms sharing one box drawable, its
// intersectors and cached bounds, and a viewer embedded in our own context.

#include "PeerScenes.h"

#include <EGL/egl.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <osg/Camera>
#include <osg/Group>
#include <osg/LightSource>
#include <osg/MatrixTransform>
#include <osg/ShapeDrawable>
#include <osgShadow/ShadowMap>
#include <osgShadow/ShadowedScene>
#include <osgUtil/IntersectionVisitor>
#include <osgUtil/LineSegmentIntersector>
#include <osgUtil/PolytopeIntersector>
#include <osgUtil/UpdateVisitor>
#include <osgViewer/Viewer>
#include <vector>

namespace Peers {

namespace {

class SceneGraph final : public Library {
public:
    explicit SceneGraph(const Grid& grid) : grid(grid) {
        root = new osg::Group;
        osg::ref_ptr<osg::ShapeDrawable> box = new osg::ShapeDrawable(new osg::Box(
            osg::Vec3(), float(2 * boxHalf[0]), float(2 * boxHalf[1]), float(2 * boxHalf[2])));
        box->setColor(osg::Vec4(0.8f, 0.3f, 0.2f, 1.0f));
        for (int i = 0; i < grid.n; ++i) {
            double p[3];
            grid.position(i, p);
            osg::ref_ptr<osg::MatrixTransform> t = new osg::MatrixTransform;
            poses.push_back(osg::Matrix::translate(p[0], p[1], p[2]));
            t->setMatrix(poses.back());
            t->addChild(box);
            root->addChild(t);
            transforms.push_back(t);
        }
        const osg::Vec3d eye(grid.centre[0], grid.centre[1], grid.eyeHeight);
        const osg::Vec3d centre(grid.centre[0], grid.centre[1], 0);
        camera = new osg::Camera;
        camera->setViewport(0, 0, width, height);
        camera->setViewMatrixAsLookAt(eye, centre, osg::Vec3d(0, 1, 0));
        camera->setProjectionMatrixAsPerspective(fovyDegrees, double(width) / height, 1.0,
                                                 grid.eyeHeight + 10.0);
        camera->addChild(root);

        osg::ref_ptr<osg::LightSource> light = new osg::LightSource;
        light->getLight()->setPosition(osg::Vec4(-0.3f, -0.2f, 1.0f, 0.0f));
        shadowed = new osgShadow::ShadowedScene;
        shadowed->setShadowTechnique(new osgShadow::ShadowMap);
        shadowed->addChild(light);
        shadowed->addChild(root);

        for (int shadows = 0; shadows < 2; ++shadows) {
            auto& viewer = viewers[shadows];
            viewer = new osgViewer::Viewer;
            viewer->setThreadingModel(osgViewer::ViewerBase::SingleThreaded);
            auto* window = viewer->setUpViewerAsEmbeddedInWindow(0, 0, width, height);
            window->setDefaultFboId(gl.framebuffer());
            viewer->setSceneData(shadows ? shadowed.get() : root.get());
            viewer->getCamera()->setViewMatrixAsLookAt(eye, centre, osg::Vec3d(0, 1, 0));
            viewer->getCamera()->setProjectionMatrixAsPerspective(
                fovyDegrees, double(width) / height, 1.0, grid.eyeHeight + 10.0);
            viewer->realize();
        }
        root->getBound();
    }
    ~SceneGraph() override { gl.makeCurrent(); }

    void makeCurrent() override { gl.makeCurrent(); }

    // The application's own copy of the poses moves; updating writes them into the graph,
    // as our update mirrors the simulation model into the scene.
    void moveAll(bool thenUpdate) override {
        step = -step;
        for (auto& pose : poses)
            pose = pose * osg::Matrix::translate(step, 0, 0);
        if (thenUpdate)
            writePoses();
    }

    double run(Op op) override {
        switch (op) {
        case Op::UpdateUnchanged:
        case Op::UpdateAfterMove: {
            if (op == Op::UpdateAfterMove)
                writePoses();
            osgUtil::UpdateVisitor update;
            root->accept(update);
            return 0;
        }
        case Op::RayPick: {
            osg::ref_ptr<osgUtil::LineSegmentIntersector> ray = new osgUtil::LineSegmentIntersector(
                osgUtil::Intersector::WINDOW, 0.5 * width, 0.5 * height);
            osgUtil::IntersectionVisitor visit(ray.get());
            camera->accept(visit);
            return ray->containsIntersections()
                       ? ray->getFirstIntersection().getWorldIntersectPoint().z()
                       : 0.0;
        }
        case Op::FrustumPick: {
            const double x = 0.5 * width;
            const double y = 0.5 * height;
            osg::ref_ptr<osgUtil::PolytopeIntersector> volume = new osgUtil::PolytopeIntersector(
                osgUtil::Intersector::WINDOW, x - 2.5, y - 2.5, x + 2.5, y + 2.5);
            volume->setIntersectionLimit(osgUtil::Intersector::LIMIT_NEAREST);
            osgUtil::IntersectionVisitor visit(volume.get());
            camera->accept(visit);
            return double(volume->getIntersections().size());
        }
        case Op::BSphere:
        case Op::BSphereAfterMove:
            return root->getBound().radius();
        case Op::FrameNoShadows:
        case Op::FrameShadows:
            viewers[op == Op::FrameShadows]->frame();
            glFinish();
            return 0;
        default:
            throw std::logic_error("the scene graph has no counterpart of this operation");
        }
    }

private:
    void writePoses() {
        for (std::size_t i = 0; i < transforms.size(); ++i)
            transforms[i]->setMatrix(poses[i]);
    }

    CompatContext gl; // first: the viewers draw into it
    Grid grid;
    osg::ref_ptr<osg::Group> root;
    osg::ref_ptr<osgShadow::ShadowedScene> shadowed;
    osg::ref_ptr<osg::Camera> camera;
    std::vector<osg::ref_ptr<osg::MatrixTransform>> transforms;
    std::vector<osg::Matrix> poses;
    osg::ref_ptr<osgViewer::Viewer> viewers[2];
    double step = 1e-3;
};

} // namespace

std::unique_ptr<Library> makeOsg(const Grid& grid) {
    return std::make_unique<SceneGraph>(grid);
}

} // namespace Peers
