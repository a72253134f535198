#include <set>

#include <QFontMetricsF>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "platform/ui/paragraphview.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int TallLines = 200;

// Turns the wheel by `notches` (negative: towards the person, scrolling down).
void Wheel(TParagraphView &view, int notches)
{
    const QPointF at(20, 20);
    QWheelEvent event(at, view.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view.viewport(), &event);
}

// A view of "avant", a paragraph of TallLines lines "ligne 0" to "ligne 199" (line
// separators), and "après".
class ParagraphViewTallTest : public ::testing::Test
{
protected:
    ParagraphViewTallTest()
    {
        m_view.resize(300, 200);
        m_view.Store().Append(u"avant", false);
        QStringList lines;
        for (int i = 0; i < TallLines; ++i)
            lines << u"ligne "_s + QString::number(i);
        m_view.Store().Append(lines.join(u'\n'), false);
        m_view.Store().Append(u"après", false);
        m_view.StoreChanged();
        m_view.show();
        m_view.setFocus();
    }

    // The line of the tall paragraph shown at y, or -1.
    int TallLineAt(qreal y) const
    {
        const std::int64_t start = m_view.Store().Position(1);
        const std::int64_t position = m_view.PositionAt(QPointF(1, y));
        if (position < start || position >= m_view.Store().Position(2))
            return -1;
        return int(m_view.Store().Slice(start, position).count(QChar::LineSeparator));
    }

    // Marks the lines of the tall paragraph wholly in sight.
    void MarkShownLines(std::set<int> &shown) const
    {
        const qreal lineHeight = QFontMetricsF(m_view.font()).height();
        for (qreal y = 4 + lineHeight / 2; y + lineHeight / 2 <= m_view.viewport()->height(); y += lineHeight)
            if (const int line = TallLineAt(y); line >= 0)
                shown.insert(line);
    }

    bool CaretInSight() const
    {
        const QRectF caret = m_view.CaretRect();
        return !caret.isEmpty() && caret.top() >= 0 && caret.bottom() <= m_view.viewport()->height();
    }

    TParagraphView m_view;
};

} // namespace

TEST_F(ParagraphViewTallTest, TheWheelScrollsThroughEveryLineOfAParagraphTenTimesTheViewsHeight)
{
    ASSERT_GT(TallLines * QFontMetricsF(m_view.font()).height(), 10 * m_view.viewport()->height());
    std::set<int> shown;
    MarkShownLines(shown);
    // Each notch scrolls three lines: "avant" and the tall paragraph's first two.
    Wheel(m_view, -1);
    EXPECT_EQ(TallLineAt(5), 2);
    for (int notch = 0; notch < TallLines; ++notch) {
        MarkShownLines(shown);
        const int top = TallLineAt(5);
        Wheel(m_view, -1);
        if (TallLineAt(5) == top)
            break; // the end
    }
    EXPECT_EQ(shown.size(), std::size_t(TallLines));
    EXPECT_EQ(m_view.verticalScrollBar()->value(), 1);
    EXPECT_EQ(m_view.PositionAt(QPointF(1, m_view.viewport()->height() - 6)), m_view.Store().Length());

    // Back up it returns to the top.
    const int last = TallLineAt(5);
    Wheel(m_view, 1);
    EXPECT_EQ(TallLineAt(5), last - 3);
    Wheel(m_view, 100);
    EXPECT_EQ(m_view.PositionAt(QPointF(1, 5)), 0);
}

TEST_F(ParagraphViewTallTest, TheCaretTakesTheViewAlongThroughATallParagraphLineByLine)
{
    const std::int64_t start = m_view.Store().Position(1);
    m_view.SetCaret(start);
    for (int line = 1; line < TallLines; ++line) {
        QTest::keyClick(&m_view, Qt::Key_Down);
        ASSERT_TRUE(CaretInSight()) << line;
        EXPECT_EQ(m_view.Store().Slice(start, m_view.Caret()).count(QChar::LineSeparator), line);
    }
    const int bottom = TallLineAt(m_view.CaretRect().center().y());
    EXPECT_EQ(bottom, TallLines - 1);
    EXPECT_GT(TallLineAt(5), TallLines - 20); // the view scrolled along, not to the paragraph's top
    for (int line = TallLines - 2; line >= 0; --line) {
        QTest::keyClick(&m_view, Qt::Key_Up);
        ASSERT_TRUE(CaretInSight()) << line;
    }
    EXPECT_EQ(m_view.Caret(), start);

    // A caret put anywhere in the paragraph is brought into sight.
    for (std::int64_t position = start; position < m_view.Store().Position(2); position += 97) {
        m_view.SetCaret(position);
        ASSERT_TRUE(CaretInSight()) << position;
    }
}

TEST_F(ParagraphViewTallTest, ADragPastTheViewsEdgesScrollsItAlong)
{
    Wheel(m_view, -10);
    const int top = TallLineAt(5);
    QWidget *area = m_view.viewport();
    QTest::mousePress(area, Qt::LeftButton, {}, QPoint(2, 60));
    const std::int64_t pressed = m_view.Caret();
    for (int move = 1; move <= 4; ++move) {
        QMouseEvent up(QEvent::MouseMove, QPointF(2, -10), area->mapToGlobal(QPointF(2, -10)), Qt::NoButton,
            Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(area, &up);
        EXPECT_EQ(TallLineAt(5), top - move);
    }
    EXPECT_EQ(m_view.Anchor(), pressed);
    const std::int64_t start = m_view.Store().Position(1);
    EXPECT_EQ(m_view.Store().Slice(start, m_view.Caret()).count(QChar::LineSeparator), top - 4);
    const qreal below = area->height() + 10;
    for (int move = 1; move <= 12; ++move) {
        QMouseEvent down(QEvent::MouseMove, QPointF(2, below), area->mapToGlobal(QPointF(2, below)),
            Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(area, &down);
    }
    EXPECT_GT(TallLineAt(5), top);
    QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(2, int(below)));
    EXPECT_EQ(m_view.Anchor(), pressed);
}

TEST_F(ParagraphViewTallTest, TheBarsEndShowsTheEndOfATallLastParagraph)
{
    QStringList lines;
    for (int i = 0; i < TallLines; ++i)
        lines << u"fin "_s + QString::number(i);
    m_view.Store().Replace(
        m_view.Store().Length(), m_view.Store().Length(), lines.join(QChar::LineSeparator));
    m_view.StoreChanged();
    QScrollBar &bar = *m_view.verticalScrollBar();
    EXPECT_EQ(bar.maximum(), 3); // the last paragraph is the whole last screenful
    bar.setValue(bar.maximum());
    EXPECT_EQ(m_view.PositionAt(QPointF(200, m_view.viewport()->height() - 6)), m_view.Store().Length());
    bar.setValue(1);
    EXPECT_EQ(TallLineAt(5), 0);
    bar.setValue(0);
    EXPECT_EQ(m_view.PositionAt(QPointF(1, 5)), 0);
}
