# The plug-in SDK as a CMake package: corvane::client (corvane_client.dll,
# its import library and include/), corvane::client_static (the client as
# a static library, for GNU toolchains) and corvane::broker, for
#   - a parent project that adds this one with add_subdirectory/FetchContent
#     (the ALIAS targets below), and
#   - anyone who installs it and calls find_package(corvane) (the install
#     rules, with CORVANE_INSTALL on).
# Only usage requirements reach a consumer: corvane_options (warnings as
# errors, -Wconversion, ...) and the static libraries inside the DLL are
# linked PRIVATE and stay out of the exported targets.
# Windows builds only; included from the top CMakeLists.txt after every
# target exists.

if(NOT TARGET corvane_client_dll)
  message(STATUS "corvane: no corvane_client_dll target; the SDK package is left out")
  return()
endif()

set_target_properties(corvane_client_dll PROPERTIES EXPORT_NAME client)
set_target_properties(corvane-broker PROPERTIES EXPORT_NAME broker)
set_target_properties(corvane_client_static PROPERTIES EXPORT_NAME client_static)
add_library(corvane::client ALIAS corvane_client_dll)
add_library(corvane::client_static ALIAS corvane_client_static)
add_executable(corvane::broker ALIAS corvane-broker)

# THIRD-PARTY-NOTICES.txt: the licences of the runtime code the shipped
# binaries link statically, chosen from what their links really took (each
# linker's own record of it) by cmake/CorvaneNotices.cmake, which fails the
# build on a static dependency that has no notice in notices/.
set(corvane_shipped corvane_client_dll corvane-broker corvane-plugin)
set(corvane_link_records "")
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/link-records)
foreach(target ${corvane_shipped})
  set(record ${PROJECT_BINARY_DIR}/link-records/${target}.txt)
  list(APPEND corvane_link_records ${record})
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # lld's map names archive members without their archive; its verbose log
    # ("Loaded libstdc++.a(member.o) for ...") names both.
    target_link_options(${target} PRIVATE "LINKER:--verbose")
    set_property(TARGET ${target} PROPERTY RULE_LAUNCH_LINK
      "${PROJECT_SOURCE_DIR}/cmake/link-record.sh ${record}")
  else()
    target_link_options(${target} PRIVATE "LINKER:-Map=${record}")
  endif()
endforeach()
set(CORVANE_NOTICES_FILE ${PROJECT_BINARY_DIR}/package/THIRD-PARTY-NOTICES.txt)
file(GLOB corvane_notice_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/notices/*)
add_custom_command(OUTPUT ${CORVANE_NOTICES_FILE}
  COMMAND ${CMAKE_COMMAND} "-DRECORDS=${corvane_link_records}"
    -DNOTICES=${PROJECT_SOURCE_DIR}/notices -DOUT=${CORVANE_NOTICES_FILE}
    -P ${PROJECT_SOURCE_DIR}/cmake/CorvaneNotices.cmake
  DEPENDS ${corvane_shipped} ${corvane_notice_sources} ${PROJECT_SOURCE_DIR}/cmake/CorvaneNotices.cmake
  COMMENT "Third-party notices from the links of ${corvane_shipped}"
  VERBATIM)
add_custom_target(corvane_notices ALL DEPENDS ${CORVANE_NOTICES_FILE})

if(NOT CORVANE_INSTALL)
  return()
endif()

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# One component for everything that ships, so that a build with tests
# installs the product alone; the release build's PDB files are a second one,
# archived apart (scripts/package.sh).
set(CORVANE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/corvane)

install(TARGETS corvane_client_dll corvane_client_static corvane-broker
  EXPORT corvaneTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT corvane
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT corvane
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT corvane)
install(TARGETS corvane-plugin
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT corvane)

# The headers by name: the folder may hold work in progress that does not
# ship. corvane/version.h is generated (cmake/CorvaneResources.cmake).
install(FILES
    ${PROJECT_SOURCE_DIR}/include/corvane/corvane.h
    ${PROJECT_SOURCE_DIR}/include/corvane/corvane.hpp
    ${PROJECT_SOURCE_DIR}/include/corvane/loader.h
    ${PROJECT_BINARY_DIR}/include/corvane/version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/corvane COMPONENT corvane)

# The MSVC-ABI import library and the .def it was made from, beside the
# MinGW corvane_client.dll.a.
get_target_property(corvane_msvc_lib corvane_client_dll CORVANE_MSVC_IMPORT_LIBRARY)
get_target_property(corvane_def corvane_client_dll CORVANE_DEF_FILE)
if(corvane_msvc_lib)
  install(FILES ${corvane_msvc_lib} ${corvane_def}
    DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT corvane)
endif()

# A cross toolchain file for plug-in authors on Linux, the one the archive's
# README names: the compilers and cross root of cmake/toolchain-mingw64.cmake
# (written from it, so that the two cannot differ) without the project's
# linker flags, and with every search confined to the cross root as such
# files usually are (hence -Dcorvane_DIR in the README's command).
file(STRINGS ${PROJECT_SOURCE_DIR}/cmake/toolchain-mingw64.cmake corvane_toolchain_lines)
string(CONCAT corvane_toolchain_text
  "# Cross-compiles Windows x64 programs and plug-ins with Debian's MinGW-w64\n"
  "# (packages g++-mingw-w64-x86-64-posix and binutils-mingw-w64-x86-64); on\n"
  "# another system, name its MinGW-w64 compilers and cross root here.\n")
foreach(line IN LISTS corvane_toolchain_lines)
  if(NOT line MATCHES "^#" AND NOT line MATCHES "LINKER_FLAGS")
    string(APPEND corvane_toolchain_text "${line}\n")
  endif()
endforeach()
string(APPEND corvane_toolchain_text "set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)\n")
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/package/mingw64-toolchain.cmake
  CONTENT "${corvane_toolchain_text}" @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/mingw64-toolchain.cmake
  DESTINATION cmake COMPONENT corvane)

# What a plug-in author holding the archive reads first, the documents and
# the examples (which build from the installed SDK alone).
install(FILES ${PROJECT_SOURCE_DIR}/docs/sdk.md ${PROJECT_SOURCE_DIR}/docs/protocol.md
    ${PROJECT_SOURCE_DIR}/docs/troubleshooting.md
  DESTINATION docs COMPONENT corvane)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/c-plugin ${PROJECT_SOURCE_DIR}/examples/cpp-plugin
  DESTINATION examples COMPONENT corvane)

# The archive's README.md is docs/archive-readme.md: the source tree's README
# is about building this project, not about using what was built.
# SECURITY.md stays at the root, where docs/*.md link to it in the sources too.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/CHANGELOG.md
    ${PROJECT_SOURCE_DIR}/SECURITY.md ${CORVANE_NOTICES_FILE}
  DESTINATION . COMPONENT corvane)
install(FILES ${PROJECT_SOURCE_DIR}/docs/archive-readme.md
  DESTINATION . RENAME README.md COMPONENT corvane)

install(EXPORT corvaneTargets
  NAMESPACE corvane::
  DESTINATION ${CORVANE_INSTALL_CMAKEDIR}
  COMPONENT corvane)

configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/corvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/corvaneConfig.cmake
  INSTALL_DESTINATION ${CORVANE_INSTALL_CMAKEDIR}
  PATH_VARS CMAKE_INSTALL_BINDIR CMAKE_INSTALL_LIBDIR)
# The C interface keeps its meaning within a major version: 0.9 code runs
# with any later 0.x, never with 1.0 (AnyNewerVersion would accept that).
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/package/corvaneConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
    ${PROJECT_BINARY_DIR}/package/corvaneConfig.cmake
    ${PROJECT_BINARY_DIR}/package/corvaneConfigVersion.cmake
  DESTINATION ${CORVANE_INSTALL_CMAKEDIR} COMPONENT corvane)

if(CORVANE_PDB)
  foreach(target corvane_client_dll corvane-broker corvane-plugin)
    install(FILES $<TARGET_FILE_DIR:${target}>/$<TARGET_FILE_BASE_NAME:${target}>.pdb
      DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT corvane_symbols)
  endforeach()
endif()
