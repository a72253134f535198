#include "platform/system/masksearch.h"

#include <vector>

namespace {

// The tokens of a mask: "*" and "?" stand alone, every maximal run of other bytes is one
// literal. The views point into the mask.
std::vector<std::string_view> Tokens(std::string_view mask)
{
    std::vector<std::string_view> tokens;
    std::size_t start = 0;
    while (start < mask.size()) {
        std::size_t end = start + 1;
        if (mask[start] != '*' && mask[start] != '?') {
            end = mask.find_first_of("*?", start);
            if (end == std::string_view::npos)
                end = mask.size();
        }
        tokens.push_back(mask.substr(start, end - start));
        start = end;
    }
    return tokens;
}

} // namespace

std::string AnsiLowerCase(std::string_view text)
{
    std::string result(text);
    for (std::size_t i = 0; i < result.size(); ++i) {
        const auto c = static_cast<unsigned char>(result[i]);
        if (c >= 'A' && c <= 'Z') {
            result[i] = static_cast<char>(c - 'A' + 'a');
        } else if (c == 0xC3 && i + 1 < result.size()) {
            // U+00C0..U+00DE in UTF-8, but for the sign U+00D7: 0xC3 0x80..0x9E; each
            // letter's small one lies 0x20 above it, in the same two bytes.
            const auto next = static_cast<unsigned char>(result[++i]);
            if (next >= 0x80 && next <= 0x9E && next != 0x97)
                result[i] = static_cast<char>(next + 0x20);
        }
    }
    return result;
}

void ParseMaskList(const std::string &masks, TStringList &list)
{
    list.Clear();
    list.SetSorted(false);
    if (masks.empty()) {
        list.Add("*");
    } else {
        std::string_view rest = masks;
        while (!rest.empty()) {
            const std::size_t separator = rest.find(';');
            if (separator == std::string_view::npos) {
                // The last mask, when the string does not end in ";".
                list.Add(AnsiLowerCase(rest));
                break;
            }
            list.Add(AnsiLowerCase(rest.substr(0, separator)));
            rest.remove_prefix(separator + 1);
        }
    }
    list.SetSorted(true);
    list.SetDuplicates(TDuplicates::dupIgnore);
}

bool MatchMask(std::string_view name, std::string_view mask)
{
    if (mask == "*")
        return true;
    if (mask == "*.*" && name.find('.') != std::string_view::npos)
        return true;
    if (mask.find_first_of("*?") == std::string_view::npos && mask == name)
        return true;
    if (mask.empty())
        return false;

    const std::vector<std::string_view> tokens = Tokens(mask);
    // `position` is the index of the next byte of the name to match; it runs up to
    // name.size(), which means the whole name has been taken.
    std::size_t position = 0;
    bool starPending = false;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::string_view token = tokens[i];
        if (token == "?") {
            if (++position > name.size())
                return false;
        } else if (token == "*") {
            starPending = true;
        } else if (starPending && i + 1 == tokens.size()) {
            // A literal closing a mask that has a star before it: the rest of the name must
            // end with it.
            return name.substr(position).ends_with(token);
        } else if (starPending) {
            const std::size_t found = name.find(token, position);
            if (found == std::string_view::npos)
                return false;
            position = found + token.size();
            starPending = false;
        } else {
            if (name.substr(position, token.size()) != token)
                return false;
            position += token.size();
        }
    }
    return starPending || position == name.size();
}

bool MatchMaskList(std::string_view name, const TStringList *list)
{
    if (!list || list->IsEmpty())
        return true;
    std::string lowered = AnsiLowerCase(name);
    if (lowered.find('.') == std::string::npos)
        lowered += '.';
    for (const std::string &mask : *list) {
        if (MatchMask(lowered, mask))
            return true;
    }
    return false;
}
