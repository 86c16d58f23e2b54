# The plug-in SDK as a CMake package: corvane::client (corvane_client.dll,
# its import library and include/) and corvane::broker, for
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
add_library(corvane::client ALIAS corvane_client_dll)
add_executable(corvane::broker ALIAS corvane-broker)

if(NOT CORVANE_INSTALL)
  return()
endif()

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# One component for everything that ships, so that a build with tests
# installs the product alone; the release build's PDB files are a second one,
# archived apart (scripts/package.sh).
set(CORVANE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/corvane)

install(TARGETS corvane_client_dll corvane-broker
  EXPORT corvaneTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT corvane
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT corvane
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT corvane)
install(TARGETS corvane-plugin
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT corvane)

# The headers by name: the folder may hold work in progress that does not
# ship.
set(corvane_headers ${PROJECT_SOURCE_DIR}/include/corvane/corvane.h)
if(EXISTS ${PROJECT_SOURCE_DIR}/include/corvane/corvane.hpp)
  list(APPEND corvane_headers ${PROJECT_SOURCE_DIR}/include/corvane/corvane.hpp)
endif()
install(FILES ${corvane_headers}
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/corvane COMPONENT corvane)

install(FILES
    ${PROJECT_SOURCE_DIR}/LICENSE
    ${PROJECT_SOURCE_DIR}/README.md
    ${PROJECT_SOURCE_DIR}/CHANGELOG.md
    ${PROJECT_SOURCE_DIR}/SECURITY.md
  DESTINATION . COMPONENT corvane)

install(EXPORT corvaneTargets
  NAMESPACE corvane::
  DESTINATION ${CORVANE_INSTALL_CMAKEDIR}
  COMPONENT corvane)

configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/corvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/corvaneConfig.cmake
  INSTALL_DESTINATION ${CORVANE_INSTALL_CMAKEDIR}
  PATH_VARS CMAKE_INSTALL_BINDIR)
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
