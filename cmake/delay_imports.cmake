# Delay-import libraries for the DLLs the program loads on first use, after it has restricted
# the DLL search to the system folder (app/system_dlls_only.cpp). Each is made at build time
# with dlltool from a .def listing every function of the toolchain's own import library;
# the linker takes only the functions we call. libdelayimp.a resolves them on first call.
# Defines the target lorvane_delay_imports, to link before the default import libraries.
set(DELAY_LOADED_DLLS gdiplus shell32 ole32)

add_library(lorvane_delay_imports INTERFACE)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(underscored ON)
else()
    set(underscored OFF)
endif()
foreach(dll IN LISTS DELAY_LOADED_DLLS)
    find_library(${dll}_IMPORT_LIBRARY NAMES lib${dll}.a REQUIRED)
    set(def ${CMAKE_CURRENT_BINARY_DIR}/delay/${dll}.def)
    set(library ${CMAKE_CURRENT_BINARY_DIR}/delay/lib${dll}_delay.a)
    add_custom_command(
        OUTPUT ${library}
        COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DUNDERSCORED=${underscored} -DIMPORT_LIBRARY=${${dll}_IMPORT_LIBRARY}
                -DDLL=${dll}.dll -DOUTPUT=${def} -P ${PROJECT_SOURCE_DIR}/cmake/write_delay_def.cmake
        # --kill-at: the 32-bit names carry their argument bytes (@8); the DLL's exports do not.
        COMMAND ${CMAKE_DLLTOOL} --kill-at --input-def ${def} --dllname ${dll}.dll
                --output-delaylib ${library}
        DEPENDS ${${dll}_IMPORT_LIBRARY} ${PROJECT_SOURCE_DIR}/cmake/write_delay_def.cmake
        COMMENT "Making the delay-import library of ${dll}.dll"
        VERBATIM
    )
    list(APPEND DELAY_IMPORT_LIBRARIES ${library})
endforeach()
add_custom_target(lorvane_delay_import_libraries DEPENDS ${DELAY_IMPORT_LIBRARIES})
add_dependencies(lorvane_delay_imports lorvane_delay_import_libraries)
target_link_libraries(lorvane_delay_imports INTERFACE ${DELAY_IMPORT_LIBRARIES} delayimp)
# The headers declare shell32's and ole32's functions dllimport, so calls go straight through
# the import's address; on i686, GNU ld then drops the code that the address of a delay-loaded
# function first points to (binutils bug 14339) and the first call jumps to 0. Declared plain,
# calls go through the library's own jump, which keeps that code. One call from any object
# linked with the delay libraries is enough to empty a slot, so the setting is not left to
# each target: it holds for every target of this build, ours (the program, its test copies,
# the test programs and their entry, benchmarks, helpers) and GoogleTest alike.
add_compile_definitions(DECLSPEC_IMPORT=)
