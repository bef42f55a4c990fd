# Installs the build tree into an empty prefix and compares what landed there
# with the files a desktop installation needs, nothing missing and nothing
# more (a stray library or test binary in the package is a fault too).
#
# cmake -DBUILD_DIR=... -DPREFIX=... -DAPPSTREAM_ID=... -DEXPECT_PROGRAM=ON|OFF
#       -P check-installed-tree.cmake

foreach(var IN ITEMS BUILD_DIR PREFIX APPSTREAM_ID EXPECT_PROGRAM)
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
    share/doc/quibex-crypto/copyright
    "share/metainfo/${APPSTREAM_ID}.metainfo.xml")
foreach(size IN ITEMS 32 48 128 256)
    list(APPEND expected "share/icons/hicolor/${size}x${size}/apps/quibex-crypto.png")
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
foreach(size IN ITEMS 32 48 128 256)
    set(icon "${PREFIX}/share/icons/hicolor/${size}x${size}/apps/quibex-crypto.png")
    if(EXISTS "${icon}")
        file(READ "${icon}" header LIMIT 24 HEX)
        string(SUBSTRING "${header}" 0 16 magic)
        string(SUBSTRING "${header}" 32 16 dims)
        string(SUBSTRING "${dims}" 0 8 w_hex)
        string(SUBSTRING "${dims}" 8 8 h_hex)
        math(EXPR w "0x${w_hex}")
        math(EXPR h "0x${h_hex}")
        if(NOT magic STREQUAL "89504e470d0a1a0a" OR NOT w EQUAL size OR NOT h EQUAL size)
            string(APPEND faults "\n  icon ${size}x${size} is not a ${size}x${size} PNG (${w}x${h})")
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
