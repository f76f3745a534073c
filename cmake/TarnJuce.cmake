# JUCE settings shared by every target, and the helper that lets a plain executable use the
# plug-in's shared-code library (which holds the one compiled copy of the JUCE modules).

set(TARN_MAKER_URL "https://fennick.example")   # a reserved example domain: the maker's, defined once

# System codecs and image libraries: Debian strips the copies bundled with JUCE.
find_package(PkgConfig REQUIRED)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    pkg_check_modules(TARN_CODECS REQUIRED IMPORTED_TARGET flac vorbis vorbisenc vorbisfile ogg libpng)
    find_package(JPEG REQUIRED)
endif()

# Warnings for Tarn's own code; JUCE's sources keep their defaults.
function(tarn_enable_warnings target)
    target_compile_options(${target} PRIVATE
        $<$<CXX_COMPILER_ID:GNU,Clang,AppleClang>:-Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion -Wno-psabi>)
endfunction()

# One folder of Tarn's JUCE code (source/<name>), as the object library tarn_<name> whose objects
# go into the shared code. It compiles with the shared code's own settings (JUCE's include paths,
# definitions and flags) and sees the headers of its folder and of the folders it USES, no others.
function(tarn_add_juce_folder name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;USES")
    add_library(tarn_${name} OBJECT ${arg_SOURCES})
    target_include_directories(tarn_${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(tarn_${name} PUBLIC ${arg_USES} PRIVATE tarn_juce_settings)
    set_target_properties(tarn_${name} PROPERTIES
        POSITION_INDEPENDENT_CODE ON CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    tarn_enable_warnings(tarn_${name})
    target_sources(Tarn PRIVATE $<TARGET_OBJECTS:tarn_${name}>)
endfunction()

# Link an executable or library (the analyser, tests, benchmarks) against the plug-in's shared
# code, seeing the headers of the folders named after the target (processor, wording, editor, ...).
# The shared code's include paths are private, so they are re-exported here the same way JUCE's own
# format wrappers do it.
function(tarn_link_shared_code target)
    target_link_libraries(${target} PRIVATE Tarn)
    target_include_directories(${target} PRIVATE $<TARGET_PROPERTY:Tarn,INCLUDE_DIRECTORIES>)
    foreach(folder IN LISTS ARGN)
        target_include_directories(${target} PRIVATE $<TARGET_PROPERTY:tarn_${folder},INTERFACE_INCLUDE_DIRECTORIES>)
    endforeach()
endfunction()
