#include "app/platform_failure.h"

#include <cstdio>

#include "app/platform.h"

namespace {

char failure[256] = "";

} // namespace

bool platformFail(const char* what, const char* reason) {
    if (reason != nullptr && *reason != '\0') {
        std::snprintf(failure, sizeof failure, "%s (%s)", what, reason);
    } else {
        std::snprintf(failure, sizeof failure, "%s", what);
    }
    for (char* c = failure; *c != '\0'; ++c) {
        *c = static_cast<unsigned char>(*c) < ' ' ? ' ' : *c;
    }
    return false;
}

void platformFailClear() {
    failure[0] = '\0';
}

const char* platformFailure() {
    return failure;
}
