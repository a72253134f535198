#include "tests/support/maskreference.h"

#include <algorithm>
#include <vector>

// The token rules written out plainly with positions from 1, to catch slips in the
// matcher's 0-based translation.
bool ReferenceMatch(const std::string &name, const std::string &mask)
{
    if (mask == "*" || (mask == "*.*" && name.find('.') != std::string::npos))
        return true;
    if (mask.find_first_of("*?") == std::string::npos && mask == name)
        return true;
    if (mask.empty())
        return false;
    std::vector<std::string> tokens;
    for (char c : mask) {
        const bool literal = c != '*' && c != '?';
        if (literal && !tokens.empty() && tokens.back() != "*" && tokens.back() != "?")
            tokens.back() += c;
        else
            tokens.emplace_back(1, c);
    }
    const std::size_t length = name.size();
    std::size_t position = 1;
    bool star = false;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::string &token = tokens[i];
        const std::string rest = name.substr(std::min(position - 1, length));
        if (token == "?") {
            if (++position > length + 1)
                return false;
        } else if (token == "*") {
            star = true;
        } else if (star && i + 1 == tokens.size()) {
            position = rest.size() >= token.size() && rest.substr(rest.size() - token.size()) == token
                ? length + 1
                : length;
            star = false;
        } else if (star) {
            const std::size_t at = rest.find(token);
            if (at == std::string::npos)
                return false;
            position += at + token.size();
            star = false;
        } else {
            if (rest.compare(0, token.size(), token) != 0)
                return false;
            position += token.size();
        }
    }
    return star || position == length + 1;
}

// A full glob match: matches[i][j] tells whether the first i bytes of the name match
// the first j of the mask, so every split is tried without exponential back-tracking.
bool GlobMatch(const std::string &n, const std::string &m)
{
    std::vector<std::vector<bool>> matches(n.size() + 1, std::vector<bool>(m.size() + 1, false));
    matches[0][0] = true;
    for (std::size_t j = 1; j <= m.size(); ++j)
        matches[0][j] = matches[0][j - 1] && m[j - 1] == '*';
    for (std::size_t i = 1; i <= n.size(); ++i) {
        for (std::size_t j = 1; j <= m.size(); ++j) {
            if (m[j - 1] == '*')
                matches[i][j] = matches[i][j - 1] || matches[i - 1][j];
            else
                matches[i][j] = matches[i - 1][j - 1] && (m[j - 1] == '?' || m[j - 1] == n[i - 1]);
        }
    }
    return matches[n.size()][m.size()];
}
