#include <cstdio>
#include <cstdlib>

#include "coldet_assert.h"

namespace coldet {

void assertionFailed(const char* expression, int line) {
    std::fprintf(stderr, "Assertion failed: %s, file coldet, line %d\n", expression, line);
    std::fflush(stderr);
    std::abort();
}

}  // namespace coldet
