# Packs the Windows run directory into its zip, the same bytes on every build
# of a commit: the entries in name order, each with the commit's time
# (cmake/CommitTime.cmake) written as UTC, fixed permissions, and no owners
# or extra times (zip -X). It packs copies, so the build's files keep their
# own times.
#   cmake -DRUN_DIR=<run directory> -DZIP=<zip> -DZIP_PROGRAM=<zip program>
#         -DSOURCE_DIR=<sources> -P pack-zip.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/CommitTime.cmake)

set(stage ${ZIP}.files)
file(REMOVE_RECURSE ${stage} ${ZIP})
file(COPY ${RUN_DIR}/CityDemo.exe DESTINATION ${stage}
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                      WORLD_READ WORLD_EXECUTE)
file(COPY ${RUN_DIR}/Shaders ${RUN_DIR}/Textures ${RUN_DIR}/2.mp3 DESTINATION ${stage}
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
     DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                           WORLD_READ WORLD_EXECUTE)
file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE ${stage} ${stage}/*)
list(SORT entries)

city_commit_time(epoch ${SOURCE_DIR})
if(NOT epoch STREQUAL "")
    execute_process(COMMAND touch -d @${epoch} ${entries}
                    WORKING_DIRECTORY ${stage} COMMAND_ERROR_IS_FATAL ANY)
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIP_PROGRAM} -q -X ${ZIP} ${entries}
                WORKING_DIRECTORY ${stage} COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE ${stage})
