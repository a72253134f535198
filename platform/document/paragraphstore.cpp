#include "platform/document/paragraphstore.h"

#include <algorithm>

namespace {

// The text with every break as one '\n' ("\r\n" is one break).
QString NormalizeBreaks(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        result += BreaksParagraph(c) ? QChar(u'\n') : QChar(c);
    }
    return result;
}

} // namespace

TParagraphStore::TParagraphStore(std::int64_t blockSize)
    : m_paragraphs(blockSize)
{
    Clear();
}

void TParagraphStore::Clear()
{
    m_paragraphs.Clear();
    ++m_revision;
    ClearHistory();
}

void TParagraphStore::ClearHistory()
{
    m_history.clear();
    m_done = 0;
    m_canMerge = false;
}

void TParagraphStore::Append(QStringView text, bool bold)
{
    m_paragraphs.Append(text, bold);
    ++m_revision;
    m_canMerge = false;
}

void TParagraphStore::Squeeze()
{
    m_paragraphs.Squeeze();
}

QString TParagraphStore::Slice(std::int64_t from, std::int64_t to) const
{
    from = std::clamp<std::int64_t>(from, 0, Length());
    to = std::clamp<std::int64_t>(to, from, Length());
    QString result;
    result.reserve(qsizetype(to - from));
    for (qsizetype p = ParagraphAt(from); p < Count() && Position(p) <= to; ++p) {
        const std::int64_t start = Position(p);
        const QStringView text = Text(p);
        const std::int64_t a = std::max(from, start) - start;
        const std::int64_t b = std::min<std::int64_t>(to, start + text.size()) - start;
        if (b > a)
            result += text.sliced(qsizetype(a), qsizetype(b - a));
        if (start + text.size() < to)
            result += u'\n';
    }
    return result;
}

std::vector<bool> TParagraphStore::WeightsOf(std::int64_t from, std::int64_t to) const
{
    std::vector<bool> weights;
    for (qsizetype p = ParagraphAt(from), last = ParagraphAt(to); p <= last; ++p)
        weights.push_back(Bold(p));
    return weights;
}

void TParagraphStore::RestoreWeights(std::int64_t from, const std::vector<bool> &weights)
{
    qsizetype p = ParagraphAt(from);
    for (const bool bold : weights)
        m_paragraphs.SetBold(p++, bold);
    ++m_revision;
}

// Paragraphs the new text makes take the weight of the one `from` lies in, as do those
// the removal joins to it.
std::int64_t TParagraphStore::Splice(std::int64_t from, std::int64_t to, QStringView text)
{
    if (to > from)
        m_paragraphs.Remove(from, to);
    if (!text.isEmpty())
        m_paragraphs.Insert(from, text);
    ++m_revision;
    return from + text.size();
}

std::int64_t TParagraphStore::Replace(std::int64_t from, std::int64_t to, QStringView text, TEditKind kind)
{
    from = std::clamp<std::int64_t>(from, 0, Length());
    to = std::clamp<std::int64_t>(to, 0, Length());
    if (to < from)
        std::swap(from, to);
    TEdit edit;
    edit.From = from;
    edit.Inserted = NormalizeBreaks(text);
    if (from == to && edit.Inserted.isEmpty()) {
        m_lastChange = {from, {}, from};
        return from;
    }
    edit.Removed = Slice(from, to);
    edit.RemovedWeights = WeightsOf(from, to);
    edit.Kind = kind;
    const std::int64_t end = Splice(from, to, edit.Inserted);
    m_lastChange = {from, edit.Removed, end};
    Record(std::move(edit));
    return end;
}

void TParagraphStore::Record(TEdit edit)
{
    if (Merge(edit))
        return;
    m_history.erase(m_history.begin() + std::ptrdiff_t(m_done), m_history.end());
    // Enter, or a deletion that joins paragraphs, is a step of its own.
    m_canMerge
        = edit.Kind != TEditKind::Other && !edit.Inserted.contains(u'\n') && !edit.Removed.contains(u'\n');
    m_history.push_back(std::move(edit));
    m_done = m_history.size();
}

// Joins a typed character to the typing just before it, or a deleted one to the deletions
// it touches, as long as neither makes or joins paragraphs.
bool TParagraphStore::Merge(const TEdit &edit)
{
    if (!m_canMerge || m_done == 0 || m_done != m_history.size() || edit.Kind != m_history.back().Kind)
        return false;
    TEdit &last = m_history.back();
    if (edit.Kind == TEditKind::Typing) {
        if (!edit.Removed.isEmpty() || edit.Inserted.contains(u'\n')
            || last.From + last.Inserted.size() != edit.From)
            return false;
        last.Inserted += edit.Inserted;
        return true;
    }
    if (edit.Kind != TEditKind::Deleting || !edit.Inserted.isEmpty() || !last.Inserted.isEmpty()
        || edit.Removed.contains(u'\n'))
        return false;
    if (edit.From + edit.Removed.size() == last.From) { // backwards, as Backspace deletes
        last.From = edit.From;
        last.Removed.prepend(edit.Removed);
        return true;
    }
    if (edit.From == last.From) { // forwards, as Delete deletes
        last.Removed += edit.Removed;
        return true;
    }
    return false;
}

std::int64_t TParagraphStore::Undo()
{
    if (!CanUndo())
        return -1;
    const TEdit &edit = m_history[--m_done];
    const std::int64_t end = Splice(edit.From, edit.From + edit.Inserted.size(), edit.Removed);
    RestoreWeights(edit.From, edit.RemovedWeights);
    m_lastChange = {edit.From, edit.Inserted, end};
    m_canMerge = false;
    return end;
}

std::int64_t TParagraphStore::Redo()
{
    if (!CanRedo())
        return -1;
    const TEdit &edit = m_history[m_done++];
    m_canMerge = false;
    const std::int64_t end = Splice(edit.From, edit.From + edit.Removed.size(), edit.Inserted);
    m_lastChange = {edit.From, edit.Removed, end};
    return end;
}
