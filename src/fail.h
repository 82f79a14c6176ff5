// The one way the program reports a failure: "Error:  what" on standard
// output, then status 1. A leaf: everything may call it, it calls nothing
// of the program's but the hook it is given.
#pragma once

#include <string>

// Prints "\n\n Error:  what \n" and ends the process with status 1, after
// the hook set by on_fail() has run (it stops the writer thread).
[[noreturn]] void fail(const std::string &what);

// fail(name + ": " + the system's reason for err), as in "acc.2: No space
// left on device".
[[noreturn]] void fail_sys(const std::string &name, int err);

// Run once, first thing, by fail(). Only the thread that runs the dialogue
// and reads the input may call fail().
void on_fail(void (*hook)());
