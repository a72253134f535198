#include "platform/document/paragraphstore.h"

#include <algorithm>

bool BreaksParagraph(char16_t c)
{
    // The characters QTextCursor::insertText starts a new block at.
    return c == u'\n' || c == u'\r' || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1;
}

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

// The lengths of the text's paragraphs between its '\n's.
std::vector<qsizetype> SegmentLengths(QStringView text)
{
    std::vector<qsizetype> lengths{0};
    for (const QChar c : text) {
        if (c == u'\n')
            lengths.push_back(0);
        else
            ++lengths.back();
    }
    return lengths;
}

} // namespace

TParagraphStore::TParagraphStore()
{
    Clear();
}

void TParagraphStore::Clear()
{
    m_text.Clear();
    m_offsets.Clear();
    m_offsets.PushBack(0);
    m_offsets.PushBack(0);
    m_weights = {false};
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
    const qsizetype open = Count() - 1;
    if (Text(open).isEmpty())
        m_weights[std::size_t(open)] = bold;
    const std::size_t start = m_text.Size();
    m_text.Append(text.utf16(), std::size_t(text.size()));
    std::replace_if(m_text.begin() + start, m_text.end(), BreaksParagraph, char16_t(0x2028));
    const auto end = std::int64_t(m_text.Size());
    m_offsets.Back() = end;
    m_offsets.PushBack(end);
    m_weights.push_back(false);
    ++m_revision;
    m_canMerge = false;
}

void TParagraphStore::Squeeze()
{
    m_text.ShrinkToFit();
    m_offsets.ShrinkToFit();
    m_weights.shrink_to_fit();
}

QStringView TParagraphStore::Text(qsizetype paragraph) const
{
    const auto i = std::size_t(paragraph);
    return QStringView(m_text.Data() + m_offsets[i], qsizetype(m_offsets[i + 1] - m_offsets[i]));
}

std::int64_t TParagraphStore::Position(qsizetype paragraph) const
{
    return m_offsets[std::size_t(paragraph)] + paragraph;
}

qsizetype TParagraphStore::ParagraphAt(std::int64_t position) const
{
    // The last paragraph starting at or before the position.
    qsizetype low = 0;
    qsizetype high = Count();
    while (high - low > 1) {
        const qsizetype middle = low + (high - low) / 2;
        if (Position(middle) <= position)
            low = middle;
        else
            high = middle;
    }
    return low;
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
    const auto first = m_weights.begin() + ParagraphAt(from);
    const auto last = m_weights.begin() + ParagraphAt(to) + 1;
    return std::vector<bool>(first, last);
}

void TParagraphStore::RestoreWeights(std::int64_t from, const std::vector<bool> &weights)
{
    std::copy(weights.begin(), weights.end(), m_weights.begin() + ParagraphAt(from));
    ++m_revision;
}

std::int64_t TParagraphStore::Splice(std::int64_t from, std::int64_t to, QStringView text)
{
    const qsizetype first = ParagraphAt(from);
    const qsizetype last = ParagraphAt(to);
    const auto bufferFrom = std::size_t(m_offsets[std::size_t(first)] + from - Position(first));
    const auto bufferTo = std::size_t(m_offsets[std::size_t(last)] + to - Position(last));
    const qsizetype head = qsizetype(bufferFrom) - qsizetype(m_offsets[std::size_t(first)]);
    const qsizetype tail = qsizetype(m_offsets[std::size_t(last) + 1] - std::int64_t(bufferTo));

    std::vector<char16_t> characters;
    characters.reserve(std::size_t(text.size()));
    for (const QChar c : text) {
        if (c != u'\n')
            characters.push_back(c.unicode());
    }
    m_text.Erase(bufferFrom, bufferTo);
    m_text.Insert(bufferFrom, characters.data(), characters.size());

    std::vector<qsizetype> lengths = SegmentLengths(text);
    lengths.front() += head;
    lengths.back() += tail;
    SpliceParagraphs(first, last, lengths, m_weights[std::size_t(first)]);
    ++m_revision;
    return from + text.size();
}

// Paragraphs first..last become paragraphs of the given lengths, starting where `first`
// started; those after them move by the difference.
void TParagraphStore::SpliceParagraphs(
    qsizetype first, qsizetype last, const std::vector<qsizetype> &lengths, bool bold)
{
    const auto f = std::size_t(first);
    const auto l = std::size_t(last);
    const std::int64_t oldEnd = m_offsets[l + 1];
    std::vector<std::int64_t> starts;
    std::int64_t start = m_offsets[f];
    for (std::size_t i = 0; i + 1 < lengths.size(); ++i) {
        start += lengths[i];
        starts.push_back(start);
    }
    const std::int64_t delta = start + lengths.back() - oldEnd;
    m_offsets.Erase(f + 1, l + 1);
    m_offsets.Insert(f + 1, starts.data(), starts.size());
    if (delta != 0)
        std::for_each(m_offsets.begin() + f + 1 + starts.size(), m_offsets.end(),
            [delta](std::int64_t &offset) { offset += delta; });

    const auto keptWeights = m_weights.erase(m_weights.begin() + f + 1, m_weights.begin() + l + 1);
    m_weights.insert(keptWeights, starts.size(), bold);
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
