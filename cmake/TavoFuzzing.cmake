# libFuzzer targets (clang only; configure with -DTAVO_FUZZ=ON and clang as the compiler).
#
#   tavo_add_fuzzer(reply_fuzzer SOURCES reply_fuzzer.cpp LIBRARIES tavo_engine
#                   [CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus])
#
# Any target whose name ends in _fuzzer under fuzz/ is run by scripts/test.sh, with its seed
# corpus: the CORPUS given here, or else the folder "corpus" beside its CMakeLists.txt.
# The whole fuzz build is compiled with -fsanitize=fuzzer-no-link,address,undefined.

function(tavo_add_fuzzer target)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "" "CORPUS" "SOURCES;LIBRARIES")
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_LIBRARIES})
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    if(ARG_CORPUS)
        set_target_properties(${target} PROPERTIES TAVO_FUZZ_CORPUS ${ARG_CORPUS})
    endif()
endfunction()

function(_tavo_collect_fuzzers dir out)
    set(found)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(t IN LISTS targets)
        if(t MATCHES "_fuzzer$")
            get_target_property(corpus ${t} TAVO_FUZZ_CORPUS)
            if(NOT corpus)
                get_target_property(source_dir ${t} SOURCE_DIR)
                set(corpus ${source_dir}/corpus)
            endif()
            string(APPEND found "${t}\t$<TARGET_FILE:${t}>\t${corpus}\n")
        endif()
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub IN LISTS subdirs)
        _tavo_collect_fuzzers(${sub} sub_found)
        string(APPEND found "${sub_found}")
    endforeach()
    set(${out} "${found}" PARENT_SCOPE)
endfunction()

# Writes <build>/fuzzers.tsv: name, program, seed corpus, one target a line.
function(tavo_write_fuzzer_list)
    _tavo_collect_fuzzers(${CMAKE_SOURCE_DIR} all)
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/fuzzers.tsv CONTENT "${all}")
endfunction()
