#include <initializer_list>
#include <utility>

#include <QAccessible>
#include <QClipboard>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QString>
#include <QTest>
#include <QTextCharFormat>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "platform/ui/paragraphview.h"
#include "tests/support/gui/paragraphviewshow.h"

using namespace Qt::StringLiterals;

namespace {

void Fill(TParagraphView &view, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i)
        view.Store().Append(QString(u"\tfichier " + QString::number(i)), i % 10 == 0);
    view.StoreChanged();
}

// "mot0 mot1 ... mot29 ": a paragraph that wraps in a narrow view.
QString ThirtyWords()
{
    QString words;
    for (int i = 0; i < 30; ++i)
        words += u"mot" + QString::number(i) + u' ';
    return words;
}

QString Whole(const TParagraphView &view)
{
    return view.Store().Slice(0, view.Store().Length());
}

} // namespace

TEST(ParagraphView, AShortTextNeedsNoScrolling)
{
    TParagraphView view;
    view.resize(400, 300);
    Fill(view, 5);
    view.show();
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 0);
    view.grab();
    EXPECT_EQ(view.LaidOutParagraphs(), 6u); // the five lines and the empty last one
}

TEST(ParagraphView, TheScrollBarCountsParagraphsAndTheEndLaysOutOneScreenful)
{
    constexpr qsizetype Count = 2'000'000;
    TParagraphView view;
    view.resize(400, 300);
    view.show();
    Fill(view, Count);

    // The last screenful starts where the paragraphs after it just fill the view.
    QScrollBar &bar = *view.verticalScrollBar();
    const qsizetype lastScreenful = Count + 1 - bar.pageStep();
    EXPECT_EQ(bar.maximum(), lastScreenful);
    const qreal lineHeight = QFontMetricsF(view.font()).height();
    EXPECT_LE(bar.pageStep() * lineHeight, view.viewport()->height());
    EXPECT_GT((bar.pageStep() + 1) * lineHeight, view.viewport()->height() - 8);

    // Dragging the bar to the end lays out what is shown there and nothing else.
    bar.setValue(bar.maximum());
    view.grab();
    EXPECT_EQ(view.FirstVisibleParagraph(), lastScreenful);
    EXPECT_LE(view.LaidOutParagraphs(), std::size_t(bar.pageStep() + 1));
    bar.setValue(Count / 2);
    view.grab();
    EXPECT_EQ(view.FirstVisibleParagraph(), Count / 2);
    EXPECT_LE(view.LaidOutParagraphs(), std::size_t(bar.pageStep() + 2));

    // So do the keys and the wheel that go there.
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    view.grab();
    EXPECT_EQ(bar.value(), bar.maximum());
    EXPECT_LE(view.LaidOutParagraphs(), std::size_t(bar.pageStep() + 2));
    QTest::keyClick(&view, Qt::Key_PageUp);
    EXPECT_LT(bar.value(), bar.maximum());
    const int pageUp = bar.value();
    QWheelEvent wheel(QPointF(20, 20), view.viewport()->mapToGlobal(QPoint(20, 20)), QPoint(), QPoint(0, 120),
        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view.viewport(), &wheel);
    view.grab();
    EXPECT_EQ(bar.value(), pageUp - 3);
    EXPECT_LE(view.LaidOutParagraphs(), std::size_t(bar.pageStep() + 2));
}

TEST(ParagraphView, AParagraphWrappedAtTheViewsWidthTakesSeveralLinesOfTheLastScreenful)
{
    TParagraphView view;
    view.resize(400, 300);
    view.show();
    Fill(view, 100);
    const int unwrapped = view.verticalScrollBar()->maximum();
    QString words;
    for (int i = 0; i < 40; ++i)
        words += u"mot" + QString::number(i) + u' ';
    view.Store().Append(words, true);
    view.StoreChanged();
    const int wide = view.verticalScrollBar()->maximum();
    EXPECT_GT(wide, unwrapped + 1); // one paragraph more, but on several lines
    view.resize(250, 300);
    const int narrow = view.verticalScrollBar()->maximum();
    EXPECT_GT(narrow, wide);
    EXPECT_LT(narrow, view.Store().Count() - 2);
}

TEST(ParagraphViewKeys, TypingDeletingEnterAndPasteEditTheStoreAndUndoStepByStep)
{
    TParagraphView view;
    ShowFocused(view, {{u"Titre", true}, {u"ligne", false}});

    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view.Caret(), 12);
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_End);
    QTest::keyClicks(&view, u"s!"_s);
    EXPECT_EQ(Whole(view), u"Titres!\nligne\n"_s);
    QTest::keyClick(&view, Qt::Key_Backspace);
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_EQ(Whole(view), u"Titres\n\nligne\n"_s);
    EXPECT_TRUE(view.Store().Bold(1)); // Enter in a heading makes a heading

    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_EQ(Whole(view), u"Titres\nligne\n"_s);
    QGuiApplication::clipboard()->setText(u"a\tb\nc"_s);
    QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Whole(view), u"Titres\na\tb\ncligne\n"_s);
    EXPECT_EQ(view.Caret(), 12);

    // Paste, Delete, Enter, Backspace, "s!" typed: five steps back to the start.
    const QString steps[] = {u"Titres\nligne\n"_s, u"Titres\n\nligne\n"_s, u"Titres\nligne\n"_s,
        u"Titres!\nligne\n"_s, u"Titre\nligne\n"_s};
    for (const QString &expected : steps) {
        QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(Whole(view), expected);
    }
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Whole(view), u"Titres!\nligne\n"_s);
    QTest::keyClick(&view, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Whole(view), u"Titres\nligne\n"_s);
}

TEST(ParagraphViewKeys, SelectionByKeysSelectAllAndCopyAsPlainText)
{
    TParagraphView view;
    ShowFocused(view, {{u"Titre", true}, {u"\tfichier\t10", false}});

    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(view.SelectedText(), u"it"_s);
    QTest::keyClick(&view, Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(view.SelectedText(), u"itre\n\tfichier\t10\n"_s);
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"itre\n\tfichier\t10\n"_s);

    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view.SelectedText(), u"Titre\n\tfichier\t10\n"_s);
    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_EQ(view.SelectedText(), QString());
    // Typing replaces the selection.
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClicks(&view, u"x"_s);
    EXPECT_EQ(Whole(view), u"x\n"_s);
}

TEST(ParagraphViewKeys, TheCaretIsKeptInSight)
{
    TParagraphView view;
    view.resize(400, 300);
    view.show();
    view.setFocus();
    Fill(view, 100000);
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(view.verticalScrollBar()->value(), 0);
}

namespace {

// A point on paragraph `paragraph` of a view showing short unwrapped lines from the top,
// `x` pixels into the text.
QPoint OnLine(const TParagraphView &view, int paragraph, int x)
{
    const qreal lineHeight = QFontMetricsF(view.font()).height();
    return QPoint(4 + x, int(4 + (paragraph + 0.5) * lineHeight));
}

} // namespace

TEST(ParagraphViewMouse, PressDragShiftClickAndDoubleClickSelect)
{
    TParagraphView view;
    view.resize(400, 300);
    view.Store().Append(u"Titre", true);
    view.Store().Append(u"un deux trois", false);
    view.Store().Append(u"fin", false);
    view.StoreChanged();
    view.show();
    QWidget *area = view.viewport();

    QTest::mouseClick(area, Qt::LeftButton, {}, OnLine(view, 1, -2));
    EXPECT_EQ(view.Caret(), 6);
    EXPECT_EQ(view.SelectedText(), QString());
    QTest::mouseClick(area, Qt::LeftButton, Qt::ShiftModifier, OnLine(view, 2, 300));
    EXPECT_EQ(view.SelectedText(), u"un deux trois\nfin"_s);

    // Pressed at the start of the first line and dragged to the end of the second.
    QTest::mousePress(area, Qt::LeftButton, {}, OnLine(view, 0, -2));
    QMouseEvent move(QEvent::MouseMove, OnLine(view, 1, 300), area->mapToGlobal(OnLine(view, 1, 300)),
        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(area, &move);
    QTest::mouseRelease(area, Qt::LeftButton, {}, OnLine(view, 1, 300));
    EXPECT_EQ(view.SelectedText(), u"Titre\nun deux trois"_s);

    // "deux" starts after "un " and the word's middle is inside it.
    const int middleOfDeux = int(QFontMetricsF(view.font()).horizontalAdvance(u"un de"_s));
    QTest::mouseDClick(area, Qt::LeftButton, {}, OnLine(view, 1, middleOfDeux));
    EXPECT_EQ(view.SelectedText(), u"deux"_s);
}

TEST(ParagraphViewInput, TheInputMethodCommitsAtTheCaretAndReadsTheParagraphAroundIt)
{
    TParagraphView view;
    ShowFocused(view, {{u"Titre", true}, {u"ligne", false}});
    view.grab();
    view.SetCaret(8);
    EXPECT_TRUE(view.testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_EQ(view.inputMethodQuery(Qt::ImSurroundingText).toString(), u"ligne"_s);
    EXPECT_EQ(view.inputMethodQuery(Qt::ImCursorPosition).toInt(), 2);
    const QRectF caret = view.inputMethodQuery(Qt::ImCursorRectangle).toRectF();
    EXPECT_GT(caret.top(), QFontMetricsF(view.font()).height() / 2); // on the second line
    EXPECT_GT(caret.left(), 4);

    QInputMethodEvent composing(u"é"_s, {});
    QCoreApplication::sendEvent(&view, &composing);
    EXPECT_EQ(Whole(view), u"Titre\nligne\n"_s);
    QInputMethodEvent commit;
    commit.setCommitString(u"ça"_s);
    QCoreApplication::sendEvent(&view, &commit);
    EXPECT_EQ(Whole(view), u"Titre\nliçagne\n"_s);
    EXPECT_EQ(view.inputMethodQuery(Qt::ImCursorPosition).toInt(), 4);
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Whole(view), u"Titre\nligne\n"_s);
}

TEST(ParagraphViewInput, WhatTheInputMethodComposesIsShownAtTheCaretWithItsFormatsButStaysOutOfTheStore)
{
    TParagraphView view;
    ShowFocused(view, {{u"Titre", true}, {u"ligne", false}});
    view.SetCaret(8); // li|gne
    const QImage plain = view.grab().toImage();
    const QRectF caret = view.inputMethodQuery(Qt::ImCursorRectangle).toRectF();

    // "ab" composed, the input method's caret after the "a", the whole underlined.
    QTextCharFormat underline;
    underline.setFontUnderline(true);
    const QList<QInputMethodEvent::Attribute> caretAfterA{{QInputMethodEvent::Cursor, 1, 1, {}}};
    QInputMethodEvent composing(u"ab"_s, caretAfterA);
    QCoreApplication::sendEvent(&view, &composing);
    EXPECT_EQ(Whole(view), u"Titre\nligne\n"_s);
    const QImage composed = view.grab().toImage();
    EXPECT_NE(composed, plain);
    const qreal a = QFontMetricsF(view.font()).horizontalAdvance(u"a"_s);
    const QRectF inPreedit = view.inputMethodQuery(Qt::ImCursorRectangle).toRectF();
    EXPECT_NEAR(inPreedit.left(), caret.left() + a, 1);
    EXPECT_EQ(inPreedit.top(), caret.top());
    EXPECT_EQ(view.inputMethodQuery(Qt::ImSurroundingText).toString(), u"ligne"_s);
    EXPECT_EQ(view.inputMethodQuery(Qt::ImCursorPosition).toInt(), 2);
    EXPECT_EQ(view.inputMethodQuery(Qt::ImAnchorPosition).toInt(), 2);
    EXPECT_EQ(view.inputMethodQuery(Qt::ImTextBeforeCursor).toString(), u"li"_s);
    EXPECT_EQ(view.inputMethodQuery(Qt::ImTextAfterCursor).toString(), u"gne"_s);
    // A point after the composed text is still a column of the stored line.
    const qreal secondLine = 4 + 1.5 * QFontMetricsF(view.font()).height();
    EXPECT_EQ(view.PositionAt(QPointF(300, secondLine)), 11);

    QList<QInputMethodEvent::Attribute> underlined = caretAfterA;
    underlined << QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat, 0, 2, underline);
    QInputMethodEvent formatted(u"ab"_s, underlined);
    QCoreApplication::sendEvent(&view, &formatted);
    EXPECT_NE(view.grab().toImage(), composed);

    // The commit goes into the store, and the composed text goes away.
    QInputMethodEvent commit;
    commit.setCommitString(u"ça"_s);
    QCoreApplication::sendEvent(&view, &commit);
    EXPECT_EQ(Whole(view), u"Titre\nliçagne\n"_s);
    EXPECT_EQ(view.inputMethodQuery(Qt::ImCursorPosition).toInt(), 4);
    EXPECT_NEAR(view.inputMethodQuery(Qt::ImCursorRectangle).toRectF().left(),
        caret.left() + QFontMetricsF(view.font()).horizontalAdvance(u"ça"_s), 1);

    // A click while composing leaves the store as it is (no input method here commits).
    QCoreApplication::sendEvent(&view, &composing);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(300, int(secondLine)));
    EXPECT_EQ(Whole(view), u"Titre\nliçagne\n"_s);
    EXPECT_EQ(view.Caret(), 13);
    EXPECT_EQ(view.inputMethodQuery(Qt::ImCursorPosition).toInt(), 7);

    // It may select in the caret's paragraph.
    QInputMethodEvent select(QString(), {{QInputMethodEvent::Selection, 2, 3, {}}});
    QCoreApplication::sendEvent(&view, &select);
    EXPECT_EQ(view.SelectedText(), u"ça"_s.append(u'g'));
}

TEST(ParagraphViewKeys, UpDownAndPagesMoveByShownLinesAndAimAtTheColumnTheyStartedFrom)
{
    TParagraphView view;
    view.resize(200, 300);
    view.Store().Append(u"abcdef", false);
    view.Store().Append(u"", false);
    view.Store().Append(u"abcdef", false);
    view.Store().Append(ThirtyWords(), false);
    view.StoreChanged();
    view.show();
    view.setFocus();

    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(view.Caret(), 7); // the empty line
    QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(view.Caret(), 10); // the column it started from, not the empty line's
    EXPECT_EQ(view.SelectedText(), u"\nab"_s);
    QTest::keyClick(&view, Qt::Key_Up);
    QTest::keyClick(&view, Qt::Key_Up);
    EXPECT_EQ(view.Caret(), 2);
    QTest::keyClick(&view, Qt::Key_Up);
    EXPECT_EQ(view.Caret(), 2);
    // Any other move starts afresh from where it leaves the caret.
    QTest::keyClick(&view, Qt::Key_Left);
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(view.Caret(), 9);

    // The long paragraph wraps: Down goes to its second shown line, not past it.
    const std::int64_t longStart = view.Store().Position(3);
    view.SetCaret(longStart);
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_GT(view.Caret(), longStart);
    EXPECT_LT(view.Caret(), longStart + 30);

    // A page down and a page up come back to where they started.
    Fill(view, 1000);
    view.SetCaret(0);
    QTest::keyClick(&view, Qt::Key_PageDown);
    const qsizetype after = view.Store().ParagraphAt(view.Caret());
    EXPECT_GT(after, 3);
    EXPECT_GE(view.verticalScrollBar()->value(), 1);
    QTest::keyClick(&view, Qt::Key_PageUp);
    EXPECT_EQ(view.Caret(), 0);
    EXPECT_EQ(view.verticalScrollBar()->value(), 0);
}

TEST(ParagraphViewKeys, HomeAndEndKeepToTheShownLineAndControlArrowsMoveByWords)
{
    TParagraphView view;
    view.resize(200, 300);
    view.Store().Append(u"un deux trois", false);
    const QString words = ThirtyWords();
    view.Store().Append(words, false);
    view.StoreChanged();
    view.show();
    view.setFocus();

    // The long paragraph's second shown line, from its middle.
    const std::int64_t longStart = view.Store().Position(1);
    view.SetCaret(longStart);
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Home);
    const std::int64_t lineStart = view.Caret();
    EXPECT_GT(lineStart, longStart);
    EXPECT_EQ(words.at(lineStart - longStart - 1), u' '); // a shown line starts a word
    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_End);
    const std::int64_t lineEnd = view.Caret();
    EXPECT_LT(lineEnd, longStart + words.size() - 1);
    EXPECT_EQ(words.at(lineEnd - longStart), u' '); // before the space the line wraps at
    QTest::keyClick(&view, Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(view.SelectedText(), words.mid(lineStart - longStart, lineEnd - lineStart));
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view.Caret(), view.Store().Length());
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(view.Caret(), 0);

    // Control+Right goes to the start of the next word, and over a paragraph break.
    std::vector<std::int64_t> stops;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(&view, Qt::Key_Right, Qt::ControlModifier);
        stops.push_back(view.Caret());
    }
    EXPECT_EQ(stops, (std::vector<std::int64_t>{3, 8, 13, 14, 19}));
    stops.clear();
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(&view, Qt::Key_Left, Qt::ControlModifier);
        stops.push_back(view.Caret());
    }
    EXPECT_EQ(stops, (std::vector<std::int64_t>{14, 13, 8, 3, 0}));
    QTest::keyClick(&view, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view.SelectedText(), u"un "_s);
}

TEST(ParagraphViewKeys, BackspaceAndDeleteTakeWholeCharactersOrWithControlWords)
{
    TParagraphView view;
    ShowFocused(view, {{u"a\U0001F600b un deux", false}});

    view.SetCaret(3); // after the emoji's two halves
    QTest::keyClick(&view, Qt::Key_Backspace);
    EXPECT_EQ(Whole(view), u"ab un deux\n"_s);
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    view.SetCaret(1);
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_EQ(Whole(view), u"ab un deux\n"_s);

    QTest::keyClick(&view, Qt::Key_End);
    QTest::keyClick(&view, Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(Whole(view), u"ab un \n"_s);
    QTest::keyClick(&view, Qt::Key_Home);
    QTest::keyClick(&view, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Whole(view), u"un \n"_s);
    QTest::keyClick(&view, Qt::Key_Backspace, Qt::ControlModifier); // at the start: nothing
    EXPECT_EQ(Whole(view), u"un \n"_s);
}

TEST(ParagraphViewAccessibility, AssistiveTechnologiesReadTheTextCaretAndSelection)
{
    TParagraphView view;
    view.Store().Append(u"Titre", true);
    view.Store().Append(u"ligne", false);
    view.StoreChanged();
    view.show();

    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::EditableText);
    EXPECT_TRUE(accessible->state().editable);
    QAccessibleTextInterface *text = accessible->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->characterCount(), 12);
    EXPECT_EQ(text->text(3, 8), u"re\nli"_s);

    view.SetCaret(2);
    view.SetCaret(7, true);
    EXPECT_EQ(text->cursorPosition(), 7);
    ASSERT_EQ(text->selectionCount(), 1);
    int from = -1, to = -1;
    text->selection(0, &from, &to);
    EXPECT_EQ(std::pair(from, to), std::pair(2, 7));

    // And they move it.
    text->setSelection(0, 6, 11);
    EXPECT_EQ(view.SelectedText(), u"ligne"_s);
    text->setCursorPosition(1);
    EXPECT_EQ(view.Caret(), 1);
    EXPECT_EQ(text->selectionCount(), 0);
    // Where each character is, for magnifiers and reading by pointer, on the screen.
    view.grab();
    const QRect t = text->characterRect(0), i = text->characterRect(1), n = text->characterRect(8);
    ASSERT_FALSE(t.isEmpty());
    EXPECT_EQ(t.top(), i.top());
    EXPECT_LT(t.left(), i.left());
    EXPECT_GT(n.top(), t.bottom() - 1); // "n" is on the second line
    for (int offset : {0, 1, 4, 6, 8, 10}) {
        const QRect box = text->characterRect(offset); // a point in its first quarter
        EXPECT_EQ(text->offsetAtPoint(QPoint(box.left() + box.width() / 4, box.center().y())), offset)
            << offset;
    }
    EXPECT_EQ(text->offsetAtPoint(view.viewport()->mapToGlobal(QPoint(-50, -50))), -1);
}
