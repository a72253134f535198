#include "tests/support/gui/rtfreader.h"

#include <array>
#include <optional>
#include <set>
#include <string>

#include <QStringDecoder>

namespace {

// The 256 characters of cp1252 as the system's converter (ICU) knows them.
const std::array<char16_t, 256> &Cp1252Table()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> result{};
        QStringDecoder decoder("windows-1252");
        for (int byte = 0; byte < 256; ++byte) {
            const char c = static_cast<char>(byte);
            const QString decoded = decoder.isValid() ? decoder.decode(QByteArrayView(&c, 1)) : QString();
            result[byte] = decoded.size() == 1 ? decoded[0].unicode() : char16_t(0xFFFD);
        }
        return result;
    }();
    return table;
}

enum class TDestination
{
    Body,
    FontTable,
    ColorTable,
    Skip
};

struct TState
{
    TRtfRun Format; // its Text stays empty
    TDestination Destination = TDestination::Body;
    int UnicodeSkip = 1; // \uc
};

bool SameFormat(const TRtfRun &a, const TRtfRun &b)
{
    return a.Bold == b.Bold && a.Italic == b.Italic && a.Underline == b.Underline
        && a.StrikeOut == b.StrikeOut && a.HalfPoints == b.HalfPoints && a.Font == b.Font
        && a.Color == b.Color;
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexValue(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Destinations whose content is not document text.
const std::set<std::string> &SkippedDestinations()
{
    static const std::set<std::string> names{"author", "buptim", "comment", "creatim", "doccomm", "footer",
        "footerf", "footerl", "footerr", "footnote", "header", "headerf", "headerl", "headerr", "info",
        "keywords", "listtable", "listoverridetable", "object", "operator", "pict", "printim", "revtbl",
        "revtim", "rsidtbl", "stylesheet", "subject", "title", "fldinst", "xmlnstbl", "themedata",
        "colorschememapping", "latentstyles", "datastore", "generator", "filetbl"};
    return names;
}

class TReader
{
public:
    explicit TReader(const QByteArray &rtf)
        : m_rtf(rtf)
    { }

    TRtfDocument Read();

private:
    void Fail(const QString &message)
    {
        if (m_document.Error.isEmpty())
            m_document.Error = message + QStringLiteral(" (offset %1)").arg(m_pos);
    }
    bool Skipped();
    void ReadControl();
    void ControlWord(const std::string &word, std::optional<int> parameter);
    void Character(char16_t c, bool literal);
    void EndParagraph();

    const QByteArray &m_rtf;
    qsizetype m_pos = 0;
    TRtfDocument m_document;
    TState m_state;
    std::vector<TState> m_stack;
    int m_pendingSkip = 0;
    bool m_ended = false;
    bool m_fontOpen = false; // a font table entry is taking its name
    std::optional<QColor> m_color; // the colour table entry being read
    TRtfParagraph m_paragraph;
};

TRtfDocument TReader::Read()
{
    if (!m_rtf.startsWith("{\\rtf"))
        Fail(QStringLiteral("the input does not start with {\\rtf"));
    if (Cp1252Table()[0x80] != 0x20AC)
        Fail(QStringLiteral("no cp1252 converter"));
    while (m_pos < m_rtf.size() && m_document.Ok()) {
        const char c = m_rtf[m_pos++];
        if (m_ended) {
            if (c == '}')
                Fail(QStringLiteral("unbalanced group: '}' without '{'"));
            else if (c != '\r' && c != '\n' && c != '\0')
                Fail(QStringLiteral("text after the closing brace"));
            continue;
        }
        switch (c) {
        case '{':
            m_stack.push_back(m_state);
            m_pendingSkip = 0;
            break;
        case '}':
            if (m_stack.empty()) {
                Fail(QStringLiteral("unbalanced group: '}' without '{'"));
                break;
            }
            m_state = m_stack.back();
            m_stack.pop_back();
            m_pendingSkip = 0;
            if (m_stack.empty())
                m_ended = true;
            break;
        case '\\':
            ReadControl();
            break;
        case '\r':
        case '\n':
            break;
        default:
            if (!Skipped())
                Character(Cp1252Table()[static_cast<unsigned char>(c)], true);
        }
    }
    if (m_document.Ok() && !m_stack.empty())
        Fail(QStringLiteral("unbalanced group: %1 left open").arg(m_stack.size()));
    if (!m_paragraph.Runs.empty())
        EndParagraph();
    return std::move(m_document);
}

// After \uN, the next N characters (a byte, an escape or a control word) are the
// fallback for readers without Unicode.
bool TReader::Skipped()
{
    if (m_pendingSkip == 0)
        return false;
    --m_pendingSkip;
    return true;
}

void TReader::ReadControl()
{
    if (m_pos >= m_rtf.size()) {
        Fail(QStringLiteral("backslash at the end"));
        return;
    }
    const char c = m_rtf[m_pos];
    if (IsLetter(c)) {
        std::string word;
        while (m_pos < m_rtf.size() && IsLetter(m_rtf[m_pos]))
            word += m_rtf[m_pos++];
        std::optional<int> parameter;
        const qsizetype numberStart = m_pos;
        if (m_pos < m_rtf.size() && m_rtf[m_pos] == '-')
            ++m_pos;
        if (m_pos < m_rtf.size() && IsDigit(m_rtf[m_pos])) {
            while (m_pos < m_rtf.size() && IsDigit(m_rtf[m_pos]))
                ++m_pos;
            parameter = m_rtf.mid(numberStart, m_pos - numberStart).toInt();
        } else {
            m_pos = numberStart;
        }
        if (m_pos < m_rtf.size() && m_rtf[m_pos] == ' ')
            ++m_pos;
        ControlWord(word, parameter);
        return;
    }
    ++m_pos;
    if (c == '\'') {
        const int high = m_pos < m_rtf.size() ? HexValue(m_rtf[m_pos]) : -1;
        const int low = m_pos + 1 < m_rtf.size() ? HexValue(m_rtf[m_pos + 1]) : -1;
        if (high < 0 || low < 0) {
            Fail(QStringLiteral("\\' without two hex digits"));
            return;
        }
        m_pos += 2;
        if (!Skipped())
            Character(Cp1252Table()[high * 16 + low], false);
        return;
    }
    if (Skipped())
        return;
    switch (c) {
    case '\\':
    case '{':
    case '}':
        Character(static_cast<unsigned char>(c), false);
        break;
    case '*':
        m_state.Destination = TDestination::Skip;
        break;
    case '~':
        Character(0x00A0, false);
        break;
    case '_':
        Character(0x2011, false);
        break;
    case '\r':
    case '\n':
        ControlWord("par", std::nullopt);
        break;
    default: // \- (optional hyphen) and symbols this reader does not know
        break;
    }
}

void TReader::ControlWord(const std::string &word, std::optional<int> parameter)
{
    if (word == "bin") {
        // Raw bytes follow: they must not be read as braces or text.
        m_pos += parameter.value_or(0);
        return;
    }
    if (word == "u") {
        Character(static_cast<char16_t>(static_cast<qint16>(parameter.value_or(0))), false);
        m_pendingSkip = m_state.UnicodeSkip;
        return;
    }
    if (Skipped())
        return;
    const bool on = parameter.value_or(1) != 0;
    if (word == "uc") {
        m_state.UnicodeSkip = parameter.value_or(1);
    } else if (word == "fonttbl") {
        m_state.Destination = TDestination::FontTable;
    } else if (word == "colortbl") {
        m_state.Destination = TDestination::ColorTable;
        m_color.reset();
    } else if (SkippedDestinations().count(word)) {
        m_state.Destination = TDestination::Skip;
    } else if (m_state.Destination == TDestination::FontTable) {
        if (word == "f") {
            m_document.Fonts.push_back({parameter.value_or(0), -1, QString()});
            m_fontOpen = true;
        } else if (word == "fcharset" && !m_document.Fonts.empty()) {
            m_document.Fonts.back().Charset = parameter.value_or(0);
        }
    } else if (m_state.Destination == TDestination::ColorTable) {
        const int value = parameter.value_or(0);
        if (word == "red" || word == "green" || word == "blue") {
            QColor color = m_color.value_or(QColor(0, 0, 0));
            if (word == "red")
                color.setRed(value);
            else if (word == "green")
                color.setGreen(value);
            else
                color.setBlue(value);
            m_color = color;
        }
    } else if (m_state.Destination == TDestination::Body) {
        TRtfRun &format = m_state.Format;
        if (word == "par")
            EndParagraph();
        else if (word == "line")
            Character(0x2028, false);
        else if (word == "tab")
            Character('\t', false);
        else if (word == "b")
            format.Bold = on;
        else if (word == "i")
            format.Italic = on;
        else if (word == "strike")
            format.StrikeOut = on;
        else if (word == "ul")
            format.Underline = on;
        else if (word == "ulnone")
            format.Underline = false;
        else if (word == "plain")
            format = TRtfRun();
        else if (word == "fs")
            format.HalfPoints = parameter.value_or(24);
        else if (word == "f")
            format.Font = parameter.value_or(0);
        else if (word == "cf")
            format.Color = parameter.value_or(0);
        else if (word == "emdash")
            Character(0x2014, false);
        else if (word == "endash")
            Character(0x2013, false);
        else if (word == "bullet")
            Character(0x2022, false);
        else if (word == "lquote")
            Character(0x2018, false);
        else if (word == "rquote")
            Character(0x2019, false);
        else if (word == "ldblquote")
            Character(0x201C, false);
        else if (word == "rdblquote")
            Character(0x201D, false);
    }
}

// `literal` tells a character typed in the file from an escaped one: only a literal ';'
// ends a font or colour table entry.
void TReader::Character(char16_t c, bool literal)
{
    switch (m_state.Destination) {
    case TDestination::Body: {
        std::vector<TRtfRun> &runs = m_paragraph.Runs;
        if (runs.empty() || !SameFormat(runs.back(), m_state.Format)) {
            runs.push_back(m_state.Format);
            runs.back().Text.clear();
        }
        runs.back().Text += QChar(c);
        break;
    }
    case TDestination::FontTable:
        if (literal && c == ';')
            m_fontOpen = false;
        else if (m_fontOpen)
            m_document.Fonts.back().Name += QChar(c);
        break;
    case TDestination::ColorTable:
        if (literal && c == ';') {
            m_document.Colors.append(m_color.value_or(QColor()));
            m_color.reset();
        }
        break;
    case TDestination::Skip:
        break;
    }
}

void TReader::EndParagraph()
{
    m_document.Paragraphs.push_back(std::move(m_paragraph));
    m_paragraph = TRtfParagraph();
}

} // namespace

QString TRtfParagraph::Text() const
{
    QString text;
    for (const TRtfRun &run : Runs)
        text += run.Text;
    return text;
}

QStringList TRtfDocument::Texts() const
{
    QStringList texts;
    for (const TRtfParagraph &paragraph : Paragraphs)
        texts.append(paragraph.Text());
    return texts;
}

TRtfDocument ReadRtf(const QByteArray &rtf)
{
    return TReader(rtf).Read();
}
