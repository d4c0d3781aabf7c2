# The tests' own Vulkan layers: each is a module with a manifest beside it in
# its build folder, loaded through the loader's environment only
# (VK_ADD_LAYER_PATH and VK_INSTANCE_LAYERS), never installed.
# Debian's loader (1.3.239) stacks explicit layers in the order their manifests
# are found, whatever the order of VK_INSTANCE_LAYERS: a path with the
# validation layer's folder first puts the validation layer nearest the
# program, where it sees every call the program makes.
find_path(VALIDATION_LAYER_MANIFEST_DIR VkLayer_khronos_validation.json
    PATHS /usr/share/vulkan/explicit_layer.d /usr/local/share/vulkan/explicit_layer.d
          /etc/vulkan/explicit_layer.d
    NO_DEFAULT_PATH)

# add_test_vulkan_layer(TARGET LAYER_NAME DESCRIPTION SOURCES...)
function(add_test_vulkan_layer target layer description)
    add_library(${target} MODULE ${ARGN})
    target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/support)
    target_link_libraries(${target} PRIVATE Vulkan::Headers)
    set_target_properties(${target} PROPERTIES
        CXX_VISIBILITY_PRESET hidden
        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${target}.json
        CONTENT "{
    \"file_format_version\": \"1.1.2\",
    \"layer\": {
        \"name\": \"${layer}\",
        \"type\": \"GLOBAL\",
        \"library_path\": \"$<TARGET_FILE:${target}>\",
        \"api_version\": \"1.3.239\",
        \"implementation_version\": \"1\",
        \"description\": \"${description}\"
    }
}
")
endfunction()
