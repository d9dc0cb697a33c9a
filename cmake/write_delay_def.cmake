# Script mode: writes OUTPUT, a module-definition file for DLL naming every function that
# IMPORT_LIBRARY (the toolchain's import library of that DLL) imports, read with NM.
# UNDERSCORED: the 32-bit names, which carry a leading underscore.
execute_process(COMMAND ${NM} --defined-only --extern-only ${IMPORT_LIBRARY}
                OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
# A function has a jump of its own (" T name"); data has only its import address.
string(REGEX MATCHALL "[0-9a-f]+ T [^\n]+" functions "${symbols}")
set(text "LIBRARY ${DLL}\nEXPORTS\n")
foreach(line IN LISTS functions)
    string(REGEX REPLACE "^[0-9a-f]+ T " "" name "${line}")
    if(UNDERSCORED)
        string(REGEX REPLACE "^_" "" name "${name}")
    endif()
    string(APPEND text "${name}\n")
endforeach()
file(WRITE ${OUTPUT} "${text}")
