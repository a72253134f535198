# Settings that every target of the project shares.
include(${CMAKE_CURRENT_LIST_DIR}/IncludeCheck.cmake)
add_library(vantrel_common INTERFACE)
target_compile_features(vantrel_common INTERFACE cxx_std_20)
target_compile_options(vantrel_common INTERFACE -Wall -Wextra -Wpedantic)
target_compile_definitions(vantrel_common INTERFACE
    VANTREL_VERSION="${PROJECT_VERSION}"
    QT_NO_KEYWORDS
    QT_NO_CAST_FROM_ASCII
    QT_USE_QSTRINGBUILDER)
target_include_directories(vantrel_common INTERFACE ${PROJECT_SOURCE_DIR})

# Each library folder builds every .cpp it holds; a new unit needs no list edit.
function(vantrel_library name)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    list(FILTER sources EXCLUDE REGEX "main\\.cpp$")
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC vantrel_common ${ARGN})
    vantrel_check_includes(${name})
endfunction()

# A build of everything with AddressSanitizer and UndefinedBehaviorSanitizer, for the
# second run of the test suite (`make test` builds it in build-asan/).
option(VANTREL_SANITIZE "Build with -fsanitize=address,undefined" OFF)
if(VANTREL_SANITIZE)
    set(sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined
                       -fno-omit-frame-pointer)
    target_compile_options(vantrel_common INTERFACE ${sanitize_flags})
    target_link_options(vantrel_common INTERFACE ${sanitize_flags})
endif()

# A build with ThreadSanitizer, for the third run of the tests of the libraries that start
# threads (`make test` builds it in build-tsan/).
option(VANTREL_THREAD_SANITIZE "Build with -fsanitize=thread" OFF)
if(VANTREL_THREAD_SANITIZE)
    set(thread_sanitize_flags -fsanitize=thread -fno-omit-frame-pointer)
    target_compile_options(vantrel_common INTERFACE ${thread_sanitize_flags})
    target_link_options(vantrel_common INTERFACE ${thread_sanitize_flags})
endif()

# The fuzzing build (make fuzz): clang with coverage for libFuzzer and both sanitizers
# over all code; fuzz/ adds the fuzzer executables.
option(VANTREL_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(VANTREL_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "VANTREL_FUZZ needs clang (CMAKE_CXX_COMPILER=clang++)")
    endif()
    set(fuzz_flags -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                   -fno-omit-frame-pointer)
    target_compile_options(vantrel_common INTERFACE ${fuzz_flags})
    target_link_options(vantrel_common INTERFACE -fsanitize=address,undefined)
endif()
