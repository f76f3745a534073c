# CLAP, which JUCE does not build by itself, through clap-juce-extensions (MIT, with CLAP and
# clap-helpers inside it). TARN_CLAP_JUCE_EXTENSIONS names its source folder or its release
# tarball; by default the tarball in ../shared/third_party, where there is one. Without it no CLAP
# is built, and configuring says so. Sets TARN_CLAP when the CLAP can be built.

file(GLOB tarn_clap_default "${PROJECT_SOURCE_DIR}/../shared/third_party/clap-juce-extensions-*.tar.gz")
set(TARN_CLAP_JUCE_EXTENSIONS "${tarn_clap_default}" CACHE PATH
    "clap-juce-extensions: its source folder or release tarball (empty: no CLAP)")

set(TARN_CLAP OFF)
set(tarn_clap_dir "")
if(TARN_CLAP_JUCE_EXTENSIONS MATCHES "\\.tar\\.gz$" AND EXISTS "${TARN_CLAP_JUCE_EXTENSIONS}")
    set(tarn_clap_dir "${CMAKE_BINARY_DIR}/_deps/clap-juce-extensions")
    if(NOT EXISTS "${tarn_clap_dir}/CMakeLists.txt")
        file(ARCHIVE_EXTRACT INPUT "${TARN_CLAP_JUCE_EXTENSIONS}" DESTINATION "${CMAKE_BINARY_DIR}/_deps")
    endif()
elseif(EXISTS "${TARN_CLAP_JUCE_EXTENSIONS}/CMakeLists.txt")
    set(tarn_clap_dir "${TARN_CLAP_JUCE_EXTENSIONS}")
endif()

if(tarn_clap_dir AND EXISTS "${tarn_clap_dir}/CMakeLists.txt")
    add_subdirectory("${tarn_clap_dir}" "${CMAKE_BINARY_DIR}/clap-juce-extensions" EXCLUDE_FROM_ALL)
    set(TARN_CLAP ON)
else()
    message(STATUS "CLAP: no clap-juce-extensions (set TARN_CLAP_JUCE_EXTENSIONS to its folder or tarball); no CLAP is built")
endif()
