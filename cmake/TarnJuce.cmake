# JUCE settings shared by every target, and the helper that lets a plain executable use the
# plug-in's shared-code library (which holds the one compiled copy of the JUCE modules).

set(TARN_MAKER_URL "https://fennick.example")   # a reserved example domain: the maker's, defined once

# System codecs and image libraries: Debian strips the copies bundled with JUCE.
find_package(PkgConfig REQUIRED)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    pkg_check_modules(TARN_CODECS REQUIRED IMPORTED_TARGET flac vorbis vorbisenc vorbisfile ogg libpng)
    find_package(JPEG REQUIRED)
endif()

# Link an executable (the analyser, tests, benchmarks) against the plug-in's shared code. The shared
# code exports its module definitions; its include paths are private, so they are re-exported here
# the same way JUCE's own format wrappers do it.
function(tarn_link_shared_code target)
    target_link_libraries(${target} PRIVATE Tarn)
    target_include_directories(${target} PRIVATE $<TARGET_PROPERTY:Tarn,INCLUDE_DIRECTORIES>)
endfunction()
