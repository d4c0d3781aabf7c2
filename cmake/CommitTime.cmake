# The time that packaging steps give every file they pack, so that two builds
# of one commit, in any folders and at any times, give the same bytes:
# SOURCE_DATE_EPOCH where it is set, else the time of the commit the sources
# at `source_dir` are at, as git reports it; empty where neither is there.
function(city_commit_time out source_dir)
    set(epoch "$ENV{SOURCE_DATE_EPOCH}")
    if(epoch STREQUAL "")
        execute_process(COMMAND git -C ${source_dir} log -1 --format=%ct
                        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    endif()
    set(${out} "${epoch}" PARENT_SCOPE)
endfunction()
