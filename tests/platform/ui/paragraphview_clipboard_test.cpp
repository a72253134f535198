#include <algorithm>
#include <fstream>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/ui/richedit.h"
#include "tests/support/gui/rtfreader.h"
#include "tests/support/libreoffice.h"
#include "tests/support/temptree.h"

namespace {

// A listing's shape: a bold heading, file lines with tabs, a character that needs escaping.
void FillListing(TRichEdit &view)
{
    TFont font;
    font.Name = QStringLiteral("Courier New");
    font.SetSize(10);
    view.SetFont(font);
    view.SetNextLineBold(true);
    view.AppendLine(u"Factures & <2024>");
    view.SetNextLineBold(false);
    view.AppendLine(u"\tmars.pdf\t\t88 Ko");
    view.AppendLine(u"\tavril.pdf\t\t91 Ko");
}

void WriteBytes(const std::string &path, const QByteArray &bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.constData(), bytes.size());
}

} // namespace

// A copy offers plain text, HTML and RTF: the headings bold, tabs kept, the view's font
// named, the RTF being that of the writer that saves the view.
TEST(ParagraphViewClipboard, ACopyOffersHtmlAndRtfWithTheHeadingsBold)
{
    TRichEdit view;
    FillListing(view);
    view.SelectAll();
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->hasFormat(QStringLiteral("text/html")));
    EXPECT_TRUE(copied->hasFormat(QStringLiteral("application/rtf")));
    EXPECT_EQ(
        copied->text(), QStringLiteral("Factures & <2024>\n\tmars.pdf\t\t88 Ko\n\tavril.pdf\t\t91 Ko\n"));

    const QString html = copied->html();
    EXPECT_TRUE(html.contains(u"<b>Factures &amp; &lt;2024&gt;</b><br>")) << html.toStdString();
    EXPECT_TRUE(html.contains(u"\tmars.pdf\t\t88 Ko<br>"));
    EXPECT_TRUE(html.contains(u"white-space:pre-wrap;font-family:'Courier New';font-size:10pt"));

    const TRtfDocument rtf = ReadRtf(copied->data(QStringLiteral("text/rtf")));
    ASSERT_TRUE(rtf.Ok()) << rtf.Error.toStdString();
    EXPECT_EQ(rtf.Texts(),
        QStringList({u"Factures & <2024>"_qs, u"\tmars.pdf\t\t88 Ko"_qs, u"\tavril.pdf\t\t91 Ko"_qs}));
    ASSERT_FALSE(rtf.Paragraphs[0].Runs.empty());
    EXPECT_TRUE(rtf.Paragraphs[0].Runs[0].Bold);
    EXPECT_FALSE(rtf.Paragraphs[1].Runs[0].Bold);
    EXPECT_EQ(rtf.Fonts.at(0).Name, QStringLiteral("Courier New"));
    EXPECT_EQ(copied->data(QStringLiteral("application/rtf")), copied->data(QStringLiteral("text/rtf")));

    // Part of a line: its own weight, nothing more.
    view.SetCaret(1);
    view.SetCaret(8, true);
    const auto part = view.SelectionMimeData();
    EXPECT_EQ(part->text(), QStringLiteral("actures"));
    EXPECT_TRUE(part->html().contains(u"<b>actures</b></div>"));
}

// Ctrl+Y redoes, beside the platform's Ctrl+Shift+Z.
TEST(ParagraphViewClipboard, CtrlYRedoes)
{
    TRichEdit view;
    view.SetReadOnly(false);
    QTest::keyClicks(&view, QStringLiteral("abc"));
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.GetTextLen(), 0);
    QTest::keyClick(&view, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(view.Store().Text(0), QStringLiteral("abc"));
}

// A selection made with the mouse or Shift and the arrows becomes the primary selection
// where the window system has one (X11: this test runs under Xvfb in the suite).
TEST(ParagraphViewClipboard, ASelectionFillsThePrimarySelection)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection())
        GTEST_SKIP() << "no primary selection on this platform (run under X11)";
    TRichEdit view;
    FillListing(view);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.SetCaret(0);
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return clipboard->text(QClipboard::Selection) == u"Fa"; }));

    // Just inside the left edges of the first character and of the blank after the word.
    const auto leftEdge = [&](std::int64_t position) {
        const QRectF box = view.CharacterRect(position);
        return QPoint(int(box.left()) + 1, int(box.center().y()));
    };
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, leftEdge(0));
    QTest::mouseMove(view.viewport(), leftEdge(8));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, leftEdge(8));
    EXPECT_TRUE(QTest::qWaitFor([&] { return clipboard->text(QClipboard::Selection) == u"Factures"; }))
        << clipboard->text(QClipboard::Selection).toStdString();
}

// What a word processor is given keeps the headings bold: LibreOffice Writer reads the
// copy's RTF and HTML bytes and gives the heading back in bold.
TEST(ParagraphViewClipboard, WriterReadsTheCopyWithTheHeadingBold)
{
    ASSERT_TRUE(LibreOfficeAvailable()) << "soffice is missing (package libreoffice-writer-nogui)";
    TRichEdit view;
    FillListing(view);
    view.SelectAll();
    const auto copied = view.SelectionMimeData();
    TTempTree tree;
    WriteBytes(tree.Path("clip.rtf"), copied->data(QStringLiteral("text/rtf")));
    WriteBytes(tree.Path("clip-html.html"),
        "<html><body>" + copied->data(QStringLiteral("text/html")) + "</body></html>");
    for (const char *file : {"clip.rtf", "clip-html.html"}) {
        auto html = ConvertWithLibreOffice(tree.Path(file), "html", tree.Path("out"));
        ASSERT_TRUE(html) << file;
        std::replace(html->begin(), html->end(), '\n', ' '); // Writer wraps its lines
        EXPECT_NE(html->find("<b>Factures &amp; &lt;2024&gt;</b>"), std::string::npos) << file << "\n"
                                                                                       << *html;
        EXPECT_EQ(html->find("<b>\tmars.pdf"), std::string::npos) << file;
    }
}
