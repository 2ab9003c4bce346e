# The LibreOffice SDK: IDL compilation, C++ type headers and the flags a UNO component needs.

set(LO_PROGRAM_DIR "/usr/lib/libreoffice/program" CACHE PATH "LibreOffice program directory")
set(LO_SDK_DIR "/usr/lib/libreoffice/sdk" CACHE PATH "LibreOffice SDK directory")

find_program(UNOIDL_WRITE unoidl-write HINTS "${LO_SDK_DIR}/bin" REQUIRED)
find_program(CPPUMAKER cppumaker HINTS "${LO_SDK_DIR}/bin" REQUIRED)

set(LO_TYPES_RDB "${LO_PROGRAM_DIR}/types.rdb")
set(LO_OFFAPI_RDB "${LO_PROGRAM_DIR}/types/offapi.rdb")
foreach(rdb IN ITEMS "${LO_TYPES_RDB}" "${LO_OFFAPI_RDB}")
    if(NOT EXISTS "${rdb}")
        message(FATAL_ERROR "${rdb} is missing: install libreoffice-writer and libreoffice-dev")
    endif()
endforeach()

set(UNO_GEN_DIR "${CMAKE_BINARY_DIR}/gen")

# C++ headers for every office type, generated once per build tree.
set(UNO_OFFICE_HEADERS_STAMP "${UNO_GEN_DIR}/office/.stamp")
add_custom_command(
    OUTPUT "${UNO_OFFICE_HEADERS_STAMP}"
    COMMAND "${CPPUMAKER}" -Gc "-O${UNO_GEN_DIR}/office" "${LO_TYPES_RDB}" "${LO_OFFAPI_RDB}"
    COMMAND "${CMAKE_COMMAND}" -E touch "${UNO_OFFICE_HEADERS_STAMP}"
    COMMENT "Generating C++ headers for the office types"
    VERBATIM)
add_custom_target(uno_office_headers DEPENDS "${UNO_OFFICE_HEADERS_STAMP}")

# uno_add_types(<target> RDB <out.rdb> IDL_DIR <dir>): compiles the IDL tree under <dir> (one
# folder per module) into a types .rdb and generates C++ headers for exactly those types.
function(uno_add_types target)
    cmake_parse_arguments(ARG "" "RDB;IDL_DIR" "" ${ARGN})
    file(GLOB_RECURSE idl_files CONFIGURE_DEPENDS "${ARG_IDL_DIR}/*.idl")
    set(header_dir "${UNO_GEN_DIR}/${target}")
    set(stamp "${header_dir}/.stamp")
    add_custom_command(
        OUTPUT "${ARG_RDB}"
        COMMAND "${UNOIDL_WRITE}" "${LO_TYPES_RDB}" "${LO_OFFAPI_RDB}" "${ARG_IDL_DIR}" "${ARG_RDB}"
        DEPENDS ${idl_files}
        COMMENT "Compiling IDL into ${ARG_RDB}"
        VERBATIM)
    add_custom_command(
        OUTPUT "${stamp}"
        COMMAND "${CMAKE_COMMAND}" -E remove_directory "${header_dir}"
        COMMAND "${CPPUMAKER}" -Gc "-O${header_dir}" "-X${LO_TYPES_RDB}" "-X${LO_OFFAPI_RDB}"
                "${ARG_RDB}"
        COMMAND "${CMAKE_COMMAND}" -E touch "${stamp}"
        DEPENDS "${ARG_RDB}"
        COMMENT "Generating C++ headers for ${ARG_RDB}"
        VERBATIM)
    add_custom_target(${target}_gen DEPENDS "${ARG_RDB}" "${stamp}" uno_office_headers)
    add_library(${target} INTERFACE)
    add_dependencies(${target} ${target}_gen)
    target_include_directories(${target} INTERFACE "${header_dir}")
    target_link_libraries(${target} INTERFACE uno_sdk)
endfunction()

# Compile and link settings of C++ UNO code.
add_library(uno_sdk INTERFACE)
add_dependencies(uno_sdk uno_office_headers)
target_compile_definitions(uno_sdk INTERFACE CPPU_ENV=gcc3 GCC LINUX UNX)
target_include_directories(uno_sdk SYSTEM INTERFACE "${UNO_GEN_DIR}/office" "${LO_SDK_DIR}/include")
target_link_directories(uno_sdk INTERFACE "${LO_SDK_DIR}/lib")
target_link_libraries(uno_sdk INTERFACE uno_cppuhelpergcc3 uno_cppu uno_sal)
