// The library the tests load: it needs DepB, which it can only find through the layer.
extern "C" int DepBValue();

extern "C" int PkgAValue() {
    return DepBValue();
}
