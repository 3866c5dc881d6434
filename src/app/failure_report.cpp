#include "app/failure_report.h"

#include <cstdio>

void failureReport(const char* reason) {
    // Standard output stays for the shader logs.
    std::fprintf(stderr, "kiru: %s\n", reason);
}
