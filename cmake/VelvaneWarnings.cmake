# Warnings for our own code only: the JUCE headers are included as system
# headers, so their own warnings stay out of our builds.
get_target_property(VELVANE_JUCE_MODULES_DIR juce::juce_core INTERFACE_JUCE_MODULE_PATH)

function(velvane_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    target_include_directories(${target} SYSTEM PRIVATE "${VELVANE_JUCE_MODULES_DIR}")
endfunction()
