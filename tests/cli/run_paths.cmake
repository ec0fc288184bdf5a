# Fails when a program or library of the build carries an empty run-path
# entry: the loader reads one as the current folder, so a library planted
# where a program is run would be loaded into it.
# -DFILES="a;b;...": the ELF files to check.
foreach(file IN LISTS FILES)
  unset(runpath)
  unset(rpath)
  file(READ_ELF "${file}" RUNPATH runpath RPATH rpath)
  foreach(kind runpath rpath)
    set(value "${${kind}}")
    if(value STREQUAL "")
      continue()
    endif()
    string(REPLACE ":" ";" entries "x${value}x")
    foreach(entry IN LISTS entries)
      if(entry STREQUAL "x" OR entry STREQUAL "" OR entry STREQUAL "xx")
        message(FATAL_ERROR "${file}: ${kind} '${value}' has an empty entry")
      endif()
    endforeach()
    message(STATUS "${file}: ${kind} '${value}'")
  endforeach()
endforeach()
