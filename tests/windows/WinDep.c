/* The dependency of WinPkg.dll: found beside it, in an added DLL directory, or missing. */
__declspec(dllexport) int WinDepValue(void) {
    return 41;
}
