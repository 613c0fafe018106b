#include "api/table_location.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

#ifndef XALT1_DEFAULT_TABLE
#define XALT1_DEFAULT_TABLE "x_rstoff.tab"
#endif
#ifndef XALT1_TABLE_FROM_LIBRARY
#define XALT1_TABLE_FROM_LIBRARY "../share/xalt1/x_rstoff.tab"
#endif
#ifndef XALT1_INSTALLED_TABLE
#define XALT1_INSTALLED_TABLE XALT1_DEFAULT_TABLE
#endif

namespace xalt1::detail {

namespace fs = std::filesystem;

namespace {

// The folder of the file this code was loaded from: the shared library, or the program that
// links the static one.
fs::path own_folder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&shipped_table), &info) == 0 || info.dli_fname == nullptr)
        return {};
    return fs::path(info.dli_fname).parent_path();
}

bool is_file(const fs::path& path) {
    std::error_code ignored;
    return fs::is_regular_file(path, ignored);
}

}  // namespace

std::string shipped_table() {
    if (const char* set = std::getenv("XALT1_TABLE"); set != nullptr && *set != '\0') return set;
    const fs::path folder = own_folder();
    if (!folder.empty()) {
        const fs::path beside = (folder / XALT1_TABLE_FROM_LIBRARY).lexically_normal();
        if (is_file(beside)) return beside.string();
    }
    if (!is_file(XALT1_DEFAULT_TABLE) && is_file(XALT1_INSTALLED_TABLE))
        return XALT1_INSTALLED_TABLE;
    return XALT1_DEFAULT_TABLE;
}

}  // namespace xalt1::detail
