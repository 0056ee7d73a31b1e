# SPDX-License-Identifier: MIT
# Each layer's headers are reachable only by the targets that link the layer. A header is
# included by its path from the repository root ("app/application.h", "panels/core/...",
# "text/menus.h"), but no target puts the root itself on the include path: each library gets a
# folder of its own in the build tree, holding a link named by that path to its source folder,
# and exports only that folder. A target that includes a header of a layer it does not link
# therefore fails to compile, which keeps the dependencies pointing one way.

# tw_layer_headers(<target> <prefix> [SOURCE <folder>] [FILES <header>...])
# Makes "<prefix>/<header>" resolve for <target> and for whatever links it. The headers are in
# SOURCE (relative to the calling CMakeLists.txt; by default its own folder). Without FILES that
# whole folder is linked as <prefix>; with FILES only the named headers are (for a library that
# shares its folder with a program's private headers).
function(tw_layer_headers target prefix)
    cmake_parse_arguments(arg "" "SOURCE" "FILES" ${ARGN})
    set(source ${CMAKE_CURRENT_SOURCE_DIR})
    if(arg_SOURCE)
        set(source ${CMAKE_CURRENT_SOURCE_DIR}/${arg_SOURCE})
    endif()
    set(root ${CMAKE_BINARY_DIR}/layer-include/${target})
    set(link ${root}/${prefix})
    # A build folder configured before with the other form: a link to the source folder must not
    # be written through (that would replace the sources), and a folder of links is not replaced
    # by a link on its own.
    if(IS_SYMLINK ${link} AND arg_FILES)
        file(REMOVE ${link})
    elseif(IS_DIRECTORY ${link} AND NOT IS_SYMLINK ${link} AND NOT arg_FILES)
        file(REMOVE_RECURSE ${link})
    endif()
    if(arg_FILES)
        file(MAKE_DIRECTORY ${link})
        foreach(header IN LISTS arg_FILES)
            file(CREATE_LINK ${source}/${header} ${link}/${header}
                 SYMBOLIC COPY_ON_ERROR)
        endforeach()
    else()
        get_filename_component(parent ${link} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        file(CREATE_LINK ${source} ${link} SYMBOLIC)
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()

# The reader library's insides (its backends, the simulator's store, the seam between them).
# The program reaches readers through the library's entry points alone; only the library, the
# simulator's control tool, and the test doubles, tests, fuzzers and benchmarks that look inside
# may link them.
set(TW_CARDHOST_INTERNALS cardhost_seam cardhost_sim_core cardhost_pcsc cardhost_backends)
set(TW_CARDHOST_INSIDERS ${CMAKE_SOURCE_DIR}/cardhost ${CMAKE_SOURCE_DIR}/tools/cardhost-sim
                         ${CMAKE_SOURCE_DIR}/testing ${CMAKE_SOURCE_DIR}/tests
                         ${CMAKE_SOURCE_DIR}/fuzz ${CMAKE_SOURCE_DIR}/bench)

function(tw_may_link_cardhost_internals folder result)
    set(${result} FALSE PARENT_SCOPE)
    foreach(insider IN LISTS TW_CARDHOST_INSIDERS)
        string(FIND "${folder}/" "${insider}/" at)
        if(at EQUAL 0)
            set(${result} TRUE PARENT_SCOPE)
        endif()
    endforeach()
endfunction()

# A target's own value of a property and the one it hands to its dependants (an interface
# library has only the latter).
function(tw_own_and_exported target property result)
    set(values "")
    get_target_property(type ${target} TYPE)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
        get_target_property(own ${target} ${property})
        list(APPEND values ${own})
    endif()
    get_target_property(exported ${target} INTERFACE_${property})
    list(APPEND values ${exported})
    set(${result} ${values} PARENT_SCOPE)
endfunction()

# Fails the configuration when a target puts the repository root, the common parent of several
# layers, or a folder of sources instead of its exported headers on its include path (that
# would let anything see every layer again), or when a target outside the reader library links
# the library's insides.
function(tw_check_layer_include_folders)
    set(forbidden ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/base ${CMAKE_SOURCE_DIR}/panels
                  ${CMAKE_SOURCE_DIR}/tools ${CMAKE_SOURCE_DIR}/cardhost
                  ${CMAKE_SOURCE_DIR}/shell ${CMAKE_SOURCE_DIR}/tools/xls-reader)
    set(folders ${CMAKE_SOURCE_DIR})
    while(folders)
        list(POP_FRONT folders folder)
        get_property(subfolders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
        list(APPEND folders ${subfolders})
        get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
        foreach(target IN LISTS targets)
            tw_own_and_exported(${target} INCLUDE_DIRECTORIES seen)
            foreach(dir IN LISTS seen)
                string(REGEX REPLACE "/$" "" dir "${dir}")
                if(dir IN_LIST forbidden)
                    message(FATAL_ERROR "${target} puts ${dir} on its include path; use "
                                        "tw_layer_headers (cmake/LayerHeaders.cmake) instead")
                endif()
            endforeach()
            tw_may_link_cardhost_internals(${folder} insider)
            if(NOT insider)
                tw_own_and_exported(${target} LINK_LIBRARIES links)
                foreach(link IN LISTS links)
                    if(link IN_LIST TW_CARDHOST_INTERNALS)
                        message(FATAL_ERROR "${target} links ${link}, the reader library's "
                                            "insides; reach readers through cardhost's entry "
                                            "points (cardhost/include)")
                    endif()
                endforeach()
            endif()
        endforeach()
    endwhile()
endfunction()

# Every target that <target> links, directly or through others (names that are not targets,
# such as system libraries and generator expressions, are left out).
function(tw_linked_closure target result)
    set(seen "")
    set(pending ${target})
    while(pending)
        list(POP_FRONT pending current)
        tw_own_and_exported(${current} LINK_LIBRARIES links)
        foreach(link IN LISTS links)
            # A static library's private links reach its dependants as $<LINK_ONLY:name>.
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
            if(TARGET ${link} AND NOT link IN_LIST seen)
                list(APPEND seen ${link})
                list(APPEND pending ${link})
            endif()
        endforeach()
    endwhile()
    set(${result} ${seen} PARENT_SCOPE)
endfunction()

# Fails the configuration when <target> links, however indirectly, any of the libraries named
# after NONE_OF: for a layer that must stay free of them (the tag engine and the NDEF codecs
# write no line and know no text; their failures are values the front end words).
function(tw_check_never_links target)
    cmake_parse_arguments(arg "" "" "NONE_OF" ${ARGN})
    tw_linked_closure(${target} linked)
    foreach(library IN LISTS arg_NONE_OF)
        if(library IN_LIST linked)
            message(FATAL_ERROR "${target} links ${library}; it must not")
        endif()
    endforeach()
endfunction()
