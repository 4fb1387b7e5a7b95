# The header-only libraries, in a folder of the build's own: `cuevoice_third_party_headers(dir)`
# fills `dir` with
#   toml++/    a copy of Debian's toml++ headers with the patches of CUEVOICE_TOML_PATCHES
#              applied, in their order: the library's faults that text can reach, mended;
#   nlohmann/  a link to Debian's nlohmann/json headers, used as they are.
# The host's /usr/include itself must never reach a MinGW build, so only these two come in.
# The copy is made again whenever a patch or any of the system's toml++ headers changes.
#
# `cuevoice_third_party_headers(dir WITHOUT <name>...)` leaves the named patches out (e.g.
# `lookahead` for tomlplusplus-lookahead.patch): for checks that show what a patch mends, never
# for the program.
set(CUEVOICE_TOML_PATCH_DIR ${CMAKE_CURRENT_LIST_DIR}/../thirdparty)
cmake_path(NORMAL_PATH CUEVOICE_TOML_PATCH_DIR)
set(CUEVOICE_TOML_PATCHES
    # upstream's fix of a letter taken for a blank (toml++ issue 295)
    tomlplusplus-295.patch
    # ours: the look-ahead of a value never steps back further than the reader keeps
    tomlplusplus-lookahead.patch
    # ours: no check of the library's on the parse path sits in a noexcept frame
    tomlplusplus-noexcept-checks.patch)
# The settings every user of the library here builds it with.
set(CUEVOICE_TOML_DEFINITIONS TOML_ENABLE_UNRELEASED_FEATURES=1 TOML_EXCEPTIONS=1)

function(cuevoice_third_party_headers dir)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "WITHOUT")
    set(system_toml /usr/include/toml++)
    if(NOT EXISTS ${system_toml}/toml.h)
        message(FATAL_ERROR "toml++ is missing from ${system_toml}: install the Debian package "
                            "libtomlplusplus-dev (scripts/install-deps.sh)")
    endif()
    find_program(PATCH_PROGRAM patch REQUIRED)
    file(MAKE_DIRECTORY ${dir})

    # A missing patch would otherwise be a hash error first and then "does not apply".
    foreach(patch ${CUEVOICE_TOML_PATCHES})
        if(NOT EXISTS ${CUEVOICE_TOML_PATCH_DIR}/${patch})
            message(FATAL_ERROR "thirdparty/${patch} is missing: the toml++ copy needs every patch "
                                "listed in cmake/third-party-headers.cmake")
        endif()
    endforeach()

    set(patches "")
    foreach(patch ${CUEVOICE_TOML_PATCHES})
        string(REGEX REPLACE "^tomlplusplus-(.*)\\.patch$" "\\1" name ${patch})
        if(NOT name IN_LIST arg_WITHOUT)
            list(APPEND patches ${patch})
        endif()
    endforeach()

    # What the copy is made of: the patches and every system header, by content.
    set(wanted "${patches}")
    foreach(patch ${patches})
        file(SHA256 ${CUEVOICE_TOML_PATCH_DIR}/${patch} hash)
        string(APPEND wanted "\n${patch} ${hash}")
    endforeach()
    file(GLOB_RECURSE headers RELATIVE ${system_toml} ${system_toml}/*)
    list(SORT headers)
    foreach(header ${headers})
        file(SHA256 ${system_toml}/${header} hash)
        string(APPEND wanted "\n${header} ${hash}")
    endforeach()
    # A changed patch or header configures the build again, whoever starts the build.
    list(TRANSFORM patches PREPEND ${CUEVOICE_TOML_PATCH_DIR}/ OUTPUT_VARIABLE patch_files)
    list(TRANSFORM headers PREPEND ${system_toml}/ OUTPUT_VARIABLE header_files)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${patch_files} ${header_files})
    set(stamp ${dir}/toml++.stamp)
    set(have "")
    if(EXISTS ${stamp})
        file(READ ${stamp} have)
    endif()
    if(NOT have STREQUAL wanted OR NOT EXISTS ${dir}/toml++/toml.h)
        file(REMOVE_RECURSE ${dir}/toml++)
        file(COPY ${system_toml} DESTINATION ${dir})
        foreach(patch ${patches})
            execute_process(COMMAND ${PATCH_PROGRAM} -p1 --forward --batch --no-backup-if-mismatch -d ${dir}/toml++
                                    -i ${CUEVOICE_TOML_PATCH_DIR}/${patch}
                            RESULT_VARIABLE patched OUTPUT_VARIABLE patch_output
                            ERROR_VARIABLE patch_output)
            if(NOT patched EQUAL 0)
                file(REMOVE_RECURSE ${dir}/toml++)
                message(FATAL_ERROR "thirdparty/${patch} does not apply to the toml++ headers in "
                                    "${system_toml} (toml++ 3.3.0 expected):\n${patch_output}")
            endif()
        endforeach()
        # A copy keeps the system's old times: made newer, every file built on the copy before
        # is built again.
        file(GLOB_RECURSE copied ${dir}/toml++/*)
        file(TOUCH_NOCREATE ${copied})
        file(WRITE ${stamp} "${wanted}")
    endif()

    if(NOT EXISTS ${dir}/nlohmann)
        file(CREATE_LINK /usr/include/nlohmann ${dir}/nlohmann SYMBOLIC)
    endif()
endfunction()
