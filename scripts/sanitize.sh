#!/bin/sh
# Builds the project with sanitizers and runs its tests under them.
#   scripts/sanitize.sh            both runs below
#   scripts/sanitize.sh address    AddressSanitizer with UndefinedBehaviorSanitizer
#                                  and LeakSanitizer, over the whole suite; the
#                                  110-second run becomes a 20-second one, and
#                                  the personalities' demo runs are left out
#   scripts/sanitize.sh thread     ThreadSanitizer, over the runtime's own tests
# Any finding ends the program that made it, and so fails its test.
# Expects the packages of scripts/install-deps.sh.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

for kind in ${*:-address thread}; do
    case $kind in
    address)
        cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCITY_SANITIZE=address
        cmake --build build-asan --parallel "$jobs"
        # Leaks are looked for at every exit; those of the validation layer
        # and of D-Bus are suppressed by name, each with its reason. SDL
        # shuts its D-Bus connection down at its end only when asked.
        ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        SDL_SHUTDOWN_DBUS_ON_QUIT=1 \
        LSAN_OPTIONS=suppressions=$root/tests/sanitizers/leaks.supp:print_suppressions=0 \
            ctest --test-dir build-asan --output-on-failure --parallel "$jobs"
        ;;
    thread)
        cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCITY_SANITIZE=thread
        cmake --build build-tsan --parallel "$jobs" --target win32_tests d3d12_tests present_tests \
            VkLayer_city_fault_injection
        # Races inside Mesa's driver and the validation layer are suppressed,
        # each rule with its reason.
        export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/sanitizers/threads.supp
        build-tsan/tests/win32_tests
        # The fence waiter, the queue's submissions and the events they set.
        VK_INSTANCE_LAYERS=VK_LAYER_KHRONOS_validation build-tsan/tests/d3d12_tests
        # A device lost under an armed wait, lost by the tests' fault layer.
        VK_INSTANCE_LAYERS=VK_LAYER_KHRONOS_validation:VK_LAYER_city_fault_injection \
        VK_ADD_LAYER_PATH=/usr/share/vulkan/explicit_layer.d:build-tsan/tests/vulkan_fault_layer \
        CITY_VK_FAULT="vkQueueSubmit2 1 VK_ERROR_DEVICE_LOST" \
            build-tsan/tests/d3d12_tests --gtest_filter=Fences.ALostDevice*
        # The presenting thread that hands frames to the X server.
        SHARED_MEMORY_EXPECTED=1 VK_INSTANCE_LAYERS=VK_LAYER_KHRONOS_validation \
            xvfb-run -a -s "-screen 0 640x480x24 -noreset" build-tsan/tests/present_tests
        ;;
    *)
        echo "sanitize.sh: unknown run '$kind' (address or thread)" >&2
        exit 2
        ;;
    esac
done
