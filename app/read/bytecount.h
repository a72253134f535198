#pragma once

#include <string>

// A sum of file sizes. One size takes up to 63 bits, so the sizes of a few files may pass
// what 64 bits hold; 128 bits hold the sum of any number of files a walk can meet.
__extension__ typedef unsigned __int128 TByteCount;

// Appends the count in decimal.
inline void AppendByteCount(std::string &out, TByteCount count)
{
    char digits[40];
    char *start = digits + sizeof digits;
    do {
        *--start = static_cast<char>('0' + static_cast<int>(count % 10));
        count /= 10;
    } while (count != 0);
    out.append(start, digits + sizeof digits);
}
