// Like PkgA, but with thousands of exports ahead of it: its symbol table pushes the names of the
// libraries it needs far past the first pages of the file, where a reader that looks only at
// the start of a library would miss them.
extern "C" int DepBValue();

#define WIDE_EXPORT(n)                                                                             \
    extern "C" int PkgWideExport##n() {                                                            \
        return n;                                                                                  \
    }
#define WIDE_EXPORT_10(p)                                                                          \
    WIDE_EXPORT(p##0)                                                                              \
    WIDE_EXPORT(p##1)                                                                              \
    WIDE_EXPORT(p##2)                                                                              \
    WIDE_EXPORT(p##3)                                                                              \
    WIDE_EXPORT(p##4)                                                                              \
    WIDE_EXPORT(p##5)                                                                              \
    WIDE_EXPORT(p##6)                                                                              \
    WIDE_EXPORT(p##7)                                                                              \
    WIDE_EXPORT(p##8)                                                                              \
    WIDE_EXPORT(p##9)
#define WIDE_EXPORT_100(p)                                                                         \
    WIDE_EXPORT_10(p##0)                                                                           \
    WIDE_EXPORT_10(p##1)                                                                           \
    WIDE_EXPORT_10(p##2)                                                                           \
    WIDE_EXPORT_10(p##3)                                                                           \
    WIDE_EXPORT_10(p##4)                                                                           \
    WIDE_EXPORT_10(p##5)                                                                           \
    WIDE_EXPORT_10(p##6)                                                                           \
    WIDE_EXPORT_10(p##7)                                                                           \
    WIDE_EXPORT_10(p##8)                                                                           \
    WIDE_EXPORT_10(p##9)
#define WIDE_EXPORT_1000(p)                                                                        \
    WIDE_EXPORT_100(p##0)                                                                          \
    WIDE_EXPORT_100(p##1)                                                                          \
    WIDE_EXPORT_100(p##2)                                                                          \
    WIDE_EXPORT_100(p##3)                                                                          \
    WIDE_EXPORT_100(p##4)                                                                          \
    WIDE_EXPORT_100(p##5)                                                                          \
    WIDE_EXPORT_100(p##6)                                                                          \
    WIDE_EXPORT_100(p##7)                                                                          \
    WIDE_EXPORT_100(p##8)                                                                          \
    WIDE_EXPORT_100(p##9)

WIDE_EXPORT_1000(1)
WIDE_EXPORT_1000(2)
WIDE_EXPORT_1000(3)

extern "C" int PkgWideValue() {
    return DepBValue();
}
