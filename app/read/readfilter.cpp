#include "app/read/readfilter.h"

#include <algorithm>

#include "platform/system/masksearch.h"

namespace {

// The folder tree's match (a dotless name tried with a "." appended, so "*." and "*.*"
// take it), and a dotless name also as it is, so that the mask "build" takes the folder
// "build".
bool Matches(std::string_view name, const TStringList &masks)
{
    if (MatchMaskList(name, masks))
        return true;
    if (name.find('.') != std::string_view::npos)
        return false;
    const std::string lowered = AnsiLowerCase(name);
    for (const std::string &mask : masks) {
        if (MatchMask(lowered, mask))
            return true;
    }
    return false;
}

} // namespace

bool TReadFilter::TakesFile(std::string_view name) const
{
    return (!Include || Matches(name, *Include)) && (!Exclude || !Matches(name, *Exclude));
}

bool TReadFilter::EntersFolder(std::string_view name) const
{
    return !ExcludeFolders || !Matches(name, *ExcludeFolders);
}

std::optional<TStringList> ParseFilterMasks(const std::string &masks)
{
    // Each mask without the blanks around it ("*.h; *.c"), and none empty.
    std::string trimmed;
    std::string_view rest = masks;
    for (bool first = true; first || !rest.empty(); first = false) {
        const std::size_t separator = std::min(rest.find(';'), rest.size());
        std::string_view mask = rest.substr(0, separator);
        mask.remove_prefix(std::min(mask.find_first_not_of(" \t"), mask.size()));
        mask.remove_suffix(mask.size() - (mask.find_last_not_of(" \t") + 1));
        if (mask.empty())
            return std::nullopt;
        if (!first)
            trimmed += ';';
        trimmed += mask;
        rest.remove_prefix(separator);
        if (!rest.empty()) {
            rest.remove_prefix(1);
            if (rest.empty())
                return std::nullopt; // a last mask, empty
        }
    }
    TStringList list;
    ParseMaskList(trimmed, list);
    return list;
}
