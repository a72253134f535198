#pragma once

#include <string>

struct option;

// Why getopt_long refused `arg` (with optopt `shortOption`), among `longOptions` (ended
// by an entry without a name): an unknown option, a long one that more than one option
// begins with, or a value given to one that takes none. In the user's language.
std::string RefusedOption(const std::string &arg, int shortOption, const struct option *longOptions);
