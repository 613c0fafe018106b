// libFuzzer target: every input is a substance table, run through the menu, the loader, the two
// line parsers and the number fields (fuzz/table_harness.h) in a scratch folder of its own.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "table_harness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static char pattern[] = "/tmp/xalt1_table_fuzz_XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (dir == nullptr || chdir(dir) != 0) {
        std::perror("scratch folder");
        abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string fault = table_harness::run_input(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "table fuzz fault: %s\n", fault.c_str());
        abort();
    }
    return 0;
}
