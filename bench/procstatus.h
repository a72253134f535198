#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

// A field of /proc/self/status in MiB ("VmRSS", "VmHWM"); -1 when it is not there.
inline double StatusMiB(const std::string &field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::atof(line.c_str() + field.size() + 1) / 1024.0;
    }
    return -1;
}
