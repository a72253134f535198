#include <algorithm>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include <QBuffer>
#include <QFile>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/print/printer.h"
#include "platform/system/error.h"
#include "platform/ui/richedit.h"
#include "tests/support/filekinds.h"
#include "tests/support/gui/pdftext.h"
#include "tests/support/gui/rtfreader.h"
#include "tests/support/gui/viewtext.h"
#include "tests/support/temptree.h"

using namespace Qt::StringLiterals;

namespace {

// Where the caret stands in the shown view when placed at `position`.
QRectF CaretAt(TRichEdit &view, std::int64_t position)
{
    view.SetCaret(position);
    view.viewport()->repaint();
    return view.CaretRect();
}

void Append(TRichEdit &view, const TParagraphs &lines)
{
    for (const auto &[text, bold] : lines) {
        view.SetNextLineBold(bold);
        view.AppendLine(text);
    }
}

// What WritePlainText or WriteRtf gives.
QByteArray Output(const TRichEdit &view, void (TRichEdit::*write)(QIODevice &) const)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    (view.*write)(out);
    return out.data();
}

QByteArray PlainText(const TRichEdit &view)
{
    return Output(view, &TRichEdit::WritePlainText);
}

unsigned Mode(const std::string &path)
{
    struct stat status
    {
    };
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

mode_t CurrentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// A name in UTF-8 and the same in Latin-1, which no QString spells.
const std::vector<std::string> FileNames = {"sortie \xC3\xA9.rtf", "sortie \xE9.rtf"};

const TParagraphs Sample = {
    {QStringLiteral("C:\\racine\\"), true},
    {QStringLiteral("\tnotes.txt\t10"), false},
    {QString(), false},
    {QStringLiteral("\t\tété {x}.txt"), true},
};

} // namespace

TEST(TRichEdit, EachAppendAddsOneParagraphWithItsWeightAndCountsItsBreak)
{
    TRichEdit view;
    EXPECT_EQ(view.GetTextLen(), 0);
    Append(view, Sample);
    EXPECT_TRUE(view.NextLineBold()); // lasts until changed

    EXPECT_EQ(Paragraphs(view), Sample);
    EXPECT_EQ(view.Store().Count(), 5);
    EXPECT_TRUE(view.Store().Text(4).isEmpty());
    EXPECT_EQ(view.GetTextLen(), 10 + 1 + 13 + 1 + 0 + 1 + 13 + 1);

    // A break inside the text would split the paragraph and shift every line after it.
    view.Clear();
    view.AppendLine(u"a\nb\rc\u2029d");
    view.AppendLine(u"e");
    EXPECT_EQ(view.Store().Count(), 3);
    EXPECT_EQ(view.Store().Text(0), QStringLiteral("a\u2028b\u2028c\u2028d"));
    EXPECT_EQ(view.GetTextLen(), 10);

    // What the user types counts too.
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(&view, QStringLiteral("xy"));
    EXPECT_EQ(view.GetTextLen(), 12);

    // The window's design text is one paragraph with no break after it.
    view.SetText(u"RichEdit1");
    EXPECT_EQ(view.GetTextLen(), 9);
    EXPECT_EQ(PlainText(view), "RichEdit1\n");
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(PlainText(view), "RichEdit1\n");
}

TEST(TRichEdit, SetFontRestylesTheTextAlreadyShown)
{
    TRichEdit view;
    view.resize(600, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    Append(view, {{u"mmmm"_s, true}, {u"mmmm"_s, false}});
    const auto boldWider = [&view] { return CaretAt(view, 4).x() > CaretAt(view, 9).x(); };
    EXPECT_TRUE(boldWider());

    TFont font;
    font.Name = QStringLiteral("Arial");
    font.SetSize(14);
    font.Color = 0x0000FF; // red as 0x00BBGGRR
    view.SetFont(font);
    EXPECT_EQ(view.Font(), font);
    EXPECT_EQ(view.font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(view.font().pointSize(), 14);
    EXPECT_EQ(view.palette().color(QPalette::Text), QColor(255, 0, 0));
    const qreal height14 = CaretAt(view, 9).height();
    EXPECT_TRUE(boldWider());

    // A bold font makes every paragraph bold.
    font.Style = {TFontStyle::fsBold};
    view.SetFont(font);
    EXPECT_EQ(CaretAt(view, 4).x(), CaretAt(view, 9).x());

    // A font set during an update holds for the text the update brings, and after Clear.
    font.Style = {};
    font.SetSize(20);
    view.BeginUpdate();
    view.SetFont(font);
    view.AppendLine(u"later");
    view.EndUpdate();
    EXPECT_GT(CaretAt(view, 10).height(), height14);
    view.Clear();
    view.AppendLine(u"cleared");
    EXPECT_EQ(view.Font(), font);
    EXPECT_GT(CaretAt(view, 0).height(), height14);
}

TEST(TRichEdit, AppendThatPassesTheCapacityThrowsAndAddsNothing)
{
    TRichEdit view;
    EXPECT_EQ(view.MaxLength(), std::int64_t(1) << 30);
    view.SetMaxLength(10);
    view.AppendLine(u"abcd");
    view.AppendLine(u"efgh"); // exactly 10 with both breaks

    try {
        view.AppendLine(u"");
        ADD_FAILURE() << "no EOutOfResources";
    } catch (const EOutOfResources &error) {
        EXPECT_EQ(error.Message(), "Capacité de la vue dépassée (10 caractères)");
    }
    EXPECT_EQ(view.GetTextLen(), 10);
    EXPECT_EQ(Paragraphs(view), (TParagraphs{{u"abcd"_s, false}, {u"efgh"_s, false}}));
    view.SetMaxLength(11); // typed text takes room too
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(&view, QStringLiteral("i"));
    EXPECT_THROW(view.AppendLine(u""), EOutOfResources);

    // The same inside an update, and the part that fitted is shown at its end.
    view.SetMaxLength(10);
    view.Clear();
    view.BeginUpdate();
    view.AppendLine(u"12345678");
    EXPECT_THROW(view.AppendLine(u"9"), EOutOfResources);
    view.EndUpdate();
    EXPECT_EQ(PlainText(view), "12345678\n");
}

TEST(TRichEdit, TwoMillionLinesFitShowTheirEndAtOnceAndPrintAnyPage)
{
    constexpr int Lines = 2'000'000;
    TRichEdit view;
    view.resize(400, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    std::int64_t length = 0;
    view.BeginUpdate();
    for (int i = 0; i < Lines; ++i) {
        const QString line = u"\tf"_s + QString::number(i) + u".txt"_s;
        view.SetNextLineBold(i % 10 == 0);
        view.AppendLine(line);
        length += line.size() + 1;
    }
    view.EndUpdate();
    EXPECT_EQ(view.Store().Count(), Lines + 1);
    EXPECT_EQ(view.GetTextLen(), length);

    // The end and any place of the bar lay out a screenful, not the text.
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    view.viewport()->repaint();
    EXPECT_EQ(view.Caret(), view.GetTextLen());
    EXPECT_FALSE(view.CaretRect().isEmpty());
    EXPECT_LT(view.LaidOutParagraphs(), 100u);
    view.verticalScrollBar()->setValue(Lines / 2);
    view.viewport()->repaint();
    EXPECT_EQ(view.FirstVisibleParagraph(), Lines / 2);
    EXPECT_LT(view.LaidOutParagraphs(), 100u);

    // A page from the middle and the last page print without laying out what comes before.
    TTempTree tree;
    TPrinter printer;
    printer.SelectPdf(tree.Path("pages.pdf"));
    printer.BeginDoc();
    TFormatRange range;
    range.hdc = range.hdcTarget = &printer.Handle();
    range.rc = {1440, 1440, 1440 * 7, 1440 * 10};
    range.rcPage = range.rc;
    range.chrg = {view.Store().Position(Lines / 2), -1};
    const std::int64_t afterMiddle = view.FormatRange(&range, true);
    EXPECT_GT(afterMiddle, range.chrg.cpMin);
    range.chrg.cpMin = view.Store().Position(Lines - 20);
    ASSERT_GE(view.FormatRange(&range, false), view.GetTextLen());
    printer.NewPage();
    EXPECT_GE(view.FormatRange(&range, true), view.GetTextLen());
    printer.EndDoc();
    view.FormatRange(nullptr, false);
    const std::vector<QString> pages = PdfPageTexts(tree.Path("pages.pdf"));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(pages[0].trimmed().startsWith(u"f1000000.txt"_s)) << pages[0].left(40).toStdString();
    EXPECT_TRUE(pages[1].trimmed().startsWith(u"f1999980.txt"_s)) << pages[1].left(40).toStdString();
    EXPECT_TRUE(pages[1].trimmed().endsWith(u"f1999999.txt"_s));
}

TEST(TRichEdit, UpdatesNestAndTheViewShowsTheTextAtTheOutermostEnd)
{
    TRichEdit view;
    view.resize(400, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.AppendLine(u"before");

    view.BeginUpdate();
    view.BeginUpdate();
    EXPECT_TRUE(view.ReadOnly());
    view.AppendLine(u"dropped");
    view.Clear();
    EXPECT_EQ(view.GetTextLen(), 0);
    view.AppendLine(u"kept");
    view.EndUpdate();
    EXPECT_TRUE(view.ReadOnly());
    // Typing during the update changes nothing.
    QTest::keyClicks(&view, QStringLiteral("typed"));
    view.SetNextLineBold(true);
    view.AppendLine(u"last");
    for (int i = 0; i < 100; ++i)
        view.AppendLine(u"more");
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 0); // the bar waits for the end
    view.EndUpdate();
    view.EndUpdate(); // one too many: ignored

    EXPECT_FALSE(view.ReadOnly());
    EXPECT_GT(view.verticalScrollBar()->maximum(), 50);
    const TParagraphs paragraphs = Paragraphs(view);
    ASSERT_EQ(paragraphs.size(), 102u);
    EXPECT_EQ(paragraphs[0], (std::pair{u"kept"_s, false}));
    EXPECT_EQ(paragraphs[1], (std::pair{u"last"_s, true}));

    // Text shown before an update stays ahead of what it appends; bold lasts across updates.
    view.Clear();
    view.AppendLine(u"first");
    view.BeginUpdate();
    view.AppendLine(u"second");
    view.EndUpdate();
    EXPECT_EQ(Paragraphs(view), (TParagraphs{{u"first"_s, true}, {u"second"_s, true}}));

    // A read-only view stays read-only through an update.
    view.SetReadOnly(true);
    view.BeginUpdate();
    view.EndUpdate();
    EXPECT_TRUE(view.ReadOnly());
}

TEST(TRichEdit, TabsStopEveryHalfInchAndLinesWrapAtTheViewsWidth)
{
    TRichEdit view;
    view.resize(400, 200);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.AppendLine(u"\tx\t\ty");
    const qreal start = CaretAt(view, 0).x();
    EXPECT_EQ(CaretAt(view, 1).x() - start, 48);
    EXPECT_EQ(CaretAt(view, 4).x() - start, 3 * 48);

    // A long line wraps instead of scrolling sideways.
    view.Clear();
    QString words;
    for (int i = 0; i < 60; ++i)
        words += u"mot "_s;
    view.AppendLine(words);
    EXPECT_GT(CaretAt(view, words.size() - 1).y(), CaretAt(view, 0).y());
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
}

TEST(TRichEdit, PlainTextIsOneUtf8LinePerParagraph)
{
    TRichEdit view;
    EXPECT_EQ(PlainText(view), "");
    Append(view, Sample);
    EXPECT_EQ(PlainText(view), "C:\\racine\\\n\tnotes.txt\t10\n\n\t\t\xC3\xA9t\xC3\xA9 {x}.txt\n");

    // A last line the user typed without a break is still a line.
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(&view, QStringLiteral("fin"));
    EXPECT_TRUE(PlainText(view).endsWith("{x}.txt\nfin\n"));

    // A refused write must not pass for a saved text, even one still in the file's buffer.
    QBuffer closed;
    EXPECT_THROW(view.WritePlainText(closed), EWriteError);
    QFile full(QStringLiteral("/dev/full"));
    ASSERT_TRUE(full.open(QIODevice::WriteOnly));
    EXPECT_THROW(view.WritePlainText(full), EWriteError);
    EXPECT_THROW(view.WriteRtf(full), EWriteError);
}

TEST(TRichEdit, RtfReadsBackAsTheSameParagraphsAndWeights)
{
    TRichEdit view;
    TFont font;
    font.Name = QStringLiteral("Courier New");
    font.SetSize(10);
    view.SetFont(font);
    Append(view, Sample);

    const QByteArray rtf = Output(view, &TRichEdit::WriteRtf);
    EXPECT_TRUE(rtf.contains("\\tab")) << rtf.constData();
    const TRtfDocument read = ReadRtf(rtf);
    ASSERT_TRUE(read.Ok()) << read.Error.toStdString();
    ASSERT_EQ(read.Paragraphs.size(), Sample.size());
    for (std::size_t i = 0; i < Sample.size(); ++i) {
        const TRtfParagraph &paragraph = read.Paragraphs[i];
        EXPECT_EQ(paragraph.Text(), Sample[i].first) << i;
        for (const TRtfRun &run : paragraph.Runs) {
            EXPECT_EQ(run.Bold, Sample[i].second) << i;
            EXPECT_EQ(run.HalfPoints, 20) << i;
        }
    }
    ASSERT_FALSE(read.Fonts.empty());
    EXPECT_EQ(read.Fonts.front().Name, QStringLiteral("Courier New"));

    // A bold font makes every run bold; text typed after the last break is a last paragraph.
    font.Style = {TFontStyle::fsBold};
    view.SetFont(font);
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(&view, QStringLiteral("fin"));
    const TRtfDocument bold = ReadRtf(Output(view, &TRichEdit::WriteRtf));
    ASSERT_TRUE(bold.Ok());
    ASSERT_EQ(bold.Paragraphs.size(), Sample.size() + 1);
    EXPECT_EQ(bold.Paragraphs.back().Text(), QStringLiteral("fin"));
    for (const TRtfParagraph &paragraph : bold.Paragraphs)
        for (const TRtfRun &run : paragraph.Runs)
            EXPECT_TRUE(run.Bold) << run.Text.toStdString();
}

TEST(TRichEdit, SaveToFileWritesTheRtfUnderExactlyTheNameGiven)
{
    TRichEdit view;
    Append(view, Sample);
    for (const std::string &name : FileNames) {
        SCOPED_TRACE(name);
        TTempTree tree;
        view.SaveToFile(tree.Path(name));
        EXPECT_EQ(FolderEntries(tree.Root()), std::vector<std::string>{name});
        EXPECT_EQ(Mode(tree.Path(name)), 0666u & ~CurrentUmask());
        const TRtfDocument read = ReadRtf(QByteArray::fromStdString(FileBytes(tree.Path(name))));
        ASSERT_TRUE(read.Ok()) << read.Error.toStdString();
        EXPECT_EQ(read.Paragraphs.size(), Sample.size());

        // An existing file is replaced and keeps its permissions; a link keeps pointing at it.
        tree.TextFile("real.rtf", "old");
        tree.Chmod("real.rtf", 0640);
        tree.Symlink("link " + name, "real.rtf");
        view.SaveToFile(tree.Path("link " + name));
        EXPECT_TRUE(FileBytes(tree.Path("real.rtf")).starts_with("{\\rtf"));
        EXPECT_EQ(Mode(tree.Path("real.rtf")), 0640u);
        EXPECT_TRUE(std::filesystem::is_symlink(tree.Path("link " + name)));
        EXPECT_EQ(FolderEntries(tree.Root()).size(), 3u);
    }
}

TEST(TRichEdit, SaveToFileThatCannotBeCreatedThrowsAndKeepsTheOldFile)
{
    TRichEdit view;
    view.AppendLine(u"text");
    for (const std::string &name : FileNames) {
        SCOPED_TRACE(name);
        TTempTree tree;
        const std::string missing = tree.Path("absent/" + name);
        try {
            view.SaveToFile(missing);
            ADD_FAILURE() << "no EFCreateError";
        } catch (const EFCreateError &error) {
            EXPECT_EQ(error.Message(), "Impossible de créer le fichier " + missing);
        }

        tree.Folder(name);
        EXPECT_THROW(view.SaveToFile(tree.Path(name)), EFCreateError);

        tree.TextFile("locked/" + name, "old");
        tree.Chmod("locked", 0555);
        const bool ran = tree.AsUnprivilegedUser(
            [&] { EXPECT_THROW(view.SaveToFile(tree.Path("locked/" + name)), EFCreateError); });
        EXPECT_TRUE(ran);
        EXPECT_EQ(FileBytes(tree.Path("locked/" + name)), "old");
        EXPECT_EQ(FolderEntries(tree.Path("locked")), std::vector<std::string>{name});
    }

    // The system would take the name only up to the NUL, which is another file.
    TTempTree tree;
    EXPECT_THROW(view.SaveToFile(tree.Path("a") + std::string(1, '\0') + "b"), EFCreateError);
    EXPECT_TRUE(FolderEntries(tree.Root()).empty());
}

TEST(TRichEdit, SaveToFileThatFailsPartWayKeepsTheOldFileAndLeavesNoTemporary)
{
    TRichEdit view;
    view.BeginUpdate();
    for (int i = 0; i < 50'000; ++i)
        view.AppendLine(u"\t\tfile_000123.txt");
    view.EndUpdate();

    for (const std::string &name : FileNames) {
        SCOPED_TRACE(name);
        TTempTree tree;
        tree.TextFile(name, "old");
        {
            const TFileSizeLimit limit(16 * 1024);
            EXPECT_THROW(view.SaveToFile(tree.Path(name)), EWriteError);
        }
        EXPECT_EQ(FileBytes(tree.Path(name)), "old");
        EXPECT_EQ(FolderEntries(tree.Root()), std::vector<std::string>{name});
    }
}

TEST(TRichEdit, SaveToFileWritesThroughADeviceAndLeavesItADevice)
{
    TRichEdit view;
    view.AppendLine(u"\tnotes.txt");
    TTempTree tree;
    MAKE_NULL_DEVICE_OR_SKIP(tree.Path("null.rtf"));
    view.SaveToFile(tree.Path("null.rtf"));
    EXPECT_TRUE(IsNullDevice(tree.Path("null.rtf")));
    EXPECT_EQ(FolderEntries(tree.Root()), std::vector<std::string>{"null.rtf"});
}

TEST(TRichEdit, SaveToFileWritesThroughAFifoToItsReaderAndLeavesItAFifo)
{
    TRichEdit view;
    view.AppendLine(u"\tnotes.txt");
    TTempTree tree;
    tree.Fifo("fifo.rtf");
    TFifoReader reader(tree.Path("fifo.rtf"));
    view.SaveToFile(tree.Path("fifo.rtf"));
    const QByteArray rtf = reader.Finish();
    EXPECT_TRUE(rtf.startsWith("{\\rtf1")) << rtf.left(40).toStdString();
    EXPECT_TRUE(rtf.contains("notes.txt"));
    EXPECT_TRUE(IsFifo(tree.Path("fifo.rtf")));
    EXPECT_EQ(FolderEntries(tree.Root()), std::vector<std::string>{"fifo.rtf"});
}
