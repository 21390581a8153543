# Remakes the import library of an i686 DLL whose __stdcall exports are undecorated
# (--kill-at). Callers compiled against the header reference "_Name@N"; the library must
# bind those symbols to the plain export name "Name", which dlltool -k does from a .def
# of the decorated names.
#   cmake -DDEF=<def written by ld --output-def> -DDLL=<name.dll> -DIMPLIB=<lib.dll.a>
#         -DDLLTOOL=<dlltool> -P StdcallImportLibrary.cmake
file(STRINGS "${DEF}" lines)
set(decorated "LIBRARY ${DLL}\nEXPORTS\n")
foreach(line IN LISTS lines)
  # ld writes "    Name = Name@N @ordinal".
  if(line MATCHES "^[ \t]*[^ \t]+[ \t]*=[ \t]*([^ \t]+@[0-9]+)")
    string(APPEND decorated "    ${CMAKE_MATCH_1}\n")
  elseif(line MATCHES "^[ \t]*([^ \t=]+)[ \t]+@[0-9]+")
    message(FATAL_ERROR "${DLL}: export ${CMAKE_MATCH_1} is not __stdcall")
  endif()
endforeach()
get_filename_component(dir "${IMPLIB}" DIRECTORY)
set(def "${dir}/${DLL}.stdcall.def")
file(WRITE "${def}" "${decorated}")
execute_process(COMMAND "${DLLTOOL}" -k -d "${def}" -D "${DLL}" -l "${IMPLIB}"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dlltool failed for ${DLL}")
endif()
