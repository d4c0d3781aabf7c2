# Sanitized builds of the whole tree, for the tests (scripts/sanitize.sh):
# "address" checks memory errors, undefined behaviour and leaks, "thread"
# data races. Every finding stops the program.
set(CITY_SANITIZE "" CACHE STRING "Sanitizers to build with: address, thread or none")
if(CITY_SANITIZE STREQUAL "address")
    # Two checks of the undefined-behaviour set stay off. "enum": the runtime
    # is handed its enumerations by callers and checks them itself, so a value
    # outside an enumeration's declared ones must reach that check (the tests
    # pass such values on purpose). "vptr": libstdc++ 12 converts paths
    # through a facet type of its own that the check cannot see, and reports
    # every such conversion.
    set(CITY_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize=enum,vptr
                            -fno-sanitize-recover=all)
    # With this instrumentation GCC 12 warns that libstdc++'s <regex> may read
    # a std::function uninitialised, which it does not.
    add_compile_options(-Wno-maybe-uninitialized)
    # Every program keeps the Vulkan driver and the validation layer loaded
    # to its end, for the leak check at exit to see into them.
    add_library(keep_vulkan_libraries OBJECT tests/sanitizers/KeepVulkanLibraries.cpp)
    link_libraries(keep_vulkan_libraries ${CMAKE_DL_LIBS})
elseif(CITY_SANITIZE STREQUAL "thread")
    set(CITY_SANITIZE_FLAGS -fsanitize=thread)
elseif(CITY_SANITIZE)
    message(FATAL_ERROR "CITY_SANITIZE must be address, thread or empty, not ${CITY_SANITIZE}")
endif()
if(CITY_SANITIZE_FLAGS)
    add_compile_options(${CITY_SANITIZE_FLAGS} -fno-omit-frame-pointer)
    add_link_options(${CITY_SANITIZE_FLAGS})
endif()
