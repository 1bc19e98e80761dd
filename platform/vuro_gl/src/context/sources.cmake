# Sources of the render context, relative to platform/vuro_gl.
set(VURO_GL_CONTEXT_SOURCES
    src/context/Context.cpp
    src/context/DepthPeeling.cpp
    src/context/Highlight.cpp
    src/context/Passes.cpp
    src/context/Programs.cpp
    src/context/ShaderSources.cpp
    src/context/Symbols.cpp
    src/context/Targets.cpp
)
