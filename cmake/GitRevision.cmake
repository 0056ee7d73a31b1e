# SPDX-License-Identifier: MIT
# TAGWRIGHT_GIT_REVISION: what `git describe` says of the source tree at configure time, or
# empty when the source is not a git checkout of its own (an unpacked release, or a folder inside
# some other repository). A packager may set it on the command line instead.
if(DEFINED TAGWRIGHT_GIT_REVISION)
    return()
endif()
set(TAGWRIGHT_GIT_REVISION "")
find_package(Git QUIET)
if(NOT GIT_FOUND)
    return()
endif()
execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --show-toplevel
                WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                OUTPUT_VARIABLE tw_git_top RESULT_VARIABLE tw_git_status
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
file(REAL_PATH "${CMAKE_SOURCE_DIR}" tw_source_real)
if(NOT tw_git_status EQUAL 0)
    return()
endif()
file(REAL_PATH "${tw_git_top}" tw_git_top)
if(NOT tw_git_top STREQUAL tw_source_real)
    return()
endif()
execute_process(COMMAND ${GIT_EXECUTABLE} describe --always --dirty --abbrev=12
                WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                OUTPUT_VARIABLE TAGWRIGHT_GIT_REVISION RESULT_VARIABLE tw_git_status
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT tw_git_status EQUAL 0)
    set(TAGWRIGHT_GIT_REVISION "")
    return()
endif()
# A commit or a checkout appends to HEAD's reflog: configure again then, so the revision follows.
execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --path-format=absolute --git-path logs/HEAD
                WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                OUTPUT_VARIABLE tw_git_reflog OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(tw_git_reflog AND EXISTS "${tw_git_reflog}")
    set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 "${tw_git_reflog}")
endif()
