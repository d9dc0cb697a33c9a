#pragma once
// Taking the place of a Windows import in a test program: the program's calls of an imported
// function go through the import's address, so a test file that defines that address sends
// them to a function of its own, and the import library's address is never linked in. The
// real function is still reached through its DLL.

#include <windows.h>

// The linker's name of the import address of a function taking the given bytes of arguments
// (32-bit imports are decorated with them).
#if defined(_WIN64)
#define IMPORT_ADDRESS_NAME(function, argumentBytes) "__imp_" #function
#else
#define IMPORT_ADDRESS_NAME(function, argumentBytes) "__imp__" #function "@" #argumentBytes
#endif

// Defines the import address of function as pointing to replacement, a function of the same
// type. At namespace scope, once per function in a program.
#define REPLACE_IMPORT(function, argumentBytes, replacement)                                       \
    extern "C" decltype(&replacement) imported##function __asm__(                                  \
        IMPORT_ADDRESS_NAME(function, argumentBytes));                                             \
    decltype(&replacement) imported##function = replacement

namespace import_seam {

// The function as the DLL exports it, whatever the program's imports point to.
template <typename Function> Function Real(const char* dll, const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA(dll), name)));
}

} // namespace import_seam
