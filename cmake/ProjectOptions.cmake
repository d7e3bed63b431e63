# Compiler settings shared by every target of ours (not by GoogleTest).

if(SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
    # Static runtime: the programs must start on a machine with no extra DLLs.
    add_link_options(-static -static-libgcc -static-libstdc++)
    # The uninstaller is an ANSI program; nothing may switch it to the W functions.
    add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

# libFuzzer needs clang and the host; it is never part of the Windows builds.
set(CAN_FUZZ OFF)
if(NOT WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    set(CAN_FUZZ ON)
    # Coverage feedback for the fuzzers reaches into every library they link.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

function(project_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor)
    if(WARNINGS_AS_ERRORS)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# A GoogleTest executable; on Windows CTest runs it through the Wine wrapper.
function(add_unit_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
    project_warnings(${name})
    add_test(NAME ${name} COMMAND ${name})
    if(WIN32)
        # Under Wine a crashed program can end with exit code 0: judge by what GoogleTest printed.
        set_tests_properties(${name} PROPERTIES
            PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [0-9]+ test"
            FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
    endif()
endfunction()

# A libFuzzer target, plus a short CTest smoke run over its seed folder.
function(add_fuzz_target name seeds)
    if(NOT CAN_FUZZ)
        return()
    endif()
    add_executable(${name} ${ARGN})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    project_warnings(${name})
    if(BUILD_TESTS)
        # New inputs go to a corpus in the build tree; the committed seeds stay as they are. A
        # smoke run, a few seconds: long runs are made with scripts/fuzz.sh.
        set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
        file(MAKE_DIRECTORY ${corpus})
        add_test(NAME ${name}_smoke
                 COMMAND ${name} -max_total_time=6 -timeout=10 -rss_limit_mb=2048 -max_len=1048576
                         ${corpus} ${seeds})
    endif()
endfunction()
