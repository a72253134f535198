#include <QCheckBox>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/ui/paragraphview.h"

using namespace Qt::StringLiterals;

namespace {

// Counts the paint events of a widget.
class TPaintCounter : public QObject
{
public:
    explicit TPaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int Count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        Count += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

TEST(ParagraphViewFocus, TabAndShiftTabLeaveTheViewAndFocusChangesRepaintTheCaret)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *before = new QCheckBox(u"before"_s, &window);
    auto *view = new TParagraphView(&window);
    auto *after = new QCheckBox(u"after"_s, &window);
    layout->addWidget(before);
    layout->addWidget(view);
    layout->addWidget(after);
    view->Store().Append(u"ligne"_s, false);
    view->StoreChanged();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    before->setFocus();
    QTest::qWait(20);

    TPaintCounter paints(view->viewport());
    view->setFocus();
    QTest::qWait(20);
    EXPECT_GT(paints.Count, 0);
    QTest::keyClick(view, Qt::Key_Tab);
    EXPECT_TRUE(after->hasFocus());
    paints.Count = 0;
    QTest::qWait(20);
    EXPECT_GT(paints.Count, 0);

    view->setFocus();
    QTest::keyClick(view, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(before->hasFocus());
    EXPECT_EQ(view->Store().Slice(0, view->Store().Length()), u"ligne\n"_s);
}
