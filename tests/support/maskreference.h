#pragma once

#include <string>

// Plain references for the file-mask matcher, for tests and the fuzzer.

// The matcher's token rules written out plainly with positions from 1, to catch slips in
// the matcher's 0-based translation.
bool ReferenceMatch(const std::string &name, const std::string &mask);

// A full glob match of "*" and "?", trying every split.
bool GlobMatch(const std::string &name, const std::string &mask);
