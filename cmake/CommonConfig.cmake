# Settings that every target of the project shares.
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
    list(FILTER sources EXCLUDE REGEX "/(main|exportmain)\\.cpp$")
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC vantrel_common ${ARGN})
endfunction()
