#include "ShaderSources.h"

namespace Vuro::GL::Shaders {

const char* const solidVertex = R"(
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;

uniform mat4 uViewProj;     // clip from world
uniform mat4 uModel;        // world from body
uniform mat4 uShadowMatrix; // shadow-map texture coordinates and depth from world

out vec3 vNormal;
out vec4 vShadow;
out float vLit;

void main() {
    vec4 world = uModel * vec4(aPosition, 1.0);
    // The inverse transpose keeps normals right under non-uniform scale (mask matrices).
    vNormal = transpose(inverse(mat3(uModel))) * aNormal;
    vLit = dot(aNormal, aNormal) > 1e-12 ? 1.0 : 0.0;
    vShadow = uShadowMatrix * world;
    gl_Position = uViewProj * world;
}
)";

const char* const solidFragment = R"(
in vec3 vNormal;
in vec4 vShadow;
in float vLit;

uniform vec4 uColor;    // material colour, its alpha already multiplied
uniform vec4 uMixColor;
uniform float uMix;
uniform vec3 uLightDir; // unit vector towards the light, world coordinates
uniform vec3 uLightColor;
uniform float uAmbient;
uniform int uShadows;
uniform float uShadowBias; // one shadow-map texel in depth units
uniform sampler2DShadow uShadowMap;
#ifdef PEEL
uniform sampler2D uOpaqueDepth;
uniform sampler2D uPrevDepth;
uniform int uFirstLayer;
#endif

out vec4 fragColor;

float visibility(float diffuse) {
    vec3 p = vShadow.xyz / vShadow.w;
    if (p.z >= 1.0) {
        return 1.0; // beyond the fitted sphere: nothing can shade it
    }
    // Grazing surfaces need more bias against self-shadowing; capped so contact shadows stay.
    float slope = min(sqrt(max(1.0 - diffuse * diffuse, 0.0)) / max(diffuse, 1e-3), 4.0);
    float ref = p.z - uShadowBias * (1.5 + slope);
    vec2 texel = 1.0 / vec2(textureSize(uShadowMap, 0));
    float sum = 0.0;
    // Four bilinear comparisons: a 3x3 texel footprint of percentage-closer filtering.
    sum += texture(uShadowMap, vec3(p.xy + vec2(-0.5, -0.5) * texel, ref));
    sum += texture(uShadowMap, vec3(p.xy + vec2(0.5, -0.5) * texel, ref));
    sum += texture(uShadowMap, vec3(p.xy + vec2(-0.5, 0.5) * texel, ref));
    sum += texture(uShadowMap, vec3(p.xy + vec2(0.5, 0.5) * texel, ref));
    return 0.25 * sum;
}

void main() {
#ifdef PEEL
    ivec2 px = ivec2(gl_FragCoord.xy);
    if (gl_FragCoord.z >= texelFetch(uOpaqueDepth, px, 0).r) {
        discard; // hidden by opaque geometry
    }
    if (uFirstLayer == 0 && gl_FragCoord.z <= texelFetch(uPrevDepth, px, 0).r) {
        discard; // already in a nearer layer
    }
#endif
    vec3 rgb = uColor.rgb;
    if (vLit > 0.5) {
        vec3 n = normalize(vNormal);
        // Back faces are seen through transparent or open geometry: light them as fronts.
        if (!gl_FrontFacing) {
            n = -n;
        }
        float diffuse = max(dot(n, uLightDir), 0.0);
        if (uShadows != 0 && diffuse > 0.0) {
            diffuse *= visibility(diffuse);
        }
        rgb *= uLightColor * (uAmbient + (1.0 - uAmbient) * diffuse);
    }
    fragColor = vec4(mix(rgb, uMixColor.rgb, uMix), uColor.a);
}
)";

const char* const shadowVertex = R"(
layout(location = 0) in vec3 aPosition;

uniform mat4 uViewProj; // light clip space from world
uniform mat4 uModel;

void main() {
    gl_Position = uViewProj * (uModel * vec4(aPosition, 1.0));
}
)";

const char* const shadowFragment = R"(
void main() {}
)";

const char* const hudVertex = R"(
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec4 aColor; // three components in the arrays: alpha reads as 1

uniform mat4 uViewProj;
uniform mat4 uModel;
uniform vec4 uColor;
uniform float uWeight;

out vec4 vColor;

void main() {
    vColor = aColor * uWeight + uColor * (1.0 - uWeight);
    gl_Position = uViewProj * (uModel * vec4(aPosition, 1.0));
}
)";

const char* const hudFragment = R"(
in vec4 vColor;
out vec4 fragColor;

void main() {
#ifdef MASK
    fragColor = vec4(1.0);
#else
    fragColor = vColor;
#endif
}
)";

const char* const screenVertex = R"(
void main() {
    // (0,0), (2,0), (0,2) in texture units: one triangle over the whole viewport.
    vec2 p = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));
    gl_Position = vec4(p * 2.0 - 1.0, 0.0, 1.0);
}
)";

const char* const composeFragment = R"(
uniform sampler2D uColorTex;
uniform sampler2D uDepthTex;
uniform int uWithDepth;

out vec4 fragColor;

void main() {
    ivec2 px = ivec2(gl_FragCoord.xy);
    fragColor = texelFetch(uColorTex, px, 0);
    gl_FragDepth = uWithDepth != 0 ? texelFetch(uDepthTex, px, 0).r : gl_FragCoord.z;
}
)";

const char* const outlineFragment = R"(
uniform sampler2D uMask;
uniform vec4 uColor;
uniform float uRadius; // pixels

out vec4 fragColor;

void main() {
    ivec2 px = ivec2(gl_FragCoord.xy);
    ivec2 size = textureSize(uMask, 0);
    if (texelFetch(uMask, px, 0).r > 0.5) {
        discard; // the object itself stays as drawn
    }
    int r = int(ceil(uRadius));
    float r2 = uRadius * uRadius;
    for (int dy = -r; dy <= r; ++dy) {
        for (int dx = -r; dx <= r; ++dx) {
            ivec2 q = px + ivec2(dx, dy);
            if (float(dx * dx + dy * dy) > r2 || any(lessThan(q, ivec2(0))) ||
                any(greaterThanEqual(q, size))) {
                continue;
            }
            if (texelFetch(uMask, q, 0).r > 0.5) {
                fragColor = uColor;
                return;
            }
        }
    }
    discard;
}
)";

} // namespace Vuro::GL::Shaders
