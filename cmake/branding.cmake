# The publisher's name and icon in setup.exe: what Explorer's properties and the elevation
# prompt show (docs/publishing.md).
#
# Each item comes from its cache variable when that is not empty, else from the branding file
# (SETUP_BRANDING_FILE, lines "key = value"), else from the launcher's own defaults:
#
#   key                 cache variable            default
#   icon                SETUP_ICON                setup/setup.ico
#   product_name        SETUP_PRODUCT_NAME        Setup Launcher
#   company             SETUP_COMPANY             (none)
#   file_description    SETUP_FILE_DESCRIPTION    Setup launcher for Windows Installer packages
#   copyright           SETUP_COPYRIGHT           (none)
#   version             SETUP_VERSION             the project's version
#   original_filename   SETUP_ORIGINAL_FILENAME   setup.exe
#
# "@YEAR@" in the copyright becomes the year of SOURCE_DATE_EPOCH, or else of the last commit,
# so that two builds of one commit carry the same text whenever they are made.

set(SETUP_BRANDING_FILE "" CACHE FILEPATH
  "File of key = value lines naming the publisher's icon, strings and version")
set(SETUP_BRANDING_KEYS icon product_name company file_description copyright version
  original_filename)
set(SETUP_BRANDING_HELP_icon "Icon (.ico) of setup.exe")
set(SETUP_BRANDING_HELP_product_name "ProductName of the version resource")
set(SETUP_BRANDING_HELP_company "CompanyName of the version resource")
set(SETUP_BRANDING_HELP_file_description "FileDescription of the version resource")
set(SETUP_BRANDING_HELP_copyright "LegalCopyright of the version resource (@YEAR@: the commit's year)")
set(SETUP_BRANDING_HELP_version "Version of setup.exe: one to four numbers up to 65535")
set(SETUP_BRANDING_HELP_original_filename "OriginalFilename of the version resource")
foreach(key IN LISTS SETUP_BRANDING_KEYS)
  string(TOUPPER "SETUP_${key}" var)
  set(type STRING)
  if(key STREQUAL "icon")
    set(type FILEPATH)
  endif()
  set(${var} "" CACHE ${type} "${SETUP_BRANDING_HELP_${key}} (empty: branding file or default)")
endforeach()

# Reads a branding file into branding_file_<key> in the caller's scope. The text is split by
# hand rather than as a CMake list, so that values may hold ';' and brackets.
function(setup_read_branding_file path)
  if(NOT EXISTS "${path}" OR IS_DIRECTORY "${path}")
    message(FATAL_ERROR "Branding file ${path} does not exist")
  endif()
  get_filename_component(folder "${path}" DIRECTORY)
  file(READ "${path}" text)
  string(REPLACE "\r" "" text "${text}")
  set(number 0)
  while(NOT text STREQUAL "")
    math(EXPR number "${number} + 1")
    string(FIND "${text}" "\n" end)
    if(end EQUAL -1)
      set(line "${text}")
      set(text "")
    else()
      string(SUBSTRING "${text}" 0 ${end} line)
      math(EXPR end "${end} + 1")
      string(SUBSTRING "${text}" ${end} -1 text)
    endif()
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^#")
      continue()
    endif()
    string(FIND "${line}" "=" eq)
    if(eq LESS 1)
      message(FATAL_ERROR "${path}:${number}: expected key = value")
    endif()
    string(SUBSTRING "${line}" 0 ${eq} key)
    math(EXPR eq "${eq} + 1")
    string(SUBSTRING "${line}" ${eq} -1 value)
    string(STRIP "${key}" key)
    string(STRIP "${value}" value)
    if(NOT key IN_LIST SETUP_BRANDING_KEYS)
      string(REPLACE ";" ", " known "${SETUP_BRANDING_KEYS}")
      message(FATAL_ERROR "${path}:${number}: unknown key '${key}' (known: ${known})")
    endif()
    if(DEFINED seen_${key})
      message(FATAL_ERROR "${path}:${number}: '${key}' stands twice")
    endif()
    set(seen_${key} 1)
    if(key STREQUAL "icon" AND NOT value STREQUAL "")
      get_filename_component(value "${value}" ABSOLUTE BASE_DIR "${folder}")
    endif()
    set(branding_file_${key} "${value}" PARENT_SCOPE)
  endwhile()
endfunction()

# Text as a quoted string of a resource script: quotes doubled, backslashes escaped.
function(setup_rc_string out text)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\"\"" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

function(setup_json_string out text)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

# The year of SOURCE_DATE_EPOCH, else of the source tree's last commit, else (with a warning:
# the bytes then depend on the day of the build) of today.
function(setup_source_year out)
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
  if(epoch STREQUAL "")
    find_package(Git QUIET)
    if(GIT_FOUND)
      execute_process(COMMAND ${GIT_EXECUTABLE} -C ${CMAKE_SOURCE_DIR} log -1 --format=%ct
        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE rc)
      if(NOT rc EQUAL 0)
        set(epoch "")
      endif()
    endif()
  endif()
  if(epoch STREQUAL "")
    message(WARNING "Neither SOURCE_DATE_EPOCH nor a git commit: the copyright year is this "
      "year's, so a rebuild in another year gives other bytes")
    string(TIMESTAMP year "%Y" UTC)
  elseif(NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH is not a number of seconds: '${epoch}'")
  else()
    # string(TIMESTAMP) itself takes its time from SOURCE_DATE_EPOCH.
    set(saved "$ENV{SOURCE_DATE_EPOCH}")
    set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
    string(TIMESTAMP year "%Y" UTC)
    set(ENV{SOURCE_DATE_EPOCH} "${saved}")
  endif()
  set(${out} "${year}" PARENT_SCOPE)
endfunction()

# Settles the branding and writes into `folder`: version.rc (from setup/version.rc.in), the
# icon as setup-icon.ico beside it, and branding.json with the values used, which tests and
# scripts/release.sh read back. Sets SETUP_BRANDING_PRODUCT_NAME for the signing step.
function(setup_branding folder)
  set(default_icon "${CMAKE_SOURCE_DIR}/setup/setup.ico")
  set(default_product_name "Setup Launcher")
  set(default_company "")
  set(default_file_description "Setup launcher for Windows Installer packages")
  set(default_copyright "")
  set(default_version "${PROJECT_VERSION}")
  set(default_original_filename "setup.exe")

  if(NOT SETUP_BRANDING_FILE STREQUAL "")
    setup_read_branding_file("${SETUP_BRANDING_FILE}")
  endif()
  foreach(key IN LISTS SETUP_BRANDING_KEYS)
    string(TOUPPER "SETUP_${key}" var)
    if(NOT "${${var}}" STREQUAL "")
      set(${key} "${${var}}")
    elseif(DEFINED branding_file_${key})
      set(${key} "${branding_file_${key}}")
    else()
      set(${key} "${default_${key}}")
    endif()
    if(key STREQUAL "icon")
      continue()
    endif()
    if("${${key}}" MATCHES "[\t\n\r]")
      message(FATAL_ERROR "Branding: ${key} holds a tab or a line break")
    endif()
  endforeach()

  get_filename_component(icon "${icon}" ABSOLUTE)
  if(NOT EXISTS "${icon}" OR IS_DIRECTORY "${icon}")
    message(FATAL_ERROR "Branding: icon ${icon} does not exist")
  endif()
  file(READ "${icon}" head LIMIT 6 HEX)
  if(NOT head MATCHES "^00000100" OR head MATCHES "0000$")
    message(FATAL_ERROR "Branding: ${icon} is not an icon file (.ico with at least one image)")
  endif()

  if(NOT version MATCHES "^[0-9]+(\\.[0-9]+)?(\\.[0-9]+)?(\\.[0-9]+)?$")
    message(FATAL_ERROR "Branding: version '${version}' is not one to four numbers (2.5.1.0)")
  endif()
  string(REPLACE "." ";" numbers "${version}")
  list(LENGTH numbers count)
  while(count LESS 4)
    list(APPEND numbers 0)
    math(EXPR count "${count} + 1")
  endwhile()
  set(normalised "")
  foreach(n IN LISTS numbers)
    math(EXPR n "${n}")  # "007" is 7
    if(n GREATER 65535)
      message(FATAL_ERROR "Branding: version '${version}': ${n} is over 65535")
    endif()
    list(APPEND normalised ${n})
  endforeach()
  string(REPLACE ";" "," SETUP_RC_VERSION_NUMBERS "${normalised}")

  if(original_filename STREQUAL "" OR original_filename MATCHES "[\\\\/:*?\"<>|]")
    message(FATAL_ERROR "Branding: original_filename '${original_filename}' is not a file name")
  endif()
  string(REGEX REPLACE "\\.[^.]*$" "" internal_name "${original_filename}")
  if(copyright MATCHES "@YEAR@")
    setup_source_year(year)
    string(REPLACE "@YEAR@" "${year}" copyright "${copyright}")
  endif()

  # The string table: company and copyright only when given.
  set(values "")
  foreach(pair "CompanyName;company" "FileDescription;file_description" "FileVersion;version"
      "InternalName;internal_name" "LegalCopyright;copyright"
      "OriginalFilename;original_filename" "ProductName;product_name"
      "ProductVersion;version")
    list(GET pair 0 name)
    list(GET pair 1 key)
    if("${${key}}" STREQUAL "")
      continue()
    endif()
    setup_rc_string(quoted "${${key}}")
    string(APPEND values "      VALUE \"${name}\", ${quoted}\n")
  endforeach()
  # The version of the launcher's own code, which branding never changes: setup-check reads it
  # to tell whether the setup.exe on a medium is the launcher it predicts for.
  setup_rc_string(quoted "${PROJECT_VERSION}")
  string(APPEND values "      VALUE \"LauncherVersion\", ${quoted}\n")
  set(SETUP_RC_STRINGS "${values}")

  file(MAKE_DIRECTORY "${folder}")
  configure_file("${icon}" "${folder}/setup-icon.ico" COPYONLY)
  configure_file("${CMAKE_SOURCE_DIR}/setup/version.rc.in" "${folder}/version.rc" @ONLY)

  set(json "{\n")
  foreach(key icon product_name company file_description copyright version original_filename
      internal_name)
    setup_json_string(quoted "${${key}}")
    string(APPEND json "  \"${key}\": ${quoted},\n")
  endforeach()
  string(APPEND json "  \"launcher_version\": \"${PROJECT_VERSION}\",\n")
  string(APPEND json "  \"version_numbers\": [${SETUP_RC_VERSION_NUMBERS}]\n}\n")
  file(WRITE "${folder}/branding.json" "${json}")
  set(SETUP_BRANDING_PRODUCT_NAME "${product_name}" PARENT_SCOPE)
  message(STATUS "Branding: ${product_name} ${version}, ${original_filename}, icon ${icon}")
endfunction()
