#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QStyleHints>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/ui/paragraphview.h"

using namespace Qt::StringLiterals;

namespace {

// Counts the events of one type that an object receives.
class TEventCounter : public QObject
{
public:
    TEventCounter(QObject *object, QEvent::Type type)
        : m_type(type)
    {
        object->installEventFilter(this);
    }
    int Count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        Count += event->type() == m_type;
        return false;
    }

private:
    QEvent::Type m_type;
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

    TEventCounter paints(view->viewport(), QEvent::Paint);
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

TEST(ParagraphViewFocus, TheCaretBlinksOnlyWhileTheViewHasTheFocusAndIsShown)
{
    const int flashTime = QGuiApplication::styleHints()->cursorFlashTime();
    QGuiApplication::styleHints()->setCursorFlashTime(100);
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *other = new QCheckBox(u"other"_s, &window);
    auto *view = new TParagraphView(&window);
    layout->addWidget(other);
    layout->addWidget(view);
    view->Store().Append(u"ligne"_s, false);
    view->StoreChanged();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    TEventCounter ticks(view, QEvent::Timer);
    view->setFocus();
    QTest::qWait(300);
    EXPECT_GE(ticks.Count, 2);
    other->setFocus();
    ticks.Count = 0;
    QTest::qWait(300);
    EXPECT_EQ(ticks.Count, 0);

    // Another window taken to the front, or this one hidden: no more ticks.
    view->setFocus();
    QWidget front;
    front.show();
    front.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&front));
    ticks.Count = 0;
    QTest::qWait(300);
    EXPECT_EQ(ticks.Count, 0);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_TRUE(view->hasFocus());
    window.hide();
    ticks.Count = 0;
    QTest::qWait(300);
    EXPECT_EQ(ticks.Count, 0);
    QGuiApplication::styleHints()->setCursorFlashTime(flashTime);
}

TEST(ParagraphViewFocus, TheWindowsShortcutsDoNotTakeTheKeysTheViewActsOn)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *view = new TParagraphView(&window);
    layout->addWidget(view);
    view->Store().Append(u"ligne"_s, false);
    view->StoreChanged();
    std::vector<QString> triggered;
    for (const QKeySequence &keys : {QKeySequence(QKeySequence::Copy), QKeySequence(Qt::Key_Delete),
             QKeySequence(Qt::Key_End), QKeySequence(Qt::Key_X)}) {
        auto *action = new QAction(&window);
        action->setShortcut(keys);
        QObject::connect(
            action, &QAction::triggered, [&triggered, keys] { triggered.push_back(keys.toString()); });
        window.addAction(action);
    }
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    view->setFocus();

    QGuiApplication::clipboard()->clear();
    QTest::keyClick(view, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"ligne"_s);
    QTest::keyClick(view, Qt::Key_Delete);
    QTest::keyClick(view, Qt::Key_X);
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_EQ(view->Store().Slice(0, view->Store().Length()), u"x\n"_s);
    EXPECT_TRUE(triggered.empty());

    // Read-only, the view leaves the editing keys to the window.
    view->SetReadOnly(true);
    QTest::keyClick(view, Qt::Key_Delete);
    QTest::keyClick(view, Qt::Key_X);
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_EQ(triggered, (std::vector<QString>{u"Del"_s, u"X"_s}));
    EXPECT_EQ(view->Store().Slice(0, view->Store().Length()), u"x\n"_s);
}
