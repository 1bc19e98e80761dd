# Shared compile settings for every target of the project.
add_library(tolu_warnings INTERFACE)
target_compile_options(tolu_warnings INTERFACE -Wall -Wextra -Wpedantic
    $<$<BOOL:${TOLU_WERROR}>:-Werror>)

add_library(tolu_sanitize INTERFACE)
if(TOLU_SANITIZE)
    set(tolu_sanitizers ${TOLU_SANITIZE})
    # GCC leaves out-of-range float-to-integer conversions out of "undefined".
    if(TOLU_SANITIZE MATCHES "undefined")
        string(APPEND tolu_sanitizers ",float-cast-overflow")
    endif()
    target_compile_options(tolu_sanitize INTERFACE -fsanitize=${tolu_sanitizers}
        -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(tolu_sanitize INTERFACE -fsanitize=${tolu_sanitizers})
endif()

# tolu_add_library(<name> ALIAS <ns::name> EXPORT_HEADER <include/path/Export.h>
#                  EXPORT_MACRO <MACRO> SOURCES ... [PUBLIC_LINK ...] [PRIVATE_LINK ...])
# A shared library with hidden visibility, a generated export header, its public
# include/ and private src/ directories.
function(tolu_add_library name)
    cmake_parse_arguments(ARG "" "ALIAS;EXPORT_HEADER;EXPORT_MACRO"
        "SOURCES;PUBLIC_LINK;PRIVATE_LINK" ${ARGN})
    add_library(${name} SHARED ${ARG_SOURCES})
    add_library(${ARG_ALIAS} ALIAS ${name})
    generate_export_header(${name}
        BASE_NAME ${name}
        EXPORT_MACRO_NAME ${ARG_EXPORT_MACRO}
        EXPORT_FILE_NAME ${CMAKE_CURRENT_BINARY_DIR}/include/${ARG_EXPORT_HEADER})
    target_include_directories(${name}
        PUBLIC $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
               $<BUILD_INTERFACE:${CMAKE_CURRENT_BINARY_DIR}/include>
               $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
        PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LINK}
        PRIVATE ${ARG_PRIVATE_LINK} $<BUILD_INTERFACE:tolu_warnings>
        $<BUILD_INTERFACE:tolu_sanitize>)
    set_target_properties(${name} PROPERTIES VERSION ${PROJECT_VERSION}
        SOVERSION ${PROJECT_VERSION_MAJOR} EXPORT_NAME ${ARG_ALIAS})
    tolu_install_library(${name} ${CMAKE_CURRENT_SOURCE_DIR}/include
        ${CMAKE_CURRENT_BINARY_DIR}/include)
endfunction()

# Installs a library, its public headers and its generated export header into the
# package's export set.
function(tolu_install_library name)
    install(TARGETS ${name} EXPORT toluOstraSimGLTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
    foreach(dir ${ARGN})
        if(EXISTS ${dir})
            install(DIRECTORY ${dir}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
                FILES_MATCHING PATTERN "*.h")
        endif()
    endforeach()
endfunction()

# tolu_add_test(<name> LABEL <unit|gl|concurrency> SOURCES ... LINK ...)
function(tolu_add_test name)
    cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LINK" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LINK} GTest::gtest GTest::gmock GTest::gtest_main
        tolu_warnings tolu_sanitize)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    gtest_discover_tests(${name} PROPERTIES LABELS ${ARG_LABEL} DISCOVERY_TIMEOUT 60)
endfunction()
