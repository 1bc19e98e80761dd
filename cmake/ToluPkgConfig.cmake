# pkg-config files for hosts that do not build with CMake: one per installed library,
# with the same dependencies as the exported CMake targets.
file(RELATIVE_PATH TOLU_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
string(REGEX REPLACE "/$" "" TOLU_PC_TO_PREFIX "${TOLU_PC_TO_PREFIX}")

# tolu_install_pkgconfig(<library> DESCRIPTION <text> [REQUIRES ...] [REQUIRES_PRIVATE ...]
#                        [LIBS ...])
function(tolu_install_pkgconfig name)
    cmake_parse_arguments(ARG "" "DESCRIPTION" "REQUIRES;REQUIRES_PRIVATE;LIBS" ${ARGN})
    set(TOLU_PC_NAME ${name})
    set(TOLU_PC_DESCRIPTION ${ARG_DESCRIPTION})
    list(JOIN ARG_REQUIRES " " TOLU_PC_REQUIRES)
    list(JOIN ARG_REQUIRES_PRIVATE " " TOLU_PC_REQUIRES_PRIVATE)
    list(JOIN ARG_LIBS " " TOLU_PC_LIBS)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/tolu.pc.in
        ${PROJECT_BINARY_DIR}/pkgconfig/${name}.pc @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/${name}.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()

tolu_install_pkgconfig(toluUtil DESCRIPTION "Reference counting, signals, errors and texts"
    LIBS -pthread)
tolu_install_pkgconfig(toluMath3d DESCRIPTION "Vectors, matrices and geometric primitives"
    REQUIRES toluUtil)
tolu_install_pkgconfig(toluGL DESCRIPTION "OpenGL loader and headless EGL context"
    REQUIRES toluUtil REQUIRES_PRIVATE egl libpng)
tolu_install_pkgconfig(toluOstraVuroGL DESCRIPTION "Render library: render model and GL prototypes"
    REQUIRES toluUtil toluMath3d toluGL)
tolu_install_pkgconfig(toluOstraSim DESCRIPTION "Simulation model of a multibody project"
    REQUIRES toluUtil toluMath3d toluOstraVuroGL)
tolu_install_pkgconfig(toluOstraIO DESCRIPTION "Scene, mesh, robot and motion files"
    REQUIRES toluOstraSim toluOstraVuroGL toluMath3d toluUtil
    REQUIRES_PRIVATE nlohmann_json assimp)
tolu_install_pkgconfig(toluOstraSimGL DESCRIPTION "Interactive 3D scene layer of a multibody simulation"
    REQUIRES toluOstraSim toluOstraVuroGL toluGL toluMath3d toluUtil)
