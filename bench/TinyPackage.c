/* The smallest package there is: two entry points that do nothing. The start-up benchmark
 * compiles it once per package name, with BENCH_STEM set to the library's stem. */
#define BENCH_CAT2(a, b) a##b
#define BENCH_CAT(a, b) BENCH_CAT2(a, b)

__attribute__((visibility("default"))) int BENCH_CAT(BENCH_STEM, Init)(void* packages,
                                                                       void* modules) {
    (void)packages;
    (void)modules;
    return 0;
}

__attribute__((visibility("default"))) int BENCH_CAT(BENCH_STEM, Exit)(void* packages,
                                                                       void* modules) {
    (void)packages;
    (void)modules;
    return 0;
}
