# Warnings for our own code only: the JUCE headers are included as system
# headers, so their own warnings stay out of our builds.
get_target_property(VELVANE_JUCE_MODULES_DIR juce::juce_core INTERFACE_JUCE_MODULE_PATH)

function(velvane_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    # GCC 12 flags JUCE's ListenerList iterator bookkeeping as a dangling pointer when
    # it is inlined into our listeners; the list removes the pointer before returning.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12)
        target_compile_options(${target} PRIVATE -Wno-dangling-pointer)
    endif()
    target_include_directories(${target} SYSTEM PRIVATE "${VELVANE_JUCE_MODULES_DIR}")
endfunction()
