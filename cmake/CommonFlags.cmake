# One place for the flags every target of ours is built with.
add_library(lis_common_flags INTERFACE)
target_compile_features(lis_common_flags INTERFACE cxx_std_20)
target_compile_options(lis_common_flags INTERFACE -Wall -Wextra -Werror)
target_compile_definitions(lis_common_flags INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_FOREACH)
if(Qt6_VERSION VERSION_GREATER_EQUAL 6.7)
    target_compile_definitions(lis_common_flags INTERFACE QT_NO_CONTEXTLESS_CONNECT)
endif()

if(LIS_SANITIZE)
    set(lis_sanitize_flags -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_compile_options(lis_common_flags INTERFACE ${lis_sanitize_flags})
    target_link_options(lis_common_flags INTERFACE ${lis_sanitize_flags})
endif()

# Includes name headers from the source root ("core/Settings.h"). Each library sees the root
# privately; what it may include is what it links, which cmake/LayerCheck.cmake checks.
add_library(lis_source_root INTERFACE)
target_include_directories(lis_source_root INTERFACE "${PROJECT_SOURCE_DIR}")

# Adds a static engine or window library for one subsystem folder.
function(lis_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${name} PUBLIC lis_common_flags ${ARG_LIBS})
    set_property(GLOBAL APPEND PROPERTY LIS_LIBRARY_TARGETS ${name})
endfunction()
