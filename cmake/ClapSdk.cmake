# The CLAP headers: an installed SDK when there is one, otherwise the copy Debian ships
# in dpf-source. Either way they are reached through a staging directory that holds only
# them, so the cross build never sees the build machine's /usr/include.

set(CLAP_INCLUDE_DIR "" CACHE PATH "Directory that contains clap/entry.h")
if(NOT CLAP_INCLUDE_DIR)
  find_package(clap CONFIG QUIET)
  if(TARGET clap)
    get_target_property(CLAP_INCLUDE_DIR clap INTERFACE_INCLUDE_DIRECTORIES)
  elseif(EXISTS "/usr/share/dpf/distrho/src/clap/entry.h")
    set(CLAP_INCLUDE_DIR "/usr/share/dpf/distrho/src")
  endif()
endif()
if(NOT EXISTS "${CLAP_INCLUDE_DIR}/clap/entry.h")
  message(FATAL_ERROR "No CLAP headers found: install dpf-source or set CLAP_INCLUDE_DIR")
endif()

file(STRINGS "${CLAP_INCLUDE_DIR}/clap/version.h" clap_minor_line REGEX "define CLAP_VERSION_MINOR")
string(REGEX MATCH "([0-9]+)\\)+$" _ "${clap_minor_line}")
set(CLAP_SDK_MINOR "${CMAKE_MATCH_1}")

set(STROBE95_STAGING_INCLUDE "${CMAKE_BINARY_DIR}/staging/include")
file(MAKE_DIRECTORY "${STROBE95_STAGING_INCLUDE}")
file(CREATE_LINK "${CLAP_INCLUDE_DIR}/clap" "${STROBE95_STAGING_INCLUDE}/clap" SYMBOLIC)

add_library(strobe95_clap_headers INTERFACE)
target_include_directories(strobe95_clap_headers SYSTEM INTERFACE "${STROBE95_STAGING_INCLUDE}")
target_compile_definitions(strobe95_clap_headers INTERFACE STROBE95_CLAP_SDK_MINOR=${CLAP_SDK_MINOR})
