#include "app/read/readfilter.h"

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
    if (masks.empty() || masks.front() == ';' || masks.back() == ';' || masks.find(";;") != std::string::npos)
        return std::nullopt;
    TStringList list;
    ParseMaskList(masks, list);
    return list;
}
