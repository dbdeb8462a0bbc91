# albumon_fuzz_target(NAME SOURCE LIBS...): a fuzz target over SOURCE. Its saved corpus in
# tests/fuzz/corpus/NAME replays as an ordinary test in every build; with ALBUMON_FUZZ (clang)
# a libFuzzer binary fuzz_NAME is built as well.
function(albumon_fuzz_target name source)
    set(corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
    add_executable(replay_${name} ${source} ${CMAKE_SOURCE_DIR}/tests/fuzz/FuzzReplayMain.cpp)
    target_link_libraries(replay_${name} PRIVATE ${ARGN})
    add_test(NAME fuzz_replay.${name} COMMAND replay_${name} ${corpus})
    if(ALBUMON_FUZZ)
        add_executable(fuzz_${name} ${source})
        target_link_libraries(fuzz_${name} PRIVATE ${ARGN})
        target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    endif()
endfunction()
