# Where the decoder plug-ins that only the tests use are put.
set(MRV_TESTPLUGIN_DIR ${CMAKE_BINARY_DIR}/testplugins)

# The program and its core library (everything but the entry point, so tests can link it).
add_library(mrv_core STATIC
  core/app.cpp
  core/text.cpp
  core/registry.cpp
  core/listio.cpp
  core/settings.cpp
  core/startup.cpp
  core/wallpaper.cpp
  core/shell.cpp
  imaging/muravine_susie.cpp
  core/ui/window.cpp
  mainwin/muravine_main.cpp
  mainwin/ormitaskbar.cpp
  options/ormi_version.cpp
  options/muravine_option.cpp
  options/muravine_option2.cpp
  listwin/muravine_list.cpp
  listwin/muravine_preview.cpp
)
target_link_libraries(mrv_core PUBLIC mrv_portable shell32 ole32 uuid comctl32 comdlg32 uxtheme gdi32 user32 advapi32 version)
mrv_warnings(mrv_core)

add_executable(MURAVINE WIN32 core/main.cpp resources/muravine.rc)
target_link_libraries(MURAVINE PRIVATE mrv_core)
# Stripped and without unused sections: the resident program should stay small.
target_link_options(MURAVINE PRIVATE ${MRV_STATIC_LINK} -municode -s -Wl,--gc-sections)
target_include_directories(MURAVINE PRIVATE ${CMAKE_SOURCE_DIR}/resources ${CMAKE_SOURCE_DIR})
mrv_warnings(MURAVINE)

# The help file, MURAVINE.CHM beside the program.
add_subdirectory(resources/help)
add_dependencies(MURAVINE muravine_help)
