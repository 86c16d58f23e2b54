# The project version as code sees it, and the Windows resources every
# shipped binary carries: a version resource and an application manifest.

set(CORVANE_RESOURCE_TEMPLATES ${CMAKE_CURRENT_LIST_DIR}/resources)

# The version macros are those of the SDK's public corvane/version.h, made
# here for every build. corvane_version: link it to use "corvane_version.h",
# which includes that header and adds CORVANE_VERSION, the short name.
configure_file(${PROJECT_SOURCE_DIR}/include/corvane/version.h.in
  ${PROJECT_BINARY_DIR}/include/corvane/version.h @ONLY)
configure_file(${CORVANE_RESOURCE_TEMPLATES}/corvane_version.h.in
  ${PROJECT_BINARY_DIR}/generated/corvane_version.h @ONLY)
add_library(corvane_version INTERFACE)
target_include_directories(corvane_version INTERFACE
  ${PROJECT_BINARY_DIR}/generated ${PROJECT_BINARY_DIR}/include)

set(CORVANE_COMPANY_NAME "Corvane project" CACHE STRING
  "CompanyName in the version resources (a placeholder until there is a publisher)")
set(CORVANE_PRODUCT_NAME "Corvane broker")

# corvane_add_resources(target DESCRIPTION text ORIGINAL_NAME file [INTERNAL_NAME name])
# Gives an executable or DLL of the Windows build its version resource and
# manifest, generated from the templates in cmake/resources. INTERNAL_NAME
# defaults to the original file name without its extension. Does nothing on
# the host build.
function(corvane_add_resources target)
  cmake_parse_arguments(A "" "DESCRIPTION;ORIGINAL_NAME;INTERNAL_NAME" "" ${ARGN})
  if(NOT CORVANE_WINDOWS)
    return()
  endif()
  if(NOT A_DESCRIPTION OR NOT A_ORIGINAL_NAME)
    message(FATAL_ERROR "corvane_add_resources(${target}) needs DESCRIPTION and ORIGINAL_NAME")
  endif()
  if(NOT A_INTERNAL_NAME)
    get_filename_component(A_INTERNAL_NAME ${A_ORIGINAL_NAME} NAME_WLE)
  endif()

  # The loader reads a process's manifest from resource 1 and a DLL's own
  # from resource 2.
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(RC_FILE_TYPE VFT_APP)
    set(RC_MANIFEST_ID 1)
  elseif(type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
    set(RC_FILE_TYPE VFT_DLL)
    set(RC_MANIFEST_ID 2)
  else()
    message(FATAL_ERROR "corvane_add_resources(${target}): not an executable or DLL")
  endif()

  # Resource script strings double their quotes; XML text escapes & and <.
  string(REPLACE "\"" "\"\"" RC_DESCRIPTION "${A_DESCRIPTION}")
  string(REPLACE "\"" "\"\"" RC_COMPANY "${CORVANE_COMPANY_NAME}")
  string(REPLACE "&" "&amp;" XML_DESCRIPTION "${A_DESCRIPTION}")
  string(REPLACE "<" "&lt;" XML_DESCRIPTION "${XML_DESCRIPTION}")
  set(RC_ORIGINAL_NAME "${A_ORIGINAL_NAME}")
  set(RC_INTERNAL_NAME "${A_INTERNAL_NAME}")

  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources)
  set(RC_MANIFEST_PATH ${dir}/${A_INTERNAL_NAME}.manifest)
  configure_file(${CORVANE_RESOURCE_TEMPLATES}/app.manifest.in ${RC_MANIFEST_PATH} @ONLY)
  configure_file(${CORVANE_RESOURCE_TEMPLATES}/version.rc.in ${dir}/${A_INTERNAL_NAME}.rc @ONLY)
  target_sources(${target} PRIVATE ${dir}/${A_INTERNAL_NAME}.rc)
  # windres reports no dependencies: rebuild when the manifest it embeds changes.
  set_source_files_properties(${dir}/${A_INTERNAL_NAME}.rc PROPERTIES
    OBJECT_DEPENDS ${RC_MANIFEST_PATH})
endfunction()
