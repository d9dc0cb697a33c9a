// Makes the loader take every DLL loaded from here on from the system folder only, before any
// other code of ours runs.
//
// It protects users who run the program from a folder that others can write to, above all
// Downloads, where a web page may have left a DLL named like one that Windows loads by name
// (propsys, uxtheme, version, cryptbase...): the loader looks in the exe's folder before the
// system folder for every DLL that is not on its list of known system DLLs, and so do the
// system DLLs when they load others. What the exe imports directly is loaded before any code
// runs; that is why gdiplus, shell32 and ole32 are delay-loaded: they and what they pull in
// load on first use, after this.

#include <windows.h>

// A constructor of priority 101, the first one open to programs: the CRT runs the static
// constructors in priority order, and the stack protector's, which loads the crypto DLLs,
// has the default priority, so it comes after this one. Only the runtime's own registration
// of its unwind tables comes before, and neither it nor the CRT's start before the
// constructors loads a DLL by name. (A custom entry point would run no earlier than the
// static imports and the runtime's TLS callbacks either, and would tie the link to each
// architecture's name of the CRT's entry.)
__attribute__((constructor(101))) static void LoadDllsFromSystemFolderOnly() {
    // Windows 7 has SetDefaultDllDirectories only with update KB2533623. Without it, the exe's
    // folder stays in the search, as before; the current folder goes below in any case.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories != nullptr) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    // An empty string takes the current folder out of the search, on every version.
    SetDllDirectoryW(L"");
}
