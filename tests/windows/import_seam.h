#pragma once
// Taking the place of a Windows import in a test program: the program's calls of an imported
// function go through the import's address, either directly or through the jump to it that
// the import library defines under the function's own name (the program's code declares the
// functions plain, see cmake/delay_imports.cmake). A test file that defines both sends them
// to a function of its own, and the import library's are never linked in. The real function
// is still reached through its DLL.

#include <windows.h>

// The linker's names of a function taking the given bytes of arguments and of its import
// address (32-bit names are decorated with them).
#if defined(_WIN64)
#define IMPORTED_NAME(function, argumentBytes) #function
#define IMPORT_ADDRESS_NAME(function, argumentBytes) "__imp_" #function
#define IMPORT_JUMP(function, argumentBytes)                                                       \
    "jmp *" IMPORT_ADDRESS_NAME(function, argumentBytes) "(%rip)"
#else
#define IMPORTED_NAME(function, argumentBytes) "_" #function "@" #argumentBytes
#define IMPORT_ADDRESS_NAME(function, argumentBytes) "__imp__" #function "@" #argumentBytes
#define IMPORT_JUMP(function, argumentBytes) "jmp *" IMPORT_ADDRESS_NAME(function, argumentBytes)
#endif

// Defines the import address of function as pointing to replacement, a function of the same
// type, and the function's name as a jump through that address. At namespace scope, once per
// function in a program. (GCC writes top-level assembly before its own code and names the
// section of everything it writes after it.)
#define REPLACE_IMPORT(function, argumentBytes, replacement)                                       \
    extern "C" decltype(&replacement) imported##function __asm__(                                  \
        IMPORT_ADDRESS_NAME(function, argumentBytes));                                             \
    decltype(&replacement) imported##function = replacement;                                       \
    __asm__(".text\n.globl " IMPORTED_NAME(function, argumentBytes) "\n" IMPORTED_NAME(            \
        function, argumentBytes) ": " IMPORT_JUMP(function, argumentBytes))

namespace import_seam {

// The function as the DLL exports it, whatever the program's imports point to.
template <typename Function> Function Real(const char* dll, const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA(dll), name)));
}

} // namespace import_seam
