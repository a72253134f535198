#include <QFontMetricsF>
#include <QScrollBar>
#include <QString>

#include <gtest/gtest.h>

#include "platform/ui/paragraphview.h"

namespace {

void Fill(TParagraphView &view, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i)
        view.Store().Append(QString(u"\tfichier " + QString::number(i)), i % 10 == 0);
    view.StoreChanged();
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
