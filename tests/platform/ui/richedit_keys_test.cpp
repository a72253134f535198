#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/system/qtext.h"
#include "platform/ui/richedit.h"
#include "tests/support/gui/viewtext.h"

namespace {

// The view between two other controls of a window, as the main window has it.
class RichEditKeysTest : public ::testing::Test
{
protected:
    RichEditKeysTest()
    {
        auto *layout = new QVBoxLayout(&m_window);
        m_before = new QCheckBox(QStringLiteral("before"), &m_window);
        m_view = new TRichEdit(&m_window);
        m_after = new QCheckBox(QStringLiteral("after"), &m_window);
        layout->addWidget(m_before);
        layout->addWidget(m_view);
        layout->addWidget(m_after);
        m_window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_window));
        Read({"folder", "\tfile\t\t\t\t\t\t\t2 Ko"});
    }

    // Writes the lines as a read does.
    void Read(std::initializer_list<const char *> lines)
    {
        m_view->Clear();
        m_view->BeginUpdate();
        for (const char *line : lines)
            m_view->AppendLine(ToQString(line));
        m_view->EndUpdate();
    }

    QString Text() const { return m_view->Store().Slice(0, m_view->GetTextLen()); }

    QWidget m_window;
    QCheckBox *m_before = nullptr;
    TRichEdit *m_view = nullptr;
    QCheckBox *m_after = nullptr;
};

} // namespace

TEST_F(RichEditKeysTest, TabMovesTheFocusOnInsteadOfTypingATab)
{
    const QString read = Text();
    m_view->setFocus();
    ASSERT_TRUE(m_view->hasFocus());
    QTest::keyClick(m_view, Qt::Key_Tab);
    EXPECT_TRUE(m_after->hasFocus());
    EXPECT_EQ(Text(), read);
    m_view->setFocus();
    QTest::keyClick(m_view, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(m_before->hasFocus());
    EXPECT_EQ(Text(), read);
}

TEST_F(RichEditKeysTest, TypingDeletingAndPastingAreUndoneAndANewReadStartsAfresh)
{
    const QString read = Text();
    m_view->setFocus();
    QTest::keyClick(m_view, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(m_view, QStringLiteral("note"));
    EXPECT_EQ(Text(), read + QStringLiteral("note"));
    QTest::keyClick(m_view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Text(), read);

    QTest::keyClick(m_view, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(m_view, Qt::Key_Delete);
    EXPECT_EQ(Text(), read.mid(1));
    QTest::keyClick(m_view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Text(), read);

    m_view->SelectAll();
    QTest::keyClick(m_view, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(m_view, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(m_view, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Text(), read + read);
    QTest::keyClick(m_view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Text(), read);

    // The context menu offers Undo after an edit.
    QTest::keyClicks(m_view, QStringLiteral("x"));
    std::unique_ptr<QMenu> menu(m_view->createStandardContextMenu());
    bool undoEnabled = false;
    for (const QAction *action : menu->actions())
        undoEnabled = undoEnabled || (action->text().contains(QStringLiteral("Undo")) && action->isEnabled());
    EXPECT_TRUE(undoEnabled);

    // What was typed before a new read cannot be undone into it.
    Read({"other"});
    EXPECT_FALSE(m_view->Store().CanUndo());
    QTest::keyClick(m_view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Text(), QStringLiteral("other\n"));
}
