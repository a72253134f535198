#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <unistd.h>
#include <vector>

#include <QAccessible>
#include <QFontInfo>
#include <QTest>
#include <QTextBoundaryFinder>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

#include <gtest/gtest.h>

#include "platform/ui/paragraphview.h"
#include "platform/ui/richedit.h"
#include "tests/support/gui/paragraphviewshow.h"

using namespace Qt::StringLiterals;

namespace {

constexpr QAccessible::TextBoundaryType Kinds[] = {QAccessible::CharBoundary, QAccessible::WordBoundary,
    QAccessible::SentenceBoundary, QAccessible::LineBoundary, QAccessible::ParagraphBoundary};

// The items of one kind over a whole text in a view too wide to wrap, found the plain
// way: every boundary of Qt's finder over the whole text (for words, those that start or
// end a word) and every paragraph start; a sentence, a line or a paragraph ends with its
// break, and a line after a line separator too.
class TReference
{
public:
    TReference(const QString &text, QAccessible::TextBoundaryType kind)
        : m_text(text)
        , m_lines(kind == QAccessible::LineBoundary || kind == QAccessible::ParagraphBoundary)
    {
        const qsizetype n = text.size();
        m_bounds = {0, n};
        std::optional<QTextBoundaryFinder> finder;
        if (kind == QAccessible::CharBoundary)
            finder.emplace(QTextBoundaryFinder::Grapheme, text);
        else if (kind == QAccessible::WordBoundary)
            finder.emplace(QTextBoundaryFinder::Word, text);
        else if (kind == QAccessible::SentenceBoundary)
            finder.emplace(QTextBoundaryFinder::Sentence, text);
        const auto itemBoundary = QTextBoundaryFinder::StartOfItem | QTextBoundaryFinder::EndOfItem;
        for (qsizetype p = 1; p < n; ++p) {
            const bool breakFollows
                = text[p] == u'\n' && kind != QAccessible::CharBoundary && kind != QAccessible::WordBoundary;
            if (text[p - 1] == u'\n')
                m_bounds.insert(p);
            else if (kind == QAccessible::LineBoundary && text[p - 1] == QChar::LineSeparator
                && !breakFollows)
                m_bounds.insert(p);
            else if (finder && !breakFollows) {
                finder->setPosition(p);
                if (finder->isAtBoundary()
                    && (kind != QAccessible::WordBoundary || (finder->boundaryReasons() & itemBoundary)))
                    m_bounds.insert(p);
            }
        }
    }

    std::pair<qsizetype, qsizetype> At(qsizetype o) const
    {
        const qsizetype n = m_text.size();
        if (o == -1)
            o = n;
        if (o < 0 || o > n)
            return {-1, -1};
        if (o == n) {
            if (!m_lines || n == 0 || m_text.back() == u'\n')
                return {n, n};
            return {*std::prev(m_bounds.lower_bound(n)), n};
        }
        const auto next = m_bounds.upper_bound(o);
        return {*std::prev(next), *next};
    }
    std::pair<qsizetype, qsizetype> Before(qsizetype o) const
    {
        const auto [start, end] = At(o);
        if (start <= 0)
            return {-1, -1};
        return {*std::prev(m_bounds.lower_bound(start)), start};
    }
    std::pair<qsizetype, qsizetype> After(qsizetype o) const
    {
        const auto [start, end] = At(o);
        const qsizetype n = m_text.size();
        if (start == end)
            return {-1, -1};
        if (end == n)
            return m_lines && m_text.back() == u'\n' ? std::pair(n, n)
                                                     : std::pair<qsizetype, qsizetype>(-1, -1);
        return {end, *m_bounds.upper_bound(end)};
    }

private:
    QString m_text;
    bool m_lines;
    std::set<qsizetype> m_bounds;
};

QString Printable(QStringView text)
{
    QString shown;
    for (const QChar c : text)
        shown += c.unicode() >= 0x20 && c.unicode() < 0x7f ? QString(c) : u"<%1>"_s.arg(c.unicode(), 0, 16);
    return shown;
}

// Texts built to be awkward: spaces and breaks alone, empty paragraphs, a text ending in a
// break and one not, clusters of several code units, lone surrogates, line separators,
// sentences and scripts of several kinds; then random ones.
std::vector<QString> AwkwardTexts()
{
    std::vector<QString> texts = {u""_s, u" \n"_s, u"\n"_s, u"\n\n\n"_s, u"   "_s, u" \n Photos \n \n"_s,
        u"Photos"_s, u"a"_s, u"\tfichier.txt\t12 Ko\t2024-01-05\n"_s, u"Bonjour. Ça va ? Oui!\nNon."_s,
        u"\U0001F469\u200D\U0001F469\u200D\U0001F467 famille\n"_s, u"e\u0301te\u0301 l\u0301"_s,
        u"\xDC80x\xD800 y\xDBFF"_s, u"ligne\u2028suite\n"_s, u"a\u2028\nb\u2028"_s, u"...,;:!? --"_s,
        u"1 234,5 + 6"_s, u"日本語テキスト。次の文。"_s, u"مرحبا بالعالم.\n"_s, u"  \n\t\n  x  \n"_s};
    const std::vector<QString> alphabet = {u"a"_s, u"Z"_s, u"é"_s, u"1"_s, u" "_s, u"  "_s, u"\t"_s, u"\n"_s,
        u"\n\n"_s, u"."_s, u","_s, u"!"_s, u"?"_s, u"-"_s, u"'"_s, u"\u0301"_s, u"\u2028"_s, u"\u00A0"_s,
        u"\U0001F44D"_s, u"\u200D"_s, u"日"_s, u"\xDC80"_s, u"Photos"_s};
    std::mt19937 random(20261209);
    for (int i = 0; i < 200; ++i) {
        QString text;
        const int pieces = std::uniform_int_distribution(0, 30)(random);
        for (int j = 0; j < pieces; ++j)
            text += alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
        texts.push_back(text);
    }
    return texts;
}

// Compares the view's answers at every offset of every awkward text with the reference;
// answers how many differ, telling the first ones on standard error.
int MismatchesWithTheReference()
{
    TParagraphView view;
    view.resize(100'000, 300); // no line wraps
    view.show();
    QAccessibleTextInterface *text = QAccessible::queryAccessibleInterface(&view)->textInterface();
    int mismatches = 0;
    for (const QString &whole : AwkwardTexts()) {
        view.Store().Clear();
        view.Store().Replace(0, 0, whole);
        view.StoreChanged();
        for (const QAccessible::TextBoundaryType kind : Kinds) {
            const TReference reference(whole, kind);
            for (int offset = -1; offset <= whole.size() + 1; ++offset) {
                const std::pair<qsizetype, qsizetype> expected[]
                    = {reference.At(offset), reference.Before(offset), reference.After(offset)};
                for (int query = 0; query < 3; ++query) {
                    int start = 0, end = 0;
                    const QString answer = query == 0 ? text->textAtOffset(offset, kind, &start, &end)
                        : query == 1                  ? text->textBeforeOffset(offset, kind, &start, &end)
                                                      : text->textAfterOffset(offset, kind, &start, &end);
                    const auto [from, to] = expected[query];
                    const QString wanted = from < 0 ? QString() : whole.mid(from, to - from);
                    if (std::pair<qsizetype, qsizetype>(start, end) == expected[query] && answer == wanted)
                        continue;
                    if (++mismatches <= 10)
                        std::fprintf(stderr,
                            "\"%s\" kind %d query %d offset %d: (%d, %d) \"%s\", expected (%d, %d)\n",
                            qPrintable(Printable(whole)), int(kind), query, offset, start, end,
                            qPrintable(Printable(answer)), int(from), int(to));
                }
            }
        }
    }
    return mismatches;
}

// Asks many questions about a listing of 300,000 lines, at its start, its end and all
// over it: true when they all answer within a few seconds.
bool ALongListingAnswersQuickly()
{
    TParagraphView view;
    view.resize(400, 300);
    view.show();
    for (int i = 0; i < 300'000; ++i)
        view.Store().Append(u"\tfichier%1.txt\t12 Ko\t2024-01-05 12:00"_s.arg(i), i % 50 == 0);
    view.StoreChanged();
    QAccessibleTextInterface *text = QAccessible::queryAccessibleInterface(&view)->textInterface();
    const int length = text->characterCount();
    const auto began = std::chrono::steady_clock::now();
    int start = 0, end = 0;
    for (int i = 0; i < 4'000; ++i) {
        const int offset = i < 2 ? i * length : int(std::int64_t(length) * i / 4'000);
        for (const QAccessible::TextBoundaryType kind : Kinds) {
            text->textAtOffset(offset, kind, &start, &end);
            text->textBeforeOffset(offset, kind, &start, &end);
            text->textAfterOffset(offset, kind, &start, &end);
        }
    }
    return std::chrono::steady_clock::now() - began < std::chrono::seconds(10);
}

} // namespace

// Assistive technologies ask for the item at the caret all the time: the answers run in
// a child process with a time limit, so that a question that never ends fails the test.
TEST(ParagraphViewAccessibility, EveryItemOfAwkwardTextsIsFoundQuicklyAsTheReferenceFindsIt)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            alarm(90);
            const int mismatches = MismatchesWithTheReference();
            const bool quick = ALongListingAnswersQuickly();
            std::fprintf(stderr, "%d mismatches, %s\n", mismatches, quick ? "quick" : "slow");
            _exit(mismatches == 0 && quick ? 0 : 1);
        },
        testing::ExitedWithCode(0), "0 mismatches, quick");
}

TEST(ParagraphViewAccessibility, LinesAreTheLinesShown)
{
    QString words;
    for (int i = 0; i < 30; ++i)
        words += u"mot" + QString::number(i) + u' ';
    TParagraphView view;
    view.resize(200, 300);
    view.Store().Append(words, false);
    view.StoreChanged();
    view.show();
    QAccessibleTextInterface *text = QAccessible::queryAccessibleInterface(&view)->textInterface();

    // The wrapped paragraph is several lines; one after the other they give it whole,
    // its break with the last, and each starts at the left of the view.
    QString lines;
    int count = 0, start = 0, end = 0;
    for (QString line = text->textAtOffset(0, QAccessible::LineBoundary, &start, &end); start < words.size();
         line = text->textAfterOffset(start, QAccessible::LineBoundary, &start, &end)) {
        ASSERT_GE(start, 0);
        EXPECT_EQ(view.CharacterRect(start).left(), view.CharacterRect(0).left()) << start;
        int atStart = 0, atEnd = 0;
        EXPECT_EQ(text->textAtOffset(end - 1, QAccessible::LineBoundary, &atStart, &atEnd), line);
        EXPECT_EQ(atStart, start);
        lines += line;
        ++count;
    }
    EXPECT_GT(count, 3);
    EXPECT_EQ(lines, words + u'\n');
}

namespace {

// What assistive technologies hear of one object while the recorder lives.
class TTextEventRecorder
{
public:
    struct TEvent
    {
        QAccessible::Event Type = QAccessible::TextCaretMoved;
        int Position = 0; // the caret, or where the text changed
        QString Removed = {};
        QString Inserted = {};
        int SelectionStart = -1;
        int SelectionEnd = -1;
    };

    explicit TTextEventRecorder(QObject *object)
    {
        s_object = object;
        s_events.clear();
        QAccessible::installUpdateHandler(&Record);
        Platform().setActive(true);
    }
    ~TTextEventRecorder()
    {
        Platform().setActive(false);
        QAccessible::installUpdateHandler(nullptr);
        s_object = nullptr;
    }

    // The events since the last call.
    std::vector<TEvent> Take() { return std::exchange(s_events, {}); }

private:
    // What a screen reader turns on through the platform; QAccessible::setActive alone
    // leaves QAccessible::isActive() false on the offscreen platform.
    static QPlatformAccessibility &Platform()
    {
        return *QGuiApplicationPrivate::platformIntegration()->accessibility();
    }

    static void Record(QAccessibleEvent *event)
    {
        if (event->object() != s_object)
            return;
        switch (event->type()) {
        case QAccessible::TextCaretMoved:
            s_events.push_back(
                {event->type(), static_cast<QAccessibleTextCursorEvent *>(event)->cursorPosition()});
            break;
        case QAccessible::TextSelectionChanged: {
            auto *selection = static_cast<QAccessibleTextSelectionEvent *>(event);
            s_events.push_back({event->type(), selection->cursorPosition(), {}, {},
                selection->selectionStart(), selection->selectionEnd()});
            break;
        }
        case QAccessible::TextInserted: {
            auto *inserted = static_cast<QAccessibleTextInsertEvent *>(event);
            s_events.push_back({event->type(), inserted->changePosition(), {}, inserted->textInserted()});
            break;
        }
        case QAccessible::TextRemoved: {
            auto *removed = static_cast<QAccessibleTextRemoveEvent *>(event);
            s_events.push_back({event->type(), removed->changePosition(), removed->textRemoved()});
            break;
        }
        case QAccessible::TextUpdated: {
            auto *updated = static_cast<QAccessibleTextUpdateEvent *>(event);
            s_events.push_back(
                {event->type(), updated->changePosition(), updated->textRemoved(), updated->textInserted()});
            break;
        }
        default:
            break;
        }
    }

    static inline QObject *s_object = nullptr;
    static inline std::vector<TEvent> s_events;
};

bool operator==(const TTextEventRecorder::TEvent &a, const TTextEventRecorder::TEvent &b)
{
    return a.Type == b.Type && a.Position == b.Position && a.Removed == b.Removed && a.Inserted == b.Inserted
        && a.SelectionStart == b.SelectionStart && a.SelectionEnd == b.SelectionEnd;
}

void PrintTo(const TTextEventRecorder::TEvent &event, std::ostream *out)
{
    *out << "{" << std::hex << int(event.Type) << std::dec << " at " << event.Position << " -\""
         << event.Removed.toStdString() << "\" +\"" << event.Inserted.toStdString() << "\" "
         << event.SelectionStart << ".." << event.SelectionEnd << "}";
}

using TEvents = std::vector<TTextEventRecorder::TEvent>;

} // namespace

TEST(ParagraphViewAccessibility, CaretMovesSelectionsAndEditsAreAnnounced)
{
    TParagraphView view;
    ShowFocused(view, {{u"Titre", true}, {u"ligne un deux", false}, {u"fin", false}});
    TTextEventRecorder recorder(&view);

    constexpr auto Caret = QAccessible::TextCaretMoved;
    constexpr auto Selection = QAccessible::TextSelectionChanged;
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(recorder.Take(), (TEvents{{Caret, 6}}));
    QTest::keyClick(&view, Qt::Key_End);
    EXPECT_EQ(recorder.Take(), (TEvents{{Caret, 19}}));
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(recorder.Take(), (TEvents{{Caret, 24}}));
    QTest::keyClick(&view, Qt::Key_Up); // the caret stays at the end: nothing to tell
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    recorder.Take();

    // A word selected by a double click, then the selection dropped.
    const QRectF un = view.CharacterRect(13);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, un.center().toPoint());
    EXPECT_EQ(recorder.Take(), (TEvents{{Selection, 14, {}, {}, 12, 14}, {Caret, 14}}));
    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_EQ(recorder.Take(), (TEvents{{Selection, 13, {}, {}, 13, 13}, {Caret, 13}}));

    // Typing, deleting, typing over a selection and undoing: what changed, then the caret.
    view.SetCaret(24);
    recorder.Take();
    QTest::keyClicks(&view, u"s"_s);
    EXPECT_EQ(recorder.Take(), (TEvents{{QAccessible::TextInserted, 24, {}, u"s"_s}, {Caret, 25}}));
    QTest::keyClick(&view, Qt::Key_Backspace);
    EXPECT_EQ(recorder.Take(), (TEvents{{QAccessible::TextRemoved, 24, u"s"_s}, {Caret, 24}}));
    QTest::keyClick(&view, Qt::Key_Left);
    QTest::keyClick(&view, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Left, Qt::ShiftModifier);
    recorder.Take();
    QTest::keyClicks(&view, u"z"_s); // over "in" of "fin"
    EXPECT_EQ(recorder.Take(),
        (TEvents{
            {QAccessible::TextUpdated, 21, u"in"_s, u"z"_s}, {Selection, 22, {}, {}, 22, 22}, {Caret, 22}}));
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(recorder.Take(), (TEvents{{QAccessible::TextUpdated, 21, u"z"_s, u"in"_s}, {Caret, 23}}));
}

TEST(ParagraphViewAccessibility, AReadIsAnnouncedAsOneChangeNotOneALine)
{
    TRichEdit view;
    view.AppendLine(u"ancienne lecture");
    TTextEventRecorder recorder(&view);

    view.Clear();
    EXPECT_EQ(recorder.Take(), (TEvents{{QAccessible::TextRemoved, 0, QString(17, u' ')}}));
    view.BeginUpdate();
    for (int i = 0; i < 1'000; ++i) {
        view.SetNextLineBold(i % 10 == 0);
        view.AppendLine(QString(u"ligne " + QString::number(i)));
    }
    view.EndUpdate();
    EXPECT_EQ(recorder.Take(),
        (TEvents{{QAccessible::TextInserted, 0, {}, view.Store().Slice(0, view.GetTextLen())}}));
}

namespace {

std::map<QString, QString> Attributes(QAccessibleTextInterface &text, int offset, int *start, int *end)
{
    std::map<QString, QString> attributes;
    for (const QString &pair : text.attributes(offset, start, end).split(u';', Qt::SkipEmptyParts))
        attributes[pair.section(u':', 0, 0)] = pair.section(u':', 1);
    return attributes;
}

} // namespace

TEST(ParagraphViewAccessibility, HeadingsAreBoldRunsInTheViewsFont)
{
    TParagraphView view;
    QFont font(u"DejaVu Sans"_s);
    font.setPointSize(11);
    view.setFont(font);
    view.Store().Append(u"/home/Photos", true);
    view.Store().Append(u"\tchat.jpg", false);
    view.StoreChanged();
    QAccessibleTextInterface *text = QAccessible::queryAccessibleInterface(&view)->textInterface();

    int start = 0, end = 0;
    std::map<QString, QString> heading = Attributes(*text, 3, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(0, 13)); // the heading and its break
    EXPECT_EQ(heading[u"font-weight"_s], u"700"_s);
    EXPECT_EQ(heading[u"font-family"_s], QFontInfo(font).family());
    EXPECT_EQ(heading[u"font-size"_s], u"11pt"_s);
    EXPECT_EQ(heading[u"font-style"_s], u"normal"_s);
    std::map<QString, QString> line = Attributes(*text, 13, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(13, 23));
    EXPECT_EQ(line[u"font-weight"_s], u"400"_s);
    EXPECT_EQ(line[u"font-size"_s], u"11pt"_s);
}

TEST(ParagraphViewAccessibility, AssistiveTechnologiesEditTheTextOnlyWhileItIsEditable)
{
    TParagraphView view;
    view.Store().Append(u"Photos", true);
    view.StoreChanged();
    view.show();
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&view);
    QAccessibleEditableTextInterface *editable = accessible->editableTextInterface();
    ASSERT_NE(editable, nullptr);

    editable->insertText(0, u"Mes "_s);
    EXPECT_EQ(view.Store().Slice(0, view.Store().Length()), u"Mes Photos\n"_s);
    editable->replaceText(4, 10, u"Images"_s);
    EXPECT_EQ(view.Store().Slice(0, view.Store().Length()), u"Mes Images\n"_s);
    editable->deleteText(0, 4);
    EXPECT_EQ(view.Store().Slice(0, view.Store().Length()), u"Images\n"_s);
    view.Undo(); // each a step of the history
    EXPECT_EQ(view.Store().Slice(0, view.Store().Length()), u"Mes Images\n"_s);

    view.SetReadOnly(true);
    EXPECT_EQ(accessible->editableTextInterface(), nullptr);
    editable->insertText(0, u"non"_s);
    EXPECT_EQ(view.Store().Slice(0, view.Store().Length()), u"Mes Images\n"_s);
}
