# Programs that compile shaders start HlslCompiler from their own folder
# (platform/d3dcompiler). The demo and CityCapture are built beside it; a
# folder of other programs calls link_compiler_beside_programs() once its
# programs are defined, which gives each of them a link to it in its folder.
function(link_compiler_beside_programs)
    get_property(targets DIRECTORY PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
        get_target_property(type ${target} TYPE)
        get_target_property(folder ${target} RUNTIME_OUTPUT_DIRECTORY)
        if(type STREQUAL "EXECUTABLE" AND NOT folder)
            add_dependencies(${target} HlslCompiler)
            add_custom_command(TARGET ${target} POST_BUILD
                COMMAND ${CMAKE_COMMAND} -E create_symlink $<TARGET_FILE:HlslCompiler>
                        $<TARGET_FILE_DIR:${target}>/HlslCompiler)
        endif()
    endforeach()
endfunction()
