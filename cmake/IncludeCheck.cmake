# The include check: a file may include the project's headers of its own folder and of
# the libraries its target links, directly or through others, and no other. A header
# belongs to the library whose folder holds it (the deepest such folder); a header of
# a folder that no library holds is free to all. The build fails on a file that climbs.
#
# Run as a script (cmake -P) by the build, once per target, on the lists the configure
# step wrote; included by CMakeLists.txt for vantrel_check_includes().

if(CMAKE_SCRIPT_MODE_FILE)
    cmake_minimum_required(VERSION 3.25)
    include(${LISTS})
    set(failures "")
    foreach(source IN LISTS SOURCES)
        file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
            get_filename_component(folder "${ROOT}/${header}" DIRECTORY)
            set(owner "")
            foreach(known IN LISTS KNOWN)
                string(LENGTH "${known}" length)
                string(LENGTH "${owner}" ownerLength)
                if((folder STREQUAL known OR folder MATCHES "^${known}/") AND length GREATER ownerLength)
                    set(owner ${known})
                endif()
            endforeach()
            if(owner AND NOT owner IN_LIST ALLOWED)
                string(APPEND failures "${source}: includes \"${header}\", which ${TARGET} does not link\n")
            endif()
        endforeach()
    endforeach()
    if(failures)
        message(FATAL_ERROR "A file includes a header of a layer above its own:\n${failures}")
    endif()
    file(TOUCH ${STAMP})
    return()
endif()

set_property(GLOBAL PROPERTY vantrel_checked_targets "")

# Checks the includes of the target's sources once everything is configured.
function(vantrel_check_includes target)
    set_property(GLOBAL APPEND PROPERTY vantrel_checked_targets ${target})
endfunction()

# The target's own C++ sources and headers, as absolute paths.
function(vantrel_source_files target out)
    get_target_property(sources ${target} SOURCES)
    get_target_property(base ${target} SOURCE_DIR)
    set(files "")
    foreach(source IN LISTS sources)
        if(NOT IS_ABSOLUTE ${source})
            set(source ${base}/${source})
        endif()
        if(source MATCHES "\\.(cpp|h)$")
            list(APPEND files ${source})
        endif()
    endforeach()
    set(${out} ${files} PARENT_SCOPE)
endfunction()

# The folders of the target's own sources.
function(vantrel_source_folders target out)
    vantrel_source_files(${target} files)
    set(folders "")
    foreach(file IN LISTS files)
        get_filename_component(folder ${file} DIRECTORY)
        list(APPEND folders ${folder})
    endforeach()
    list(REMOVE_DUPLICATES folders)
    set(${out} ${folders} PARENT_SCOPE)
endfunction()

# The checked targets the target links, directly or through others.
function(vantrel_linked_targets target out)
    set(pending ${target})
    set(seen "")
    get_property(checked GLOBAL PROPERTY vantrel_checked_targets)
    while(pending)
        list(POP_FRONT pending current)
        get_target_property(links ${current} LINK_LIBRARIES)
        foreach(link IN LISTS links)
            string(REGEX REPLACE "^\\$<LINK_LIBRARY:[^,]*,(.*)>$" "\\1" link "${link}")
            if(link IN_LIST checked AND NOT link IN_LIST seen)
                list(APPEND seen ${link})
                list(APPEND pending ${link})
            endif()
        endforeach()
    endwhile()
    set(${out} ${seen} PARENT_SCOPE)
endfunction()

# Adds the check of every registered target to the build; call once, at the end.
function(vantrel_add_include_checks)
    get_property(checked GLOBAL PROPERTY vantrel_checked_targets)
    set(known "")
    foreach(target IN LISTS checked)
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "STATIC_LIBRARY")
            vantrel_source_folders(${target} folders)
            list(APPEND known ${folders})
        endif()
    endforeach()
    set(folder ${CMAKE_BINARY_DIR}/include_check)
    foreach(target IN LISTS checked)
        vantrel_source_folders(${target} allowed)
        vantrel_linked_targets(${target} linked)
        foreach(link IN LISTS linked)
            vantrel_source_folders(${link} linkFolders)
            list(APPEND allowed ${linkFolders})
        endforeach()
        vantrel_source_files(${target} files)
        file(WRITE ${folder}/${target}.cmake
             "set(TARGET ${target})\nset(SOURCES \"${files}\")\nset(ALLOWED \"${allowed}\")\n"
             "set(KNOWN \"${known}\")\nset(ROOT \"${PROJECT_SOURCE_DIR}\")\n")
        add_custom_command(OUTPUT ${folder}/${target}.stamp
            COMMAND ${CMAKE_COMMAND} -DLISTS=${folder}/${target}.cmake -DSTAMP=${folder}/${target}.stamp
                    -P ${PROJECT_SOURCE_DIR}/cmake/IncludeCheck.cmake
            DEPENDS ${files} ${folder}/${target}.cmake ${PROJECT_SOURCE_DIR}/cmake/IncludeCheck.cmake
            COMMENT "Checking the includes of ${target}" VERBATIM)
        add_custom_target(${target}_includes DEPENDS ${folder}/${target}.stamp)
        add_dependencies(${target} ${target}_includes)
    endforeach()
endfunction()
