# From the native build's tests: the Windows build of the program, and its
# program-side tests run under Wine, labelled "windows" (ctest -LE windows
# skips them). The cross build lives in build/windows and takes the
# textures and the music from the native run directory.
find_program(MINGW_CXX x86_64-w64-mingw32-g++-posix)
find_program(WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT MINGW_CXX OR NOT WINE64)
    message(STATUS "MinGW-w64 or Wine missing: the Windows build is not tested")
    return()
endif()

set(WINDOWS_BUILD_DIR ${CMAKE_BINARY_DIR}/windows)
set(WINE_PREFIX ${WINDOWS_BUILD_DIR}/wine-prefix)
set(RUN_UNDER_WINE ${CMAKE_CURRENT_LIST_DIR}/run-under-wine.sh ${WINE_PREFIX})

add_test(NAME windows_build
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/build-windows.sh ${WINDOWS_BUILD_DIR} ${CITY_RUN_DIR})
set_tests_properties(windows_build PROPERTIES
    FIXTURES_SETUP windows_build LABELS windows TIMEOUT 1800)

# The exe is a 64-bit GUI program that needs no MinGW DLL; the zip holds the run directory.
add_test(NAME windows_package
    COMMAND sh -c "file \"$0/run/CityDemo.exe\" | grep -q 'PE32+ executable (GUI) x86-64' && ! x86_64-w64-mingw32-objdump -p \"$0/run/CityDemo.exe\" | grep -iE 'DLL Name: (libstdc|libgcc|libwinpthread)' && unzip -l \"$0/CityDemo-windows.zip\" | grep -E ' (CityDemo.exe|2.mp3|Shaders/Default.hlsl|Textures/bricks.dds)$' | wc -l | grep -qx 4"
            ${WINDOWS_BUILD_DIR})
set_tests_properties(windows_package PROPERTIES FIXTURES_REQUIRED windows_build LABELS windows)

# Wine's first start creates its prefix (some 20 s); the tests share it.
add_test(NAME wine_prefix
    COMMAND sh -c "rm -rf \"$1\" && \"$0\" \"$1\" wineboot -i && WINEPREFIX=\"$1\" /usr/lib/wine/wineserver -w"
            ${RUN_UNDER_WINE})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix LABELS windows TIMEOUT 300)

# The loader's creation cases need a Direct3D 12 device: under Wine that is
# vkd3d on lavapipe, where the second case stops on an assertion inside
# winevulkan. The first expects a 5 x 3 BC7 texture to be made, which a
# device owes only where it reports unaligned block-compressed textures
# (D3D12_FEATURE_D3D12_OPTIONS8): ours does and makes it, Wine's refuses it.
set(WINE_TEST_ARGS_dds_loader_tests --gtest_filter=-DdsCreation.OnlyTwoDimensionalTexturesAreCreated:DdsCreation.DescriptionsTheRuntimeRefusesLeaveBothSlotsEmpty)

foreach(suite framework_tests frame_stats_tests shapes_app_tests phase_clock_tests dds_loader_tests)
    add_test(NAME wine.${suite}
        COMMAND ${RUN_UNDER_WINE} ${WINDOWS_BUILD_DIR}/tests/${suite}.exe ${WINE_TEST_ARGS_${suite}})
    set_tests_properties(wine.${suite} PROPERTIES
        FIXTURES_REQUIRED "windows_build;wine_prefix" LABELS windows TIMEOUT 300)
endforeach()

# The music through Wine's MCI. Its MPEG device decodes MP3 with GStreamer's
# "good" plugins (mpegaudioparse, mpg123audiodec) and renders to an audio
# device: without a sound card, ALSA's null device stands in, playing to
# nowhere; without any device MCI cannot open the file at all.
file(WRITE ${WINDOWS_BUILD_DIR}/alsa-null.conf "pcm.!default { type null }\n")
add_test(NAME wine.music_mci
    COMMAND env ALSA_CONFIG_PATH=${WINDOWS_BUILD_DIR}/alsa-null.conf
            ${RUN_UNDER_WINE} ${WINDOWS_BUILD_DIR}/tests/music_mci_tests.exe
    WORKING_DIRECTORY ${WINDOWS_BUILD_DIR}/run)
set_tests_properties(wine.music_mci PROPERTIES
    FIXTURES_REQUIRED "windows_build;wine_prefix" LABELS windows TIMEOUT 300
    SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")

# The program itself on Wine's Win32 and Direct3D 12, up to the shader
# compilation that Wine's HLSL compiler cannot do.
add_test(NAME wine.city_demo_startup
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine-startup-check.sh ${WINE_PREFIX} ${WINDOWS_BUILD_DIR}/run)
set_tests_properties(wine.city_demo_startup PROPERTIES
    FIXTURES_REQUIRED "windows_build;wine_prefix" LABELS windows TIMEOUT 300)
