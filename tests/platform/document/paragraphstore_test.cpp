#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include "platform/document/paragraphstore.h"
#include "tests/support/heapinuse.h"

using namespace Qt::StringLiterals;
using TEditKind = TParagraphStore::TEditKind;

namespace {

using TLines = std::vector<std::pair<QString, bool>>;

TLines Lines(const TParagraphStore &store)
{
    TLines lines;
    for (qsizetype i = 0; i < store.Count(); ++i)
        lines.emplace_back(store.Text(i).toString(), store.Bold(i));
    return lines;
}

QString Whole(const TParagraphStore &store)
{
    return store.Slice(0, store.Length());
}

// The text as one string with '\n' between paragraphs and the weight of each paragraph:
// edits worked out on it the plain way, to compare the store with.
struct TModel
{
    QString Text;
    std::vector<bool> Weights{false};

    void Replace(qsizetype from, qsizetype to, const QString &inserted)
    {
        const auto first = std::size_t(Text.left(from).count(u'\n'));
        const auto last = std::size_t(Text.left(to).count(u'\n'));
        const bool bold = Weights[first];
        Weights.erase(
            Weights.begin() + std::ptrdiff_t(first) + 1, Weights.begin() + std::ptrdiff_t(last) + 1);
        Weights.insert(Weights.begin() + std::ptrdiff_t(first) + 1, std::size_t(inserted.count(u'\n')), bold);
        Text = Text.left(from) + inserted + Text.mid(to);
    }
};

void ExpectSame(const TParagraphStore &store, const TModel &model)
{
    ASSERT_EQ(Whole(store), model.Text);
    ASSERT_EQ(store.Length(), model.Text.size());
    ASSERT_EQ(std::size_t(store.Count()), model.Weights.size());
    for (qsizetype i = 0; i < store.Count(); ++i)
        ASSERT_EQ(store.Bold(i), model.Weights[std::size_t(i)]) << "paragraph " << i;
}

} // namespace

TEST(ParagraphStore, AppendedLinesAreParagraphsWithTheirWeightAndOneCharacterPerBreak)
{
    TParagraphStore store;
    EXPECT_EQ(Lines(store), (TLines{{u""_s, false}}));
    EXPECT_EQ(store.Length(), 0);

    store.Append(u"Dossier", true);
    store.Append(u"", false);
    store.Append(u"a\tb", false);
    EXPECT_EQ(
        Lines(store), (TLines{{u"Dossier"_s, true}, {u""_s, false}, {u"a\tb"_s, false}, {u""_s, false}}));
    EXPECT_EQ(store.Length(), 7 + 1 + 0 + 1 + 3 + 1);
    EXPECT_EQ(Whole(store), u"Dossier\n\na\tb\n"_s);

    const std::vector<std::int64_t> starts = {0, 8, 9, 13};
    for (qsizetype i = 0; i < store.Count(); ++i)
        EXPECT_EQ(store.Position(i), starts[std::size_t(i)]);
    // A break belongs to the paragraph it ends; positions outside the text are clamped.
    const std::vector<std::pair<std::int64_t, qsizetype>> owners
        = {{-3, 0}, {0, 0}, {7, 0}, {8, 1}, {9, 2}, {12, 2}, {13, 3}, {500, 3}};
    for (const auto &[position, paragraph] : owners)
        EXPECT_EQ(store.ParagraphAt(position), paragraph) << position;
    EXPECT_EQ(store.Slice(5, 10), u"er\n\na"_s);
    EXPECT_EQ(store.Slice(-4, 2), u"Do"_s);
    EXPECT_EQ(store.Slice(11, 99), u"b\n"_s);

    store.Clear();
    EXPECT_EQ(Lines(store), (TLines{{u""_s, false}}));
    EXPECT_FALSE(store.CanUndo());
}

TEST(ParagraphStore, BreaksInsideAnAppendedLineBecomeLineSeparators)
{
    TParagraphStore store;
    store.Append(u"a\nb\rc\u2029d\r\ne", false);
    EXPECT_EQ(Lines(store), (TLines{{u"a\u2028b\u2028c\u2028d\u2028\u2028e"_s, false}, {u""_s, false}}));
}

TEST(ParagraphStore, TheOpenParagraphKeepsTypedTextAndItsWeightWhenALineIsAppended)
{
    TParagraphStore store;
    store.Append(u"titre", true);
    store.Replace(6, 6, u"tapé", TEditKind::Typing);
    store.Append(u" suite", true);
    EXPECT_EQ(Lines(store), (TLines{{u"titre"_s, true}, {u"tapé suite"_s, false}, {u""_s, false}}));
    store.Append(u"gras", true);
    EXPECT_EQ(Lines(store).back(), (std::pair<QString, bool>{u""_s, false}));
    EXPECT_TRUE(store.Bold(2));
}

TEST(ParagraphStore, EditsSplitAndJoinParagraphsAndNewOnesTakeTheWeightWhereTheyLand)
{
    TParagraphStore store;
    store.Append(u"Titre", true);
    store.Append(u"ligne un", false);
    store.Append(u"ligne deux", false);

    // Enter in the middle of the heading: both halves stay bold.
    EXPECT_EQ(store.Replace(2, 2, u"\n"), 3);
    EXPECT_EQ(Lines(store),
        (TLines{{u"Ti"_s, true}, {u"tre"_s, true}, {u"ligne un"_s, false}, {u"ligne deux"_s, false},
            {u""_s, false}}));

    // Deleting from inside the heading into the next line joins them under the heading's weight.
    EXPECT_EQ(store.Replace(4, 12, u""), 4);
    EXPECT_EQ(
        Lines(store), (TLines{{u"Ti"_s, true}, {u"t un"_s, true}, {u"ligne deux"_s, false}, {u""_s, false}}));

    // Every form of break splits ("\r\n" is one break), here in a regular line.
    EXPECT_EQ(store.Replace(8, 13, u"A\r\nB\rC\u2029D\nE"), 17);
    EXPECT_EQ(Lines(store),
        (TLines{{u"Ti"_s, true}, {u"t un"_s, true}, {u"A"_s, false}, {u"B"_s, false}, {u"C"_s, false},
            {u"D"_s, false}, {u"E deux"_s, false}, {u""_s, false}}));

    // Replacing across all paragraphs leaves one; reversed ends are taken in order.
    EXPECT_EQ(store.Replace(store.Length(), 1, u"x"), 2);
    EXPECT_EQ(Lines(store), (TLines{{u"Tx"_s, true}}));
    EXPECT_EQ(store.Length(), 2);
}

TEST(ParagraphStore, UndoAndRedoRestoreTextAndWeightsStepByStep)
{
    TParagraphStore store;
    store.Append(u"Titre", true);
    store.Append(u"ligne", false);
    const TLines appended = Lines(store);
    EXPECT_FALSE(store.CanUndo());

    store.Replace(3, 9, u"");
    const TLines joined = Lines(store);
    EXPECT_EQ(joined, (TLines{{u"Titne"_s, true}, {u""_s, false}}));
    store.Replace(0, 0, u"X\nY");
    const TLines inserted = Lines(store);

    EXPECT_EQ(store.Undo(), 0);
    EXPECT_EQ(Lines(store), joined);
    EXPECT_EQ(store.Undo(), 9);
    EXPECT_EQ(Lines(store), appended);
    EXPECT_FALSE(store.CanUndo());
    EXPECT_EQ(store.Undo(), -1);

    EXPECT_EQ(store.Redo(), 3);
    EXPECT_EQ(Lines(store), joined);
    EXPECT_EQ(store.Redo(), 3);
    EXPECT_EQ(Lines(store), inserted);
    EXPECT_EQ(store.Redo(), -1);

    // A new edit after an undo drops what could have been redone.
    store.Undo();
    store.Replace(0, 0, u"Z");
    EXPECT_FALSE(store.CanRedo());
    EXPECT_EQ(Lines(store), (TLines{{u"ZTitne"_s, true}, {u""_s, false}}));
    store.ClearHistory();
    EXPECT_FALSE(store.CanUndo());
}

TEST(ParagraphStore, TypedCharactersAndRepeatedDeletionsAreUndoneTogether)
{
    TParagraphStore store;
    store.Append(u"abcdef", false);
    auto type = [&store](std::int64_t at, const char16_t *text) {
        return store.Replace(at, at, QStringView(text), TEditKind::Typing);
    };
    auto erase
        = [&store](std::int64_t from) { return store.Replace(from, from + 1, u"", TEditKind::Deleting); };

    type(type(type(3, u"x"), u"y"), u"z");
    EXPECT_EQ(Whole(store), u"abcxyzdef\n"_s);
    type(6, u"\n"); // Enter is a step of its own
    type(7, u"w");
    EXPECT_EQ(Whole(store), u"abcxyz\nwdef\n"_s);
    store.Undo();
    EXPECT_EQ(Whole(store), u"abcxyz\ndef\n"_s);
    store.Undo();
    EXPECT_EQ(Whole(store), u"abcxyzdef\n"_s);
    store.Undo();
    EXPECT_EQ(Whole(store), u"abcdef\n"_s);

    // Backspace three times is one step, Delete twice another, a deletion that joins
    // paragraphs a third.
    erase(2);
    erase(1);
    erase(0);
    EXPECT_EQ(Whole(store), u"def\n"_s);
    store.CloseEditStep();
    erase(1);
    erase(1);
    erase(1);
    erase(1);
    EXPECT_EQ(Whole(store), u"d"_s);
    store.Undo();
    EXPECT_EQ(Whole(store), u"d\n"_s);
    store.Undo();
    EXPECT_EQ(Whole(store), u"def\n"_s);
    store.Undo();
    EXPECT_EQ(Whole(store), u"abcdef\n"_s);

    // Typing elsewhere, after a closed step or as another kind of edit never joins.
    type(1, u"1");
    type(4, u"2");
    type(5, u"3");
    store.CloseEditStep();
    type(6, u"4");
    store.Replace(7, 7, u"5");
    store.Replace(8, 8, u"6");
    EXPECT_EQ(Whole(store), u"a1bc23456def\n"_s);
    for (const char16_t *expected :
        {u"a1bc2345def\n", u"a1bc234def\n", u"a1bc23def\n", u"a1bcdef\n", u"abcdef\n"}) {
        store.Undo();
        EXPECT_EQ(Whole(store), QString::fromUtf16(expected));
    }
}

TEST(ParagraphStore, RandomEditsUndoneAndRedoneMatchAPlainModel)
{
    std::mt19937 random(20261208);
    const QString pieces[] = {u""_s, u"a"_s, u"bc"_s, u"\n"_s, u"d\ne"_s, u"\n\n"_s, u"fgh\ni"_s};
    for (int round = 0; round < 40; ++round) {
        TParagraphStore store;
        TModel model;
        for (int i = 0; i < 6; ++i) {
            const bool bold = random() % 2 != 0;
            store.Append(QString(u"line" + QString::number(i)), bold);
            model.Weights.back() = bold;
            model.Text += u"line" + QString::number(i) + u'\n';
            model.Weights.push_back(false);
        }
        std::vector<TModel> states{model};
        for (int step = 0; step < 12; ++step) {
            const auto from = qsizetype(random() % std::uint32_t(model.Text.size() + 1));
            const auto to = std::min(model.Text.size(), from + qsizetype(random() % 6));
            const QString &text = pieces[random() % std::size(pieces)];
            if (from == to && text.isEmpty())
                continue;
            store.Replace(from, to, text);
            model.Replace(from, to, text);
            ASSERT_NO_FATAL_FAILURE(ExpectSame(store, model));
            states.push_back(model);
        }
        for (auto state = states.rbegin() + 1; state != states.rend(); ++state) {
            store.Undo();
            ASSERT_NO_FATAL_FAILURE(ExpectSame(store, *state));
        }
        EXPECT_FALSE(store.CanUndo());
        for (auto state = states.begin() + 1; state != states.end(); ++state) {
            store.Redo();
            ASSERT_NO_FATAL_FAILURE(ExpectSame(store, *state));
        }
    }
}

// Blocks of 16 positions hold a few paragraphs each, so that random edits keep cutting
// blocks, joining them and reaching across several, at the start, in the middle and at the
// end, between reads of every kind, undos and redos, and appended lines.
TEST(ParagraphStore, EditsAcrossSmallBlocksMatchAPlainModelAtEveryRead)
{
    std::mt19937 random(20260215);
    auto below = [&random](qsizetype n) { return qsizetype(random() % std::uint32_t(n)); };
    const QString pieces[] = {u""_s, u"a"_s, u"bc"_s, u"\n"_s, u"d\ne"_s, u"\n\n\n"_s, u"fgh\ni\n"_s,
        u"a line longer than one block"_s, u"two\nlong lines, each longer than a block"_s};

    auto expectMatches = [&](const TParagraphStore &store, const TModel &model) {
        ASSERT_EQ(store.Length(), model.Text.size());
        ASSERT_EQ(std::size_t(store.Count()), model.Weights.size());
        const QStringList texts = model.Text.split(u'\n');
        std::int64_t start = 0;
        for (qsizetype i = 0; i < store.Count(); ++i) {
            ASSERT_EQ(store.Text(i), texts[i]) << "paragraph " << i;
            ASSERT_EQ(store.Bold(i), model.Weights[std::size_t(i)]) << "paragraph " << i;
            ASSERT_EQ(store.Position(i), start) << "paragraph " << i;
            start += texts[i].size() + 1;
        }
        for (int k = 0; k < 4; ++k) {
            const qsizetype at = below(model.Text.size() + 3) - 1;
            ASSERT_EQ(store.ParagraphAt(at), model.Text.left(std::max<qsizetype>(at, 0)).count(u'\n')) << at;
            const qsizetype from = below(model.Text.size() + 1);
            const qsizetype to = from + below(40);
            ASSERT_EQ(store.Slice(from, to), model.Text.mid(from, to - from)) << from << " " << to;
        }
    };

    TParagraphStore store(16);
    TModel model;
    auto append = [&](const QString &line, bool bold) {
        store.Append(line, bold);
        if (model.Text.size() == model.Text.lastIndexOf(u'\n') + 1)
            model.Weights.back() = bold;
        model.Text += QString(line).replace(u'\n', u'\u2028') + u'\n';
        model.Weights.push_back(false);
    };
    for (int i = 0; i < 60; ++i)
        append(i % 7 == 3 ? QString() : u"line " + QString::number(i), below(3) == 0);
    store.Squeeze();

    std::vector<TModel> states{model}; // states[done] is the current one
    std::size_t done = 0;
    for (int step = 0; step < 3000; ++step) {
        const qsizetype action = below(20);
        if (action == 0 && done > 0) {
            store.Undo();
            model = states[--done];
        } else if (action == 1 && done + 1 < states.size()) {
            store.Redo();
            model = states[++done];
        } else if (action == 2) {
            append(below(4) == 0 ? QString() : pieces[below(std::size(pieces))], below(2) != 0);
            store.ClearHistory();
            states = {model};
            done = 0;
        } else {
            // Edits near either end half of the time, reaching across a few paragraphs or
            // sometimes across most of the text.
            const qsizetype length = model.Text.size();
            const qsizetype where = below(4);
            const qsizetype from = where == 0 ? below(std::min<qsizetype>(length, 8) + 1)
                : where == 1                  ? length - below(std::min<qsizetype>(length, 8) + 1)
                                              : below(length + 1);
            const qsizetype reach = below(50) == 0 ? length : below(4) == 0 ? below(60) : below(4);
            const qsizetype to = std::min(length, from + reach);
            const QString &text = pieces[below(std::size(pieces))];
            if (from == to && text.isEmpty())
                continue;
            if (model.Text.size() > 3000 && text.size() > to - from)
                continue;
            store.Replace(from, to, text);
            model.Replace(from, to, text);
            states.resize(done + 1);
            states.push_back(model);
            ++done;
        }
        ASSERT_NO_FATAL_FAILURE(expectMatches(store, model)) << "step " << step;
    }
}

TEST(ParagraphStore, TwoMillionParagraphsCostTheirTextAndAFewBytesEach)
{
    constexpr qsizetype Count = 2'000'000;
    const std::size_t before = HeapInUse();
    std::size_t characters = 0;
    {
        TParagraphStore store;
        QString line;
        for (qsizetype i = 0; i < Count; ++i) {
            line = u"\tfichier-" + QString::number(i) + u".txt";
            characters += std::size_t(line.size());
            store.Append(line, i % 50 == 0);
        }
        store.Squeeze();
        ASSERT_EQ(store.Count(), Count + 1);
        EXPECT_EQ(store.Text(Count - 1).toString(), u"\tfichier-" + QString::number(Count - 1) + u".txt");
        EXPECT_EQ(store.ParagraphAt(store.Length() - 1), Count - 1);

        const std::size_t used = HeapInUse() - before;
        ASSERT_GT(used, characters * 2);
        EXPECT_LT(used - characters * 2, 16 * std::size_t(Count)) << "bytes beyond the text";
    }
}
