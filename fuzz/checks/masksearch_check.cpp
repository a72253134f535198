#include <algorithm>
#include <vector>

#include "fuzz/checks/fuzzchecks.h"
#include "fuzz/checks/fuzzinput.h"
#include "platform/system/masksearch.h"
#include "tests/support/maskreference.h"

namespace {

std::string Lowered(std::string text)
{
    for (char &c : text)
        c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    return text;
}

// The masks a mask string holds: split at every ";", a trailing ";" ending the last.
std::vector<std::string> SplitMasks(const std::string &masks)
{
    if (masks.empty())
        return {"*"};
    std::vector<std::string> parts;
    std::string part;
    for (char c : masks) {
        if (c == ';') {
            parts.push_back(Lowered(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (masks.back() != ';')
        parts.push_back(Lowered(part));
    return parts;
}

std::string Describe(const std::string &name, const std::string &mask)
{
    return "name \"" + name + "\", mask \"" + mask + "\"";
}

} // namespace

std::string CheckMaskSearch(const std::uint8_t *data, std::size_t size)
{
    TFuzzInput input(data, size);
    const std::uint8_t kind = input.Byte();
    const std::string name = kind & 1 ? input.Bytes(40) : input.Over("abAB.", 12);
    const std::string masks = kind & 2 ? input.Bytes(40) : input.Over("abAB.*?;", 16);

    // Each mask alone against the plain rules, and against a full glob to show that a
    // match found is one: the first-occurrence rule may miss matches but never invents one.
    const std::vector<std::string> expectedMasks = SplitMasks(masks);
    for (const std::string &mask : expectedMasks) {
        const bool matched = MatchMask(name, mask);
        if (matched != ReferenceMatch(name, mask))
            return "MatchMask differs from the rules for " + Describe(name, mask);
        if (matched && !GlobMatch(name, mask))
            return "MatchMask matched what no glob matches: " + Describe(name, mask);
    }

    TStringList list;
    ParseMaskList(masks, list);
    std::vector<std::string> parsed(list.begin(), list.end());
    std::vector<std::string> sortedExpected = expectedMasks;
    std::sort(parsed.begin(), parsed.end());
    std::sort(sortedExpected.begin(), sortedExpected.end());
    if (parsed != sortedExpected)
        return "ParseMaskList lost or changed masks of \"" + masks + "\"";

    std::string tried = Lowered(name);
    if (tried.find('.') == std::string::npos)
        tried += '.';
    const bool any = std::any_of(
        parsed.begin(), parsed.end(), [&](const std::string &mask) { return ReferenceMatch(tried, mask); });
    if (MatchMaskList(name, list) != any)
        return "MatchMaskList differs from its masks for " + Describe(name, masks);
    return std::string();
}
