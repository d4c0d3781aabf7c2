# Read by CPack as it makes a package (CPACK_PROJECT_CONFIG_FILE). CPack's
# Debian generator writes SOURCE_DATE_EPOCH, where it is set, as the time of
# every file and archive member: it is set here to the commit's time.
include(${CPACK_CITY_SOURCE_DIR}/cmake/CommitTime.cmake)
city_commit_time(epoch ${CPACK_CITY_SOURCE_DIR})
if(NOT epoch STREQUAL "")
    set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
