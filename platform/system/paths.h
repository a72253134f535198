#pragma once

// Paths as byte strings: joining, the last component, and a clean form. Nothing here
// looks at the file system.

#include <string>
#include <string_view>

// The last component of a path ("/" for the root).
std::string_view BaseName(std::string_view path);
// `folder` + '/' + `name`, without doubling the '/' of the root.
std::string JoinPath(std::string_view folder, std::string_view name);
// `path` with empty and "." components and a trailing '/' removed; ".." is kept.
std::string CleanPath(std::string_view path);
