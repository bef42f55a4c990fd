# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Quibex Crypto team
#
# Installs the build tree into an empty prefix and compares what landed there
# with the files a desktop installation needs, nothing missing and nothing
# more (a stray library or test binary in the package is a fault too).
#
# cmake -DBUILD_DIR=... -DPREFIX=... -DAPPSTREAM_ID=... -DEXPECT_PROGRAM=ON|OFF
#       "-DMIME_ICON_SIZES=16;...;256" -P check-installed-tree.cmake

foreach(var IN ITEMS BUILD_DIR PREFIX APPSTREAM_ID EXPECT_PROGRAM MIME_ICON_SIZES)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "${var} is not set")
    endif()
endforeach()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}")
endif()

set(expected
    share/applications/quibex-crypto.desktop
    share/doc/quibex-crypto/changelog.gz
    share/doc/quibex-crypto/copyright
    share/man/man1/quibex-crypto.1.gz
    share/man/man1/qbc.1.gz
    share/bash-completion/completions/qbc
    bin/qbc
    share/mime/packages/quibex-crypto.xml
    "share/metainfo/${APPSTREAM_ID}.metainfo.xml")
set(icons "")
foreach(size IN ITEMS 32 48 128 256)
    list(APPEND icons "${size}:share/icons/hicolor/${size}x${size}/apps/quibex-crypto.png")
endforeach()
foreach(size IN LISTS MIME_ICON_SIZES)
    list(APPEND icons
         "${size}:share/icons/hicolor/${size}x${size}/mimetypes/application-x-quibex-crypto.png")
endforeach()
foreach(icon IN LISTS icons)
    string(REGEX REPLACE "^[0-9]+:" "" path "${icon}")
    list(APPEND expected "${path}")
endforeach()
if(EXPECT_PROGRAM)
    list(APPEND expected bin/quibex-crypto)
endif()

file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT expected)
list(SORT found)

set(missing ${expected})
list(REMOVE_ITEM missing ${found})
set(extra ${found})
list(REMOVE_ITEM extra ${expected})
set(faults "")
foreach(f IN LISTS missing)
    string(APPEND faults "\n  missing: ${f}")
endforeach()
foreach(f IN LISTS extra)
    string(APPEND faults "\n  not expected: ${f}")
endforeach()

# An icon installed under NxN must really be N by N pixels: the PNG header
# holds the width and height as big-endian 32-bit numbers at offset 16.
foreach(entry IN LISTS icons)
    string(REGEX MATCH "^[0-9]+" size "${entry}")
    string(REGEX REPLACE "^[0-9]+:" "${PREFIX}/" icon "${entry}")
    if(EXISTS "${icon}")
        file(READ "${icon}" header LIMIT 24 HEX)
        string(SUBSTRING "${header}" 0 16 magic)
        string(SUBSTRING "${header}" 32 16 dims)
        string(SUBSTRING "${dims}" 0 8 w_hex)
        string(SUBSTRING "${dims}" 8 8 h_hex)
        math(EXPR w "0x${w_hex}")
        math(EXPR h "0x${h_hex}")
        if(NOT magic STREQUAL "89504e470d0a1a0a" OR NOT w EQUAL size OR NOT h EQUAL size)
            string(APPEND faults "\n  ${icon} is not a ${size}x${size} PNG (${w}x${h})")
        endif()
    endif()
endforeach()

if(EXPECT_PROGRAM AND EXISTS "${PREFIX}/bin/quibex-crypto")
    execute_process(COMMAND test -x "${PREFIX}/bin/quibex-crypto" RESULT_VARIABLE not_exec)
    if(NOT not_exec EQUAL 0)
        string(APPEND faults "\n  bin/quibex-crypto is not executable")
    endif()
endif()

if(faults)
    string(REPLACE ";" "\n  " listing "${found}")
    message(FATAL_ERROR "installed tree is wrong:${faults}\ninstalled:\n  ${listing}")
endif()
list(LENGTH found count)
message(STATUS "installed tree: ${count} files, as expected")
