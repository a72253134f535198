#include <memory>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QImage>
#include <QInputMethodEvent>
#include <QLibraryInfo>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

#include "platform/ui/paragraphview.h"

using namespace Qt::StringLiterals;

namespace {

QString Whole(const TParagraphView &view)
{
    return view.Store().Slice(0, view.Store().Length());
}

// A shown view holding a heading and a line, with the focus.
class ParagraphViewEditTest : public ::testing::Test
{
protected:
    ParagraphViewEditTest()
    {
        m_view.resize(400, 300);
        m_view.Store().Append(u"Titre", true);
        m_view.Store().Append(u"ligne", false);
        m_view.StoreChanged();
        m_view.show();
        m_view.activateWindow();
        m_view.setFocus();
        QGuiApplication::clipboard()->clear();
    }

    // Drops `text` on the viewport at the start of the second line, and answers whether
    // the view took it.
    bool Drop(const QString &text)
    {
        QMimeData data;
        data.setText(text);
        const QPointF at(2, 4 + 1.5 * QFontMetricsF(m_view.font()).height());
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(m_view.viewport(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(m_view.viewport(), &drop);
        return enter.isAccepted() && drop.isAccepted();
    }

    // The menu's entries without their shortcuts, "" for a separator.
    static QStringList Entries(const QMenu &menu)
    {
        QStringList entries;
        for (const QAction *action : menu.actions())
            entries << action->text().section(u'\t', 0, 0);
        return entries;
    }

    static QAction &Entry(const QMenu &menu, const QString &name)
    {
        QAction *action = menu.findChild<QAction *>(name);
        EXPECT_NE(action, nullptr) << name.toStdString();
        return *action;
    }

    static std::vector<bool> Enabled(const QMenu &menu)
    {
        std::vector<bool> enabled;
        for (const QAction *action : menu.actions())
            if (!action->isSeparator())
                enabled.push_back(action->isEnabled());
        return enabled;
    }

    TParagraphView m_view;
};

} // namespace

TEST_F(ParagraphViewEditTest, AReadOnlyViewMovesSelectsAndCopiesButNothingEditsIt)
{
    QTest::keyClicks(&m_view, u"z"_s); // something to undo
    const QString text = Whole(m_view);
    m_view.SetReadOnly(true);
    EXPECT_TRUE(m_view.ReadOnly());
    EXPECT_FALSE(m_view.testAttribute(Qt::WA_InputMethodEnabled));
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&m_view);
    EXPECT_TRUE(accessible->state().readOnly);
    EXPECT_FALSE(accessible->state().editable);

    QGuiApplication::clipboard()->setText(u"collé"_s);
    QTest::keyClicks(&m_view, u"abc"_s);
    for (const auto key : {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Return, Qt::Key_Enter})
        QTest::keyClick(&m_view, key);
    QTest::keyClick(&m_view, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&m_view, Qt::Key_Z, Qt::ControlModifier);
    QInputMethodEvent commit;
    commit.setCommitString(u"ça"_s);
    QCoreApplication::sendEvent(&m_view, &commit);
    EXPECT_FALSE(Drop(u"déposé"_s));
    EXPECT_EQ(Whole(m_view), text);

    // The caret moves, selects and copies; Cut copies nothing away.
    QTest::keyClick(&m_view, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(&m_view, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&m_view, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(m_view.SelectedText(), u"zT"_s);
    QTest::keyClick(&m_view, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(&m_view, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(Whole(m_view), text);
    QTest::keyClick(&m_view, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&m_view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), text);

    // The menu's edits are off, and the commands behind them refuse.
    std::unique_ptr<QMenu> menu(m_view.createStandardContextMenu());
    EXPECT_EQ(Enabled(*menu), (std::vector<bool>{false, false, false, true, false, false, true}));
    m_view.Cut();
    m_view.Paste();
    m_view.DeleteSelection();
    m_view.Undo();
    EXPECT_EQ(Whole(m_view), text);

    // Editable again, the same keys and drops edit.
    m_view.SetReadOnly(false);
    EXPECT_TRUE(m_view.testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_TRUE(accessible->state().editable);
    QTest::keyClick(&m_view, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(&m_view, u"a"_s);
    EXPECT_TRUE(Drop(u"déposé "_s));
    EXPECT_EQ(Whole(m_view), u"azTitre\ndéposé ligne\n"_s);
}

TEST_F(ParagraphViewEditTest, TheStandardMenuOffersQtsEditsEachEnabledWhenItApplies)
{
    std::unique_ptr<QMenu> menu(m_view.createStandardContextMenu());
    EXPECT_EQ(Entries(*menu),
        (QStringList{u"&Undo"_s, u"&Redo"_s, u""_s, u"Cu&t"_s, u"&Copy"_s, u"&Paste"_s, u"Delete"_s, u""_s,
            u"Select All"_s}));
    EXPECT_EQ(Entry(*menu, u"edit-undo"_s).text(),
        u"&Undo\t"_s + QKeySequence(QKeySequence::Undo).toString(QKeySequence::NativeText));
    EXPECT_TRUE(Entry(*menu, u"edit-cut"_s).text().endsWith(u"\tCtrl+X"_s));
    EXPECT_TRUE(Entry(*menu, u"edit-select-all"_s).text().endsWith(u"\tCtrl+A"_s));
    // Nothing done, selected or on the clipboard: only Select All.
    EXPECT_EQ(Enabled(*menu), (std::vector<bool>{false, false, false, false, false, false, true}));

    m_view.SetCaret(0);
    m_view.SetCaret(5, true);
    QGuiApplication::clipboard()->setText(u"x"_s);
    menu.reset(m_view.createStandardContextMenu());
    EXPECT_EQ(Enabled(*menu), (std::vector<bool>{false, false, true, true, true, true, true}));
    Entry(*menu, u"edit-cut"_s).trigger();
    EXPECT_EQ(Whole(m_view), u"\nligne\n"_s);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"Titre"_s);

    menu.reset(m_view.createStandardContextMenu());
    EXPECT_EQ(Enabled(*menu), (std::vector<bool>{true, false, false, false, true, false, true}));
    Entry(*menu, u"edit-undo"_s).trigger();
    EXPECT_EQ(Whole(m_view), u"Titre\nligne\n"_s);
    menu.reset(m_view.createStandardContextMenu());
    EXPECT_TRUE(Entry(*menu, u"edit-redo"_s).isEnabled());
    Entry(*menu, u"edit-paste"_s).trigger(); // what was cut
    EXPECT_EQ(Whole(m_view), u"TitreTitre\nligne\n"_s);
    Entry(*menu, u"edit-select-all"_s).trigger();
    EXPECT_EQ(m_view.SelectedText(), Whole(m_view));
    menu.reset(m_view.createStandardContextMenu());
    Entry(*menu, u"edit-delete"_s).trigger();
    EXPECT_EQ(Whole(m_view), QString());

    // Ctrl+X and Shift+Delete cut too.
    QTest::keyClicks(&m_view, u"un deux"_s);
    QTest::keyClick(&m_view, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(&m_view, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Whole(m_view), u"un deu"_s);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"x"_s); // the last letter
    QTest::keyClick(&m_view, Qt::Key_Home, Qt::ShiftModifier);
    QTest::keyClick(&m_view, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(Whole(m_view), QString());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"un deu"_s);
}

TEST_F(ParagraphViewEditTest, TheContextMenuIsShownWhereAskedAndSpeaksQtsFrench)
{
    QTranslator french;
    ASSERT_TRUE(french.load(u"qtbase_fr"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || french.load(u"qtbase_fr"_s, u"/usr/share/qt6/translations"_s))
        << "qtbase_fr.qm not found (package qt6-translations-l10n)";
    QCoreApplication::installTranslator(&french);
    m_view.SetCaret(0);
    m_view.SetCaret(5, true);

    const QPoint at(30, 20);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, m_view.viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(m_view.viewport(), &event);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QCoreApplication::removeTranslator(&french);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(Entries(*menu),
        (QStringList{u"&Annuler"_s, u"&Rétablir"_s, u""_s, u"Co&uper"_s, u"Cop&ier"_s, u"Co&ller"_s,
            u"Supprimer"_s, u""_s, u"Tout sélectionner"_s}));
    EXPECT_TRUE(Entry(*menu, u"edit-copy"_s).isEnabled());
    menu->close();
}
