/* A library that imports WinDep.dll, which only the loader's search can find. */
__declspec(dllimport) int WinDepValue(void);

__declspec(dllexport) int WinPkgValue(void) {
    return WinDepValue() + 1;
}
