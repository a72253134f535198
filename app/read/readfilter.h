#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/system/stringlist.h"

// Which files and folders a read takes, beyond the walk's own rules: file masks as the
// folder tree parses and matches them ("*.jpg;*.png"), folders left unwalked by name,
// and a depth below which no folder is walked. A name without a dot matches a mask as the
// folder tree matches it (with a "." appended) and also as it is.
struct TReadFilter
{
    std::optional<TStringList> Include; // files matching none are left out
    std::optional<TStringList> Exclude; // files matching one are left out
    std::optional<TStringList> ExcludeFolders; // folders matching one are never opened
    // Folders deeper than this are never opened: 0 reads the root's own files only.
    std::optional<int> MaxDepth;

    bool TakesFile(std::string_view name) const;
    bool EntersFolder(std::string_view name) const;
};

// The mask list of `masks`, each mask without the blanks around it ("*.h; *.c"), or
// nothing when it holds an empty mask ("", "*.a;;*.b", "*.a; ;*.b"), which would silently
// match nothing.
std::optional<TStringList> ParseFilterMasks(const std::string &masks);
