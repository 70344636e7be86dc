# Size of the Windows launcher.
#
# On 32-bit MinGW, exceptions unwind by DWARF tables, and the default PE linker script keeps
# every input .eh_frame section whole (KEEP). Each table entry points at its function, so
# --gc-sections cannot drop a function that has one: an archive member linked for a single
# symbol arrives complete. libstdc++'s explicit instantiations of std::string (both ABIs)
# are linked for a handful of members and bring about 60 KB that way, with std::random_device
# in tow. Their tables are left out of the image, so only what is called stays; an exception
# raised inside one of those functions (std::length_error, std::bad_alloc) then ends the
# program at once, which is what it does anyway: nothing in the launcher catches those.
# Exceptions the launcher does catch are thrown and caught in its own code, whose tables all
# stay.
#
# The script is the linker's own default with that one rule changed, made at configure time
# from the linker in use. When the rule is not found the default script is used unchanged.
function(setup_slim_link_script out_var)
  set(${out_var} "" PARENT_SCOPE)
  if(NOT CMAKE_LINKER)
    return()
  endif()
  execute_process(COMMAND ${CMAKE_LINKER} --verbose OUTPUT_VARIABLE verbose RESULT_VARIABLE rc)
  string(FIND "${verbose}" "==================================================" first)
  if(NOT rc EQUAL 0 OR first EQUAL -1)
    return()
  endif()
  math(EXPR start "${first} + 50")
  string(SUBSTRING "${verbose}" ${start} -1 rest)
  string(FIND "${rest}" "==================================================" last)
  if(last EQUAL -1)
    return()
  endif()
  string(SUBSTRING "${rest}" 0 ${last} script)
  set(keep "KEEP(*(.eh_frame*))")
  string(FIND "${script}" "${keep}" at)
  if(at EQUAL -1)
    message(STATUS "Default linker script keeps no .eh_frame whole; using it unchanged")
    return()
  endif()
  set(excluded "*libstdc++.a:string-inst.o *libstdc++.a:cow-string-inst.o *libstdc++.a:random.o")
  string(REPLACE "${keep}" "KEEP(EXCLUDE_FILE(${excluded}) *(.eh_frame*))" script "${script}")
  set(path ${CMAKE_BINARY_DIR}/setup-exe.ld)
  file(WRITE ${path} "${script}")
  set(${out_var} ${path} PARENT_SCOPE)
endfunction()
