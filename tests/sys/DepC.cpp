// The far end of the test chain PkgA -> DepB -> DepC.
extern "C" int DepCValue() {
    return 7;
}
