#include "platform/system/paths.h"

#include <algorithm>

std::string_view BaseName(std::string_view path)
{
    if (path.size() <= 1)
        return path;
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder);
    if (path.empty() || path.back() != '/')
        path += '/';
    path.append(name);
    return path;
}

std::string CleanPath(std::string_view path)
{
    std::string clean;
    clean.reserve(path.size());
    std::size_t at = 0;
    while (at < path.size()) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string_view part = path.substr(at, end - at);
        if (!part.empty() && part != ".") {
            clean += '/';
            clean.append(part);
        }
        at = end + 1;
    }
    if (clean.empty())
        return path.empty() || path.front() != '/' ? std::string() : std::string("/");
    if (path.front() != '/')
        clean.erase(0, 1);
    return clean;
}
