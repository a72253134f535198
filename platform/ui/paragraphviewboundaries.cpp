#include "platform/ui/paragraphviewboundaries.h"

#include <algorithm>

#include <QTextBoundaryFinder>

#include "platform/document/paragraphstore.h"

namespace {

// Whether a boundary of the finder starts an item of its kind. Words are runs of letters
// and digits; what lies between two words (spaces, punctuation) is one item. At the end of
// the text the boundary starts the item of the paragraph's break: always for characters,
// after a word for words (a break after spaces joins them), never for sentences.
bool BeginsItem(const QTextBoundaryFinder &finder, qsizetype size)
{
    switch (finder.type()) {
    case QTextBoundaryFinder::Word:
        return finder.boundaryReasons() & (QTextBoundaryFinder::StartOfItem | QTextBoundaryFinder::EndOfItem);
    case QTextBoundaryFinder::Sentence:
        return finder.position() < size;
    default:
        return true;
    }
}

} // namespace

std::vector<int> ItemStarts(QStringView text, QAccessible::TextBoundaryType type)
{
    std::vector<int> starts{0};
    QTextBoundaryFinder::BoundaryType kind;
    switch (type) {
    case QAccessible::CharBoundary:
        kind = QTextBoundaryFinder::Grapheme;
        break;
    case QAccessible::WordBoundary:
        kind = QTextBoundaryFinder::Word;
        break;
    case QAccessible::SentenceBoundary:
        kind = QTextBoundaryFinder::Sentence;
        break;
    default:
        return starts;
    }
    if (text.isEmpty())
        return starts;
    QTextBoundaryFinder finder(kind, text.data(), text.size());
    // Each step moves on or answers -1, so this ends after at most text.size() steps.
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary()) {
        if (BeginsItem(finder, text.size()))
            starts.push_back(int(at));
    }
    return starts;
}

TTextItems::TTextItems(const TParagraphStore &store, QAccessible::TextBoundaryType type, TStarts starts)
    : m_store(store)
    , m_type(type)
    , m_starts(std::move(starts))
{ }

TTextItems::TTextItems(const TParagraphStore &store, QAccessible::TextBoundaryType type)
    : TTextItems(
        store, type, [&store, type](qsizetype paragraph) { return ItemStarts(store.Text(paragraph), type); })
{ }

TTextItem TTextItems::At(std::int64_t position) const
{
    const std::int64_t length = m_store.Length();
    if (position < 0 || position > length)
        return {};
    const qsizetype paragraph = m_store.ParagraphAt(position);
    const std::int64_t start = m_store.Position(paragraph);
    const auto size = std::int64_t(m_store.Text(paragraph).size());
    const bool broken = paragraph + 1 < m_store.Count();
    const bool lines = m_type == QAccessible::LineBoundary || m_type == QAccessible::ParagraphBoundary;
    const std::int64_t column = position - start;
    if (column == size && !broken && (!lines || size == 0))
        return {length, length};
    std::vector<int> starts = m_starts(paragraph);
    if (!broken && starts.back() == size)
        starts.pop_back(); // the last paragraph has no break
    // The last item starting at or before the column; at the end of the text, the last one.
    const auto next
        = std::upper_bound(starts.begin(), starts.end(), std::min(column, size - (broken ? 0 : 1)));
    const std::int64_t to = next == starts.end() ? size + (broken ? 1 : 0) : *next;
    return {start + *std::prev(next), start + to};
}

TTextItem TTextItems::Before(std::int64_t position) const
{
    const TTextItem here = At(position);
    if (here.Start <= 0)
        return {};
    return At(here.Start - 1);
}

TTextItem TTextItems::After(std::int64_t position) const
{
    const TTextItem here = At(position);
    if (here.Start == here.End)
        return {}; // no item, or the end of the text
    const TTextItem next = At(here.End);
    const bool lines = m_type == QAccessible::LineBoundary || m_type == QAccessible::ParagraphBoundary;
    if (next.Start < here.End || (next.Start == next.End && !lines))
        return {};
    return next;
}
