// simGLArmGen: writes the sample arm, a small robot description with meshes of its own, and
// a few seconds of motion for it.
//
//     simGLArmGen <output directory>
//
// Writes arm.urdf, meshes/base.stl, meshes/upper_arm.stl and arm-motion.csv. Meshes are
// binary STL in millimetres (the description scales them to metres); the base mesh is
// named by a relative path, the upper arm's through a package:// reference.

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Point = std::array<float, 3>;

struct Triangle {
    Point a, b, c;
};

Point minus(const Point& p, const Point& q) {
    return {p[0] - q[0], p[1] - q[1], p[2] - q[2]};
}

Point normalOf(const Triangle& t) {
    const Point u = minus(t.b, t.a);
    const Point v = minus(t.c, t.a);
    Point n{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (float& x : n) {
        x /= length;
    }
    return n;
}

// A frustum of a regular `sides`-gon along z from 0 to `height`, wound counter-clockwise
// seen from outside, turned by `phase` radians about z.
std::vector<Triangle> frustum(int sides, float bottom, float top, float height, float phase) {
    std::vector<Triangle> out;
    const auto corner = [&](int i, float radius, float z) {
        const double angle = phase + 2 * std::numbers::pi * i / sides;
        return Point{radius * static_cast<float>(std::cos(angle)),
                     radius * static_cast<float>(std::sin(angle)), z};
    };
    const Point low{0, 0, 0};
    const Point high{0, 0, height};
    for (int i = 0; i < sides; ++i) {
        const Point b0 = corner(i, bottom, 0), b1 = corner(i + 1, bottom, 0);
        const Point t0 = corner(i, top, height), t1 = corner(i + 1, top, height);
        out.push_back({b0, b1, t1});
        out.push_back({b0, t1, t0});
        out.push_back({low, b1, b0});
        out.push_back({high, t0, t1});
    }
    return out;
}

void writeStl(const fs::path& file, const std::vector<Triangle>& triangles) {
    std::ofstream out(file, std::ios::binary);
    char header[80] = {};
    std::strncpy(header, "sample arm mesh, millimetres", sizeof header - 1);
    out.write(header, sizeof header);
    const auto count = static_cast<std::uint32_t>(triangles.size());
    out.write(reinterpret_cast<const char*>(&count), sizeof count); // STL is little-endian
    for (const Triangle& t : triangles) {
        for (const Point& p : {normalOf(t), t.a, t.b, t.c}) {
            out.write(reinterpret_cast<const char*>(p.data()), sizeof(float) * 3);
        }
        const std::uint16_t attributes = 0;
        out.write(reinterpret_cast<const char*>(&attributes), sizeof attributes);
    }
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

// Seven links: a base turning a turret, shoulder and elbow pitching, a wrist spinning, a
// finger sliding, and a camera fixed to the forearm. At rest the arm reaches forwards (the
// shoulder and elbow frames are tilted), so that its pose at zero shows every joint.
constexpr const char* armUrdf = R"(<?xml version="1.0"?>
<robot name="sample_arm">
  <material name="dark"><color rgba="0.25 0.25 0.28 1"/></material>
  <material name="orange"><color rgba="0.95 0.5 0.1 1"/></material>
  <material name="blue"><color rgba="0.2 0.4 0.85 1"/></material>
  <material name="light"><color rgba="0.85 0.85 0.8 1"/></material>

  <link name="base">
    <visual>
      <geometry><mesh filename="meshes/base.stl" scale="0.001 0.001 0.001"/></geometry>
      <material name="dark"/>
    </visual>
  </link>

  <joint name="shoulder_yaw" type="revolute">
    <parent link="base"/>
    <child link="turret"/>
    <origin xyz="0 0 0.1"/>
    <axis xyz="0 0 1"/>
    <limit lower="-2.8" upper="2.8" effort="50" velocity="2"/>
  </joint>

  <link name="turret">
    <visual>
      <origin xyz="0 0 0.04"/>
      <geometry><cylinder radius="0.075" length="0.08"/></geometry>
      <material name="orange"/>
    </visual>
    <visual>
      <origin xyz="0 0 0.1" rpy="1.5708 0 0"/>
      <geometry><cylinder radius="0.05" length="0.12"/></geometry>
      <material name="orange"/>
    </visual>
  </link>

  <joint name="shoulder_pitch" type="revolute">
    <parent link="turret"/>
    <child link="upper_arm"/>
    <origin xyz="0 0 0.1" rpy="0 0.5 0"/>
    <axis xyz="0 1 0"/>
    <limit lower="-1.6" upper="1.6" effort="40" velocity="2"/>
  </joint>

  <link name="upper_arm">
    <visual>
      <geometry><mesh filename="package://sample_arm/meshes/upper_arm.stl" scale="0.001 0.001 0.001"/></geometry>
      <material name="blue"/>
    </visual>
  </link>

  <joint name="elbow" type="revolute">
    <parent link="upper_arm"/>
    <child link="forearm"/>
    <origin xyz="0 0 0.35" rpy="0 1.3 0"/>
    <axis xyz="0 1 0"/>
    <limit lower="-2.4" upper="2.4" effort="30" velocity="2"/>
  </joint>

  <link name="forearm">
    <visual>
      <origin rpy="1.5708 0 0"/>
      <geometry><cylinder radius="0.045" length="0.1"/></geometry>
      <material name="orange"/>
    </visual>
    <visual>
      <origin xyz="0 0 0.15"/>
      <geometry><box size="0.05 0.05 0.26"/></geometry>
      <material name="light"/>
    </visual>
  </link>

  <joint name="camera_mount" type="fixed">
    <parent link="forearm"/>
    <child link="camera"/>
    <origin xyz="0.045 0 0.2"/>
  </joint>

  <link name="camera">
    <visual>
      <geometry><box size="0.04 0.06 0.03"/></geometry>
      <material name="dark"/>
    </visual>
    <visual>
      <origin xyz="0.025 0 0" rpy="0 1.5708 0"/>
      <geometry><cylinder radius="0.012" length="0.012"/></geometry>
      <material name="blue"/>
    </visual>
  </link>

  <joint name="wrist" type="continuous">
    <parent link="forearm"/>
    <child link="hand"/>
    <origin xyz="0 0 0.3"/>
    <axis xyz="0 0 1"/>
  </joint>

  <link name="hand">
    <visual>
      <geometry><sphere radius="0.04"/></geometry>
      <material name="orange"/>
    </visual>
    <visual>
      <origin xyz="-0.02 0 0.06"/>
      <geometry><box size="0.02 0.05 0.07"/></geometry>
      <material name="light"/>
    </visual>
  </link>

  <joint name="finger_slide" type="prismatic">
    <parent link="hand"/>
    <child link="finger"/>
    <origin xyz="0.0 0 0.06"/>
    <axis xyz="1 0 0"/>
    <limit lower="0" upper="0.03" effort="10" velocity="0.1"/>
  </joint>

  <link name="finger">
    <visual>
      <origin xyz="0.01 0 0"/>
      <geometry><box size="0.015 0.04 0.07"/></geometry>
      <material name="light"/>
    </visual>
  </link>
</robot>
)";

// Smooth motion: every joint a sum of slow sines inside its limits, starting at zero.
void writeMotion(const fs::path& file) {
    std::ofstream out(file);
    out.precision(9);
    out << "time,shoulder_yaw,shoulder_pitch,elbow,wrist,finger_slide\n";
    constexpr int rate = 30;
    constexpr double seconds = 4;
    const double tau = 2 * std::numbers::pi;
    for (int i = 0; i <= static_cast<int>(seconds * rate); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double s = std::sin(tau * t / seconds);
        const double ramp = 0.5 - 0.5 * std::cos(tau * t / seconds); // 0 -> 1 -> 0
        out << t << ',' << 1.2 * s << ',' << 0.5 * ramp << ',' << 0.9 * ramp << ','
            << tau * t / seconds << ',' << 0.03 * std::sin(tau * t / 2) * std::sin(tau * t / 2)
            << '\n';
    }
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

int run(const fs::path& dir) {
    fs::create_directories(dir / "meshes");
    // An octagonal plinth and a tapered square beam, both in millimetres.
    writeStl(dir / "meshes" / "base.stl", frustum(8, 120, 90, 100, std::numbers::pi / 8));
    writeStl(dir / "meshes" / "upper_arm.stl", frustum(4, 50, 38, 350, std::numbers::pi / 4));
    std::ofstream urdf(dir / "arm.urdf");
    urdf << armUrdf;
    if (!urdf) {
        throw std::runtime_error("cannot write " + (dir / "arm.urdf").string());
    }
    writeMotion(dir / "arm-motion.csv");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " <output directory>\n";
        return 2;
    }
    try {
        return run(argv[1]);
    } catch (const std::exception& e) {
        std::cerr << argv[0] << ": " << e.what() << "\n";
        return 1;
    }
}
