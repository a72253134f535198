#pragma once

#include <string>

// The desktop entry's id (its file name without ".desktop"), also the name of the icon
// in the icon theme; cmake/Install.cmake names it.
inline constexpr char VantrelDesktopId[] = VANTREL_DESKTOP_ID;

// The answer to --version, in the GNU form, for the command `program`.
std::string VersionText(const std::string &program);
