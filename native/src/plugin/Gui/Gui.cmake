# The faceplate host: its sources in strobe95_core, the page and fonts embedded as byte
# tables, and the platform's web view backend. Included from native/CMakeLists.txt.
set(gui_dir "${CMAKE_CURRENT_SOURCE_DIR}/src/plugin/Gui")
set(gui_generated "${CMAKE_CURRENT_BINARY_DIR}/generated/faceplate")
file(MAKE_DIRECTORY "${gui_generated}/fonts")

# JSON for the page's calls, reached through a staging directory that holds only it, so
# the cross build never sees the build machine's /usr/include.
find_path(NLOHMANN_JSON_INCLUDE_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(json_staging "${CMAKE_BINARY_DIR}/staging/json")
file(MAKE_DIRECTORY "${json_staging}")
file(CREATE_LINK "${NLOHMANN_JSON_INCLUDE_DIR}/nlohmann" "${json_staging}/nlohmann" SYMBOLIC)
target_include_directories(strobe95_core SYSTEM PUBLIC "${json_staging}")

# The fonts ship from npm as WOFF2; web views everywhere read TrueType, so they are
# unpacked here, licences beside them.
set(font_packages "${PROJECT_SOURCE_DIR}/node_modules")
if(NOT EXISTS "${font_packages}/@fontsource/vt323")
  message(FATAL_ERROR "The faceplate's fonts are missing: run `npm ci` in ${PROJECT_SOURCE_DIR}")
endif()
find_program(WOFF2_DECOMPRESS woff2_decompress REQUIRED)
set(font_sources
  "Orbitron=@fontsource-variable/orbitron/files/orbitron-latin-wght-normal.woff2"
  "PressStart2P=@fontsource/press-start-2p/files/press-start-2p-latin-400-normal.woff2"
  "VT323=@fontsource/vt323/files/vt323-latin-400-normal.woff2")
set(font_files "")
foreach(entry IN LISTS font_sources)
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 font)
  list(GET parts 1 source)
  get_filename_component(package "${font_packages}/${source}" DIRECTORY)
  get_filename_component(package "${package}" DIRECTORY)
  set(ttf "${gui_generated}/fonts/${font}.ttf")
  add_custom_command(
    OUTPUT "${ttf}"
    COMMAND "${CMAKE_COMMAND}" -E copy "${font_packages}/${source}" "${gui_generated}/fonts/${font}.woff2"
    COMMAND "${WOFF2_DECOMPRESS}" "${gui_generated}/fonts/${font}.woff2"
    COMMAND "${CMAKE_COMMAND}" -E copy "${package}/LICENSE" "${gui_generated}/fonts/${font}.LICENSE"
    DEPENDS "${font_packages}/${source}"
    COMMENT "Unpacking the ${font} font")
  list(APPEND font_files "${ttf}")
endforeach()

set(faceplate_assets
  "kFaceplatePage=${PROJECT_SOURCE_DIR}/web/index.html"
  "kFaceplateScript=${PROJECT_SOURCE_DIR}/web/gui.js"
  "kPanelDescription=${PROJECT_SOURCE_DIR}/web/parameters.json"
  "kOrbitronFont=${gui_generated}/fonts/Orbitron.ttf"
  "kPressStart2PFont=${gui_generated}/fonts/PressStart2P.ttf"
  "kVt323Font=${gui_generated}/fonts/VT323.ttf")
# A list would become several arguments; the script takes the entries apart at "|".
string(REPLACE ";" "|" faceplate_assets "${faceplate_assets}")
add_custom_command(
  OUTPUT "${gui_generated}/FaceplateAssets.inc"
  COMMAND "${CMAKE_COMMAND}" "-DOUTPUT=${gui_generated}/FaceplateAssets.inc"
          "-DASSETS=${faceplate_assets}" -P "${gui_dir}/EmbedAssets.cmake"
  DEPENDS "${PROJECT_SOURCE_DIR}/web/index.html" "${PROJECT_SOURCE_DIR}/web/gui.js"
          "${PROJECT_SOURCE_DIR}/web/parameters.json" ${font_files} "${gui_dir}/EmbedAssets.cmake"
  COMMENT "Embedding the faceplate page, script, panel description and fonts"
  VERBATIM)

target_sources(strobe95_core PRIVATE
  "${gui_dir}/Bindings.cpp"
  "${gui_dir}/Gui.cpp"
  "${gui_dir}/GuiExtension.cpp"
  "${gui_dir}/GuiSize.cpp"
  "${gui_dir}/MainThreadTimer.cpp"
  "${gui_dir}/Resources.cpp"
  "${gui_dir}/StateObject.cpp"
  "${gui_dir}/WebView.cpp"
  "${gui_generated}/FaceplateAssets.inc")
set_source_files_properties("${gui_dir}/Resources.cpp" PROPERTIES
  INCLUDE_DIRECTORIES "${gui_generated}"
  OBJECT_DEPENDS "${gui_generated}/FaceplateAssets.inc")

if(WIN32)
  target_sources(strobe95_core PRIVATE "${gui_dir}/WebView2Runtime.cpp" "${gui_dir}/WebViewWin32.cpp")
  target_link_libraries(strobe95_core PUBLIC ole32 user32 advapi32 shlwapi)
else()
  # Only WebKitGTK's headers: the libraries are opened when an editor is created.
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(WEBKITGTK REQUIRED webkit2gtk-4.1 gtk+-3.0 libsoup-3.0 x11)
  add_library(strobe95_gui_gtk OBJECT "${gui_dir}/GtkLibrary.cpp" "${gui_dir}/WebViewGtk.cpp")
  target_include_directories(strobe95_gui_gtk SYSTEM PRIVATE ${WEBKITGTK_INCLUDE_DIRS} "${json_staging}")
  target_include_directories(strobe95_gui_gtk PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/src/plugin")
  target_link_libraries(strobe95_gui_gtk PRIVATE strobe95_clap_headers strobe95_warnings)
  set_target_properties(strobe95_gui_gtk PROPERTIES
    POSITION_INDEPENDENT_CODE ON CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_sources(strobe95_core PRIVATE $<TARGET_OBJECTS:strobe95_gui_gtk>
    "${gui_dir}/EditorChannel.cpp" "${gui_dir}/RemoteWebView.cpp")
  target_link_libraries(strobe95_core PUBLIC ${CMAKE_DL_LIBS})
endif()
