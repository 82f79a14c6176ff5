#include "fail.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
void (*fail_hook)() = nullptr;
}

void on_fail(void (*hook)()) { fail_hook = hook; }

void fail(const std::string &what) {
    if (void (*h)() = fail_hook) {
        fail_hook = nullptr;  // a failure inside the hook does not loop
        h();
    }
    std::printf("\n\n Error:  %s \n", what.c_str());
    std::fflush(stdout);
    std::exit(1);
}

void fail_sys(const std::string &name, int err) { fail(name + ": " + std::strerror(err)); }
