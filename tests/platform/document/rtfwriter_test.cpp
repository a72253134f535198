#include <random>
#include <stdexcept>
#include <utility>
#include <vector>

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

#include "platform/document/rtfwriter.h"
#include "platform/system/error.h"
#include "platform/system/qtext.h"
#include "tests/support/gui/rtfreader.h"
#include "tests/support/libreoffice.h"

namespace {

// A paragraph as the tests write it: runs of text, bold or not.
using TRuns = std::vector<std::pair<QString, bool>>;

const TRtfFont CourierNew{QStringLiteral("Courier New")};

void WriteTo(QIODevice &out, const std::vector<TRuns> &paragraphs, const TRtfFont &font = CourierNew)
{
    TRtfWriter writer(out, font);
    for (const TRuns &paragraph : paragraphs) {
        for (const auto &[text, bold] : paragraph)
            writer.WriteText(text, bold);
        writer.EndParagraph();
    }
    writer.Finish();
}

QByteArray Write(const std::vector<TRuns> &paragraphs, const TRtfFont &font = CourierNew)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteTo(buffer, paragraphs, font);
    return buffer.data();
}

TRtfDocument Read(const QByteArray &rtf)
{
    TRtfDocument document = ReadRtf(rtf);
    EXPECT_TRUE(document.Ok()) << document.Error.toStdString() << "\n" << rtf.left(2000).toStdString();
    return document;
}

// Writes each text as a plain paragraph and reads the paragraphs back.
QStringList RoundTrip(const QStringList &texts)
{
    std::vector<TRuns> paragraphs;
    for (const QString &text : texts)
        paragraphs.push_back({{text, false}});
    return Read(Write(paragraphs)).Texts();
}

TRuns RunsOf(const TRtfParagraph &paragraph)
{
    TRuns runs;
    for (const TRtfRun &run : paragraph.Runs)
        runs.emplace_back(run.Text, run.Bold);
    return runs;
}

// A device that takes `capacity` bytes, then `partial` of each write (-1: none).
class TFailingBuffer : public QBuffer
{
public:
    TFailingBuffer(qint64 capacity, qint64 partial)
        : m_capacity(capacity)
        , m_partial(partial)
    {
        open(QIODevice::WriteOnly);
    }

    std::vector<qint64> Writes;

protected:
    qint64 writeData(const char *data, qint64 length) override
    {
        Writes.push_back(length);
        if (size() + length <= m_capacity)
            return QBuffer::writeData(data, length);
        return m_partial < 0 ? -1 : QBuffer::writeData(data, std::min(m_partial, length));
    }

private:
    qint64 m_capacity, m_partial;
};

} // namespace

// The reader is what the writer's tests stand on: it must see what other writers write
// and refuse what is broken.
TEST(RtfReader, ReadsForeignRtfAndRefusesBrokenRtf)
{
    const TRtfDocument document
        = ReadRtf("{\\rtf1{\\fonttbl{\\f0 A;}{\\f1\\fcharset238 B\\'3b{\\*\\falt C};}}{\\*\\generator x;}\r\n"
                  "{\\b bold}plain\\uc2\\u8364 xy\\'e9{\\b\\i\\fs30 z\\plain w}\\line\\tab 1\\par "
                  "{\\info{\\title t}}\\~\\{}");
    ASSERT_TRUE(document.Ok()) << document.Error.toStdString();
    ASSERT_EQ(document.Fonts.size(), 2u);
    EXPECT_EQ(document.Fonts[1].Name, QStringLiteral("B;"));
    EXPECT_EQ(document.Fonts[1].Charset, 238);
    EXPECT_EQ(
        document.Texts(), QStringList({QStringLiteral("boldplain€ézw\u2028\t1"), QStringLiteral("\u00A0{")}));
    const std::vector<TRtfRun> &runs = document.Paragraphs[0].Runs;
    ASSERT_EQ(runs.size(), 4u); // "w" after \plain and the text after the group share a format
    EXPECT_TRUE(runs[0].Bold && !runs[1].Bold && runs[2].Bold && runs[2].Italic && !runs[3].Bold);
    EXPECT_EQ(runs[2].HalfPoints, 30);

    for (const char *broken : {"{\\rtf1 a", "{\\rtf1 a}}", "{\\rtf1 {a}", "{\\rtf1 a}b", "{\\rtf1 \\'4}",
             "{\\rtf1 a\\", "{\\pict1 a}"})
        EXPECT_FALSE(ReadRtf(broken).Ok()) << broken;
}

TEST(RtfWriter, HeaderCarriesFontColourAndSize)
{
    TRtfFont font{QStringLiteral("Courier New"), 17, qRgb(1, 2, 250), false, true, true, true, 238};
    const QByteArray rtf = Write({{{QStringLiteral("x"), false}}}, font);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"));
    const TRtfDocument document = Read(rtf);
    ASSERT_EQ(document.Fonts.size(), 1u);
    EXPECT_EQ(document.Fonts[0].Number, 0);
    EXPECT_EQ(document.Fonts[0].Charset, 238);
    EXPECT_EQ(document.Fonts[0].Name, QStringLiteral("Courier New"));
    EXPECT_EQ(document.Colors, QList<QColor>({QColor(), QColor(1, 2, 250)}));
    ASSERT_EQ(document.Paragraphs.size(), 1u);
    const TRtfRun &run = document.Paragraphs[0].Runs.at(0);
    EXPECT_EQ(run.HalfPoints, 17);
    EXPECT_EQ(run.Color, 1);
    EXPECT_TRUE(run.Italic && run.Underline && run.StrikeOut);
    EXPECT_FALSE(run.Bold);

    const TRtfRun plain = Read(Write({{{QStringLiteral("x"), false}}})).Paragraphs.at(0).Runs.at(0);
    EXPECT_FALSE(plain.Italic || plain.Underline || plain.StrikeOut || plain.Bold);
    EXPECT_EQ(plain.HalfPoints, 20);
}

TEST(RtfWriter, EmptyDocumentAndEmptyParagraphs)
{
    const TRtfDocument empty = Read(Write({}));
    EXPECT_TRUE(empty.Paragraphs.empty());
    EXPECT_EQ(empty.Fonts.size(), 1u);

    const QStringList texts{QStringLiteral("a"), QString(), QString(), QStringLiteral("b"), QString()};
    EXPECT_EQ(RoundTrip(texts), texts);
}

TEST(RtfWriter, AsciiAndEscapedCharactersRoundTrip)
{
    const QStringList texts{QStringLiteral("Hello, world. ?;:!'\"~*-_"),
        QStringLiteral("\ttab first\tand last\t"), QStringLiteral("123\t456"),
        QStringLiteral("{braces} }{ {{ }}"), QStringLiteral("C:\\dir\\file \\par \\b0 \\u233 \\'e9 \\\\"),
        QStringLiteral("  leading and trailing  "), QStringLiteral("\\\\{\\}")};
    EXPECT_EQ(RoundTrip(texts), texts);

    // The same texts as runs of one paragraph: no escape may swallow its neighbour.
    TRuns runs;
    for (const QString &text : texts)
        runs.emplace_back(text, false);
    EXPECT_EQ(Read(Write({runs})).Texts(), QStringList{texts.join(QString())});
}

TEST(RtfWriter, NonAsciiRoundTripsWithCp1252Fallbacks)
{
    const QStringList texts{QStringLiteral("été à ça œuvre 12 € «»"), QStringLiteral("ŒÿŸ…–—“”‘’•™"),
        QStringLiteral("😀 and 𝄞 beyond the BMP"), QStringLiteral("中文 Ελληνικά Русский"),
        QString(QChar(0x80)) + QChar(0x81) + QChar(0x9F) + QChar(0xFFFF), QString(QChar(0xD800)) + u'x'};
    EXPECT_EQ(RoundTrip(texts), texts);

    const QByteArray rtf = Write({{{QStringLiteral("é€œ😀中"), false}}});
    EXPECT_TRUE(rtf.contains("\\u233\\'e9\\u8364\\'80\\u339\\'9c\\u-10179\\'3f\\u-8704\\'3f\\u20013\\'3f"));
    EXPECT_FALSE(rtf.contains('?'));
}

TEST(RtfWriter, FallbackIsTheCp1252ByteOrAnEscapedQuestionMark)
{
    // What cp1252 holds, from the system's converter; 0x81, 0x8D, 0x8F, 0x90 and 0x9D
    // are undefined in it and decode to themselves.
    QStringDecoder decoder("windows-1252");
    ASSERT_TRUE(decoder.isValid());
    QHash<char16_t, int> cp1252;
    for (int byte = 0x80; byte < 0x100; ++byte) {
        const char c = static_cast<char>(byte);
        const QString decoded = decoder.decode(QByteArrayView(&c, 1));
        if (decoded.size() == 1 && (decoded[0].unicode() != byte || byte >= 0xA0))
            cp1252.insert(decoded[0].unicode(), byte);
    }
    ASSERT_EQ(cp1252.size(), 123);

    QString all;
    for (char32_t c = 0x80; c < 0x10000; ++c)
        if (!QChar::isSurrogate(c) && c != 0x2028 && c != 0x2029) // those two are \line and \par
            all += QChar(c);
    const QString rtf = QString::fromLatin1(Write({{{all, false}}}));
    static const QRegularExpression escape(QStringLiteral(R"(\\u(-?\d+)\\'([0-9a-f]{2}))"));
    qsizetype count = 0, mismatches = 0;
    for (const QRegularExpressionMatch &match : escape.globalMatch(rtf)) {
        const auto unit = static_cast<char16_t>(match.captured(1).toInt());
        mismatches += match.captured(2).toInt(nullptr, 16) != cp1252.value(unit, 0x3F);
        ++count;
    }
    EXPECT_EQ(count, all.size());
    EXPECT_EQ(mismatches, 0);

    // A reader that ignores \u sees the cp1252 fallbacks, which hold the French text.
    const QString french = QStringLiteral("Ça coûte 5 € : œufs, thé, crème brûlée");
    QString legacy = QString::fromLatin1(Write({{{french, false}}}));
    legacy.remove(QRegularExpression(QStringLiteral(R"(\\u-?\d+)")));
    EXPECT_EQ(Read(legacy.toLatin1()).Texts(), QStringList{french});
}

TEST(RtfWriter, ControlCharactersAndSeparators)
{
    QString controls;
    for (char16_t c = 0; c < 0x20; ++c)
        controls += QChar(c);
    controls += QChar(0x7F);
    EXPECT_EQ(RoundTrip({controls}), QStringList{controls});
    // Line breaks in the file only separate; every control character in the text is escaped.
    QByteArray rtf = Write({{{controls, false}}});
    rtf.replace("\r\n", "");
    for (const char c : rtf)
        EXPECT_GE(static_cast<unsigned char>(c), 0x20);

    const QString lines = QStringLiteral("one") + QChar(0x2028) + QStringLiteral("two");
    EXPECT_TRUE(Write({{{lines, false}}}).contains("one\\line two"));
    EXPECT_EQ(RoundTrip({lines}), QStringList{lines});
    // A paragraph separator inside a run starts a new paragraph.
    EXPECT_EQ(RoundTrip({QStringLiteral("one") + QChar(0x2029) + QStringLiteral("two")}),
        QStringList({QStringLiteral("one"), QStringLiteral("two")}));
}

TEST(RtfWriter, BoldRunsSwitchWithinAndAcrossParagraphs)
{
    const std::vector<TRuns> paragraphs{{{QStringLiteral("plain "), false}, {QStringLiteral("bold"), true},
                                            {QStringLiteral(" plain"), false}},
        {{QStringLiteral("all bold"), true}},
        {{QStringLiteral("still "), true}, {QString(), false}, {QStringLiteral("bold"), true}}, {},
        {{QString(), true}, {QStringLiteral("plain again"), false}}};
    const QByteArray rtf = Write(paragraphs);
    const TRtfDocument document = Read(rtf);
    ASSERT_EQ(document.Paragraphs.size(), 5u);
    EXPECT_EQ(RunsOf(document.Paragraphs[0]), paragraphs[0]);
    EXPECT_EQ(RunsOf(document.Paragraphs[1]), paragraphs[1]);
    EXPECT_EQ(RunsOf(document.Paragraphs[2]), TRuns({{QStringLiteral("still bold"), true}}));
    EXPECT_TRUE(document.Paragraphs[3].Runs.empty());
    EXPECT_EQ(RunsOf(document.Paragraphs[4]), TRuns({{QStringLiteral("plain again"), false}}));
    // Only real changes switch: plain -> bold -> plain -> bold -> plain.
    EXPECT_EQ(rtf.count("\\b "), 2);
    EXPECT_EQ(rtf.count("\\b0 "), 2);
}

TEST(RtfWriter, BoldFontMakesEveryRunBold)
{
    TRtfFont font = CourierNew;
    font.Bold = true;
    const QByteArray rtf = Write(
        {{{QStringLiteral("a"), false}, {QStringLiteral("b"), true}}, {{QStringLiteral("c"), false}}}, font);
    const TRtfDocument document = Read(rtf);
    ASSERT_EQ(document.Paragraphs.size(), 2u);
    EXPECT_EQ(RunsOf(document.Paragraphs[0]), TRuns({{QStringLiteral("ab"), true}}));
    EXPECT_EQ(RunsOf(document.Paragraphs[1]), TRuns({{QStringLiteral("c"), true}}));
    EXPECT_FALSE(rtf.contains("\\b0"));
}

TEST(RtfWriter, FontNamesStayInsideTheFontTable)
{
    const QStringList names{QStringLiteral("Times {New} Roman"), QStringLiteral("A;B;"),
        QStringLiteral("Back\\slash\\"), QStringLiteral("Garamond Élégant œ €"), QStringLiteral("Emoji 😀"),
        QStringLiteral("Tab\tName"), QString()};
    for (const QString &name : names) {
        const TRtfDocument document = Read(Write({{{QStringLiteral("x"), false}}}, {name}));
        ASSERT_EQ(document.Fonts.size(), 1u) << name.toStdString();
        EXPECT_EQ(document.Fonts[0].Name, name);
        EXPECT_EQ(document.Texts(), QStringList{QStringLiteral("x")}) << name.toStdString();
    }
}

TEST(RtfWriter, RandomTextsKeepGroupsBalancedAndComeBack)
{
    const QString alphabet
        = QStringLiteral("a Z0\\{};\t\r\n?éœ€中") + QChar(0x01) + QChar(0x7F) + QChar(0x2028);
    std::mt19937 random(20240601);
    for (int round = 0; round < 200; ++round) {
        std::vector<TRuns> paragraphs(random() % 5);
        for (TRuns &paragraph : paragraphs) {
            paragraph.resize(random() % 4);
            for (auto &[text, bold] : paragraph) {
                for (int length = random() % 12; length > 0; --length)
                    text += random() % 8 == 0 ? QStringLiteral("😀")
                                              : QString(alphabet[random() % alphabet.size()]);
                bold = random() % 2;
            }
        }
        const TRtfDocument document = Read(Write(paragraphs));
        ASSERT_EQ(document.Paragraphs.size(), paragraphs.size());
        for (size_t i = 0; i < paragraphs.size(); ++i) {
            // The reader joins neighbouring runs of the same weight and drops empty ones.
            TRuns expected;
            for (const auto &[text, bold] : paragraphs[i]) {
                if (!expected.empty() && expected.back().second == bold)
                    expected.back().first += text;
                else if (!text.isEmpty())
                    expected.emplace_back(text, bold);
            }
            ASSERT_EQ(RunsOf(document.Paragraphs[i]), expected) << "round " << round;
        }
    }
}

TEST(RtfWriter, FinishClosesOnce)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TRtfWriter writer(buffer, CourierNew);
    writer.WriteText(u"x", false);
    writer.Finish();
    const QByteArray finished = buffer.data();
    writer.Finish();
    EXPECT_THROW(writer.WriteText(u"y", false), std::logic_error);
    EXPECT_THROW(writer.EndParagraph(), std::logic_error);
    EXPECT_EQ(buffer.data(), finished);
    EXPECT_EQ(Read(finished).Texts(), QStringList{QStringLiteral("x")});
}

TEST(RtfWriter, LongOutputGoesOutInChunks)
{
    TFailingBuffer device(std::numeric_limits<qint64>::max(), 0);
    TRtfWriter writer(device, CourierNew);
    const QString line(100, u'x');
    for (int i = 0; i < 10000; ++i) {
        writer.WriteText(line, false);
        writer.EndParagraph();
    }
    EXPECT_GT(device.size(), 900000) << "nothing reached the device before Finish()";
    // One text far larger than a chunk, with characters that escape to many bytes.
    const QString huge = QString(200000, u'é') + QString(200000, QChar(0x4E2D));
    writer.WriteText(huge, false);
    writer.Finish();
    EXPECT_GE(device.Writes.size(), 30u);
    for (const qint64 size : device.Writes)
        EXPECT_LE(size, 256 * 1024);
    const TRtfDocument document = Read(device.data());
    ASSERT_EQ(document.Paragraphs.size(), 10001u);
    EXPECT_EQ(document.Paragraphs.back().Text(), huge);
}

TEST(RtfWriter, AMillionParagraphsCostTheirTextAndOneBreakEach)
{
    // How fast this goes is measured by the benchmarks, not here.
    const QByteArray empty = Write({});
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const QString line = QStringLiteral("Fichier_0123456789.txt 12 345");
    TRtfWriter writer(buffer, CourierNew);
    for (int i = 0; i < 1000000; ++i) {
        writer.WriteText(line, false);
        writer.EndParagraph();
    }
    writer.Finish();
    // Each paragraph is its text and "\par\r\n", nothing more.
    EXPECT_EQ(buffer.size(), empty.size() + 1000000 * (line.size() + 6));
    EXPECT_TRUE(buffer.data().endsWith(QByteArray(line.toLatin1() + "\\par\r\n}")));
}

TEST(RtfWriterErrors, RefusedBytesRaiseEWriteError)
{
    const QString line(1000, u'x');
    for (const qint64 partial : {qint64(-1), qint64(0), qint64(100)}) {
        TFailingBuffer device(100000, partial);
        TRtfWriter writer(device, CourierNew);
        try {
            for (int i = 0; i < 1000; ++i)
                writer.WriteText(line, false);
            ADD_FAILURE() << "no error for " << partial;
        } catch (const EWriteError &error) {
            EXPECT_EQ(error.what(), WriteErrorText());
        }
        // The document must not be completed around the lost bytes.
        EXPECT_THROW(writer.Finish(), EWriteError);
        EXPECT_THROW(writer.WriteText(line, false), EWriteError);
    }

    // Smaller than a chunk: the failure shows at Finish().
    QTemporaryDir dir;
    QFile readOnly(dir.filePath(QStringLiteral("read-only.rtf")));
    ASSERT_TRUE(readOnly.open(QIODevice::WriteOnly));
    readOnly.close();
    ASSERT_TRUE(readOnly.open(QIODevice::ReadOnly));
    EXPECT_THROW(WriteTo(readOnly, {{{QStringLiteral("x"), false}}}), EWriteError);
    QBuffer closed;
    EXPECT_THROW(WriteTo(closed, {{{QStringLiteral("x"), false}}}), EWriteError);
    // A full disk: QFile keeps the bytes in its own buffer until the flush at Finish().
    QFile full(QStringLiteral("/dev/full"));
    if (full.open(QIODevice::WriteOnly)) {
        EXPECT_THROW(WriteTo(full, {{{QStringLiteral("x"), false}}}), EWriteError);
    }
}

TEST(RtfWriterLibreOffice, ReadsBackTextTabsAndBold)
{
    if (!LibreOfficeAvailable())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    const std::vector<std::pair<QString, bool>> lines{{QStringLiteral("Liste de « Mes Documents »"), true},
        {QStringLiteral("Nom\tTaille\tModifié le"), false},
        {QStringLiteral("été.txt\t1 024\t12/03/2024 à 10:15"), false},
        {QStringLiteral("C:\\Données\\{projet}\\œuvre € ; fin"), true},
        {QStringLiteral(" émoji 😀\tfin"), false}, {QString(), false},
        {QStringLiteral("Total : 3 fichiers"), true}};
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("listing.rtf"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        std::vector<TRuns> paragraphs;
        for (const auto &[text, bold] : lines)
            paragraphs.push_back({{text, bold}});
        WriteTo(file, paragraphs);
    }

    const std::optional<std::string> text
        = ConvertWithLibreOffice(path.toStdString(), "txt:Text (encoded):UTF8", dir.path().toStdString());
    ASSERT_TRUE(text.has_value());
    QString expected;
    for (const auto &line : lines)
        expected += line.first + u'\n';
    QString converted = ToQString(*text);
    if (converted.startsWith(QChar(0xFEFF)))
        converted.remove(0, 1);
    EXPECT_EQ(converted, expected);

    const std::optional<std::string> html
        = ConvertWithLibreOffice(path.toStdString(), "html", dir.path().toStdString());
    ASSERT_TRUE(html.has_value());
    QTextDocument document;
    document.setHtml(ToQString(*html));
    // HTML folds white space, so the paragraphs are matched in order, the empty one left out.
    std::vector<bool> expectedBold, bold;
    for (const auto &[line, isBold] : lines)
        if (!line.isEmpty())
            expectedBold.push_back(isBold);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.text().trimmed().isEmpty())
            continue;
        bool allBold = true, anyBold = false;
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const bool fragmentBold = fragment.fragment().charFormat().fontWeight() >= QFont::Bold;
            allBold = allBold && fragmentBold;
            anyBold = anyBold || fragmentBold;
        }
        EXPECT_EQ(allBold, anyBold) << block.text().toStdString();
        bold.push_back(allBold);
    }
    EXPECT_EQ(bold, expectedBold);
}
