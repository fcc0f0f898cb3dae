# The JUCE modules are compiled once per build into two static libraries that
# every target shares: velvane_juce_base (no GUI, used by the core) and
# velvane_juce_gui (graphics, widgets, audio devices) on top of it.

set(VELVANE_JUCE_DEFINITIONS
    JUCE_USE_OGGVORBIS=0
    JUCE_USE_MP3AUDIOFORMAT=0
    JUCE_USE_CURL=0
    JUCE_WEB_BROWSER=0
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_REPORT_APP_USAGE=0
    JUCE_STRICT_REFCOUNTEDPOINTER=1
    JUCE_MODAL_LOOPS_PERMITTED=1
    JUCE_SILENCE_XCODE_15_LINKER_WARNING=1)

set(VELVANE_JUCE_BASE_MODULES juce_core juce_events juce_data_structures juce_audio_basics juce_audio_formats)
set(VELVANE_JUCE_GUI_MODULES juce_graphics juce_gui_basics juce_gui_extra juce_audio_devices)

add_library(velvane_juce_base STATIC)
target_link_libraries(velvane_juce_base
    PRIVATE juce::juce_core juce::juce_events juce::juce_data_structures juce::juce_audio_basics juce::juce_audio_formats
    PUBLIC juce::juce_recommended_config_flags PkgConfig::VELVANE_FLAC)
target_compile_definitions(velvane_juce_base PUBLIC ${VELVANE_JUCE_DEFINITIONS})
# Consumers see the same include paths and module definitions the modules were built with.
target_include_directories(velvane_juce_base INTERFACE
    $<TARGET_PROPERTY:velvane_juce_base,INCLUDE_DIRECTORIES>)
target_compile_definitions(velvane_juce_base INTERFACE
    $<TARGET_PROPERTY:velvane_juce_base,COMPILE_DEFINITIONS>)
set_target_properties(velvane_juce_base PROPERTIES POSITION_INDEPENDENT_CODE ON)

# The GUI modules: only their own sources are compiled here; the base modules
# they build on come from velvane_juce_base, so nothing is compiled twice.
add_library(velvane_juce_gui STATIC)
foreach(module IN LISTS VELVANE_JUCE_GUI_MODULES)
    get_target_property(module_sources juce::${module} INTERFACE_JUCE_MODULE_SOURCES)
    target_sources(velvane_juce_gui PRIVATE ${module_sources})
    target_compile_definitions(velvane_juce_gui PUBLIC JUCE_MODULE_AVAILABLE_${module}=1)
    get_target_property(module_links juce::${module} INTERFACE_LINK_LIBRARIES)
    foreach(link IN LISTS module_links)
        if(link AND NOT link MATCHES "^(juce::)?juce_[a-z_]+$")
            target_link_libraries(velvane_juce_gui PUBLIC ${link})
        endif()
    endforeach()
endforeach()
# JUCE's image codecs use the system libpng and libjpeg on Linux.
target_link_libraries(velvane_juce_gui PUBLIC velvane_juce_base juce::pkgconfig_JUCE_IMG_LINUX_DEPS)
