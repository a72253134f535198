#include <algorithm>
#include <vector>

#include "fuzz/checks/fuzzchecks.h"
#include "fuzz/checks/fuzzinput.h"
#include "platform/system/masksearch.h"
#include "tests/support/maskreference.h"

namespace {

// ASCII and the Latin-1 capitals (U+00C0..U+00DE but U+00D7, two bytes in UTF-8) lowered.
std::string Lowered(std::string text)
{
    std::string lowered;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 'A' && c <= 'Z') {
            lowered += char(c - 'A' + 'a');
        } else if (c == 0xC3 && i + 1 < text.size()) {
            const unsigned char next = static_cast<unsigned char>(text[++i]);
            lowered += text[i - 1];
            lowered += next >= 0x80 && next <= 0x9E && next != 0x97 ? char(next + 0x20) : char(next);
        } else {
            lowered += char(c);
        }
    }
    return lowered;
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
