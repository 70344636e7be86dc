# Same sources, same bytes: two builds of one commit, in any two folders and at any two times,
# give a byte-identical setup.exe (scripts/repro-check.sh checks it), so a publisher can show
# that a shipped image was built from a given commit.
#
# - Paths: the source and build folders are cut from every path the compiler writes
#   (__FILE__, debug and LTO data). The build folder is named last: it lies inside the source
#   folder with the presets, and the last matching map wins.
# - Random names: GCC names some symbols and the sections of its link-time optimisation data
#   after a random number unless given a seed; each object gets its own path as its seed.
# - Archives: written without time stamps, owners and modes (ar D).
# - The PE header: without a link time stamp (so its checksum is the same too).
if(WIN32)
  # Windows builds only: the native test builds keep full paths for their debuggers and
  # sanitizer reports.
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>"
                      "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>")
  add_link_options(-Wl,--no-insert-timestamp)
endif()

foreach(lang C CXX)
  if(NOT CMAKE_${lang}_COMPILER_ID STREQUAL "GNU")
    continue()
  endif()
  if(NOT CMAKE_${lang}_COMPILE_OBJECT MATCHES "frandom-seed")
    string(REPLACE "<FLAGS>" "<FLAGS> -frandom-seed=<OBJECT>"
      CMAKE_${lang}_COMPILE_OBJECT "${CMAKE_${lang}_COMPILE_OBJECT}")
  endif()
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
  # Link-time optimised archives go through gcc-ar, which takes the same letters.
  if(CMAKE_${lang}_COMPILER_AR AND CMAKE_${lang}_COMPILER_RANLIB)
    set(CMAKE_${lang}_ARCHIVE_CREATE_IPO
      "\"${CMAKE_${lang}_COMPILER_AR}\" qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_APPEND_IPO
      "\"${CMAKE_${lang}_COMPILER_AR}\" qD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_FINISH_IPO "\"${CMAKE_${lang}_COMPILER_RANLIB}\" -D <TARGET>")
  endif()
endforeach()
