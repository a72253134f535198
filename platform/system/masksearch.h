#pragma once

// File masks of the shell folder tree: a mask string such as "*.txt;*.doc" becomes a
// sorted list of lower-cased masks, and names are matched against it. Two wildcards:
// "*" for any run of bytes and "?" for exactly one byte; no sets, no escapes. Every mask
// string is accepted; odd masks only match nothing.
//
// Matching works on bytes. A "*" followed by a literal takes the literal's first
// occurrence and never retries a later one, so "*x?z" does not match "xyxaz".

#include <string>
#include <string_view>

#include "platform/system/stringlist.h"

// The system's "ANSI" lower case: the letters of ASCII and the accented capitals of the
// Latin-1 range (U+00C0 to U+00DE but the sign U+00D7, as in "ÉTÉ") are lowered, in
// place: each keeps its length in UTF-8, so a name is never re-encoded or lengthened, and
// every other byte, bytes that are not UTF-8 too, is kept.
std::string AnsiLowerCase(std::string_view text);

// Fills `list` with the ";"-separated masks of `masks`, lower-cased, sorted; an empty
// string gives the single mask "*". Nothing is trimmed and empty masks stay (they match
// nothing). Masks repeated in `masks` stay; the list ignores later duplicates.
void ParseMaskList(const std::string &masks, TStringList &list);

// One name against one mask, case-sensitively.
bool MatchMask(std::string_view name, std::string_view mask);

// The name against a whole list, ignoring case; true for no list or an empty one. A
// name without "." is tried with one appended, so "*." and "*.*" match "readme".
bool MatchMaskList(std::string_view name, const TStringList *list);
inline bool MatchMaskList(std::string_view name, const TStringList &list)
{
    return MatchMaskList(name, &list);
}
