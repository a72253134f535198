#pragma once

#include <cstdint>
#include <vector>

#include <QString>
#include <QStringView>

#include "platform/document/paragraphblocks.h"

// The text of the rich text view, compact enough for listings of millions of lines: each
// paragraph costs an offset and a weight (bold or regular) besides its characters, which
// lie end to end with those of its neighbours in blocks of a few ten thousand characters
// (TParagraphBlocks). An edit moves what lies in one block after the edit point, so it
// costs the same at the start of a listing of millions of lines as at its end.
//
// The store always holds at least one paragraph; the last one is open (no break follows
// it) and is where the next appended line goes. Positions count characters with each
// paragraph break as one, so paragraph i starts at Position(i) = its offset + i and the
// text is Length() characters long; Append(n lines) to an empty store makes n paragraphs
// followed by an empty open one, Length() = characters + n.
//
// No paragraph holds a break: '\n', '\r', "\r\n" and U+2029 in replacing text split
// paragraphs, and Append turns them into line separators (U+2028) so that a line stays
// one paragraph.
class TParagraphStore
{
public:
    // What an edit is to the history: typed characters that follow one another, and
    // deletions that touch one another (Backspace or Delete held down), are undone as one
    // step, unless they make or join paragraphs.
    enum class TEditKind
    {
        Other,
        Typing,
        Deleting
    };

    explicit TParagraphStore(std::int64_t blockSize = TParagraphBlocks::DefaultBlockSize);

    // Removes all text and all history.
    void Clear();
    // Writes `text` at the end of the open paragraph and closes it with a break. An empty
    // open paragraph takes the weight `bold`; one holding typed text keeps its own.
    // Not recorded in the history.
    void Append(QStringView text, bool bold);
    // Gives the buffers back their unused room (after a long run of appends).
    void Squeeze();

    qsizetype Count() const { return m_paragraphs.Count(); }
    // The characters of the paragraph, valid until the next change of the store.
    QStringView Text(qsizetype paragraph) const { return m_paragraphs.Text(paragraph); }
    bool Bold(qsizetype paragraph) const { return m_paragraphs.Bold(paragraph); }
    // Characters in the text, each paragraph break counted as one.
    std::int64_t Length() const { return m_paragraphs.Characters() + Count() - 1; }
    std::int64_t Position(qsizetype paragraph) const { return m_paragraphs.Position(paragraph); }
    // The paragraph holding `position` (clamped to the text); a break belongs to the
    // paragraph it ends.
    qsizetype ParagraphAt(std::int64_t position) const { return m_paragraphs.ParagraphAt(position); }
    // Changes with every change of the text or its weights.
    std::int64_t Revision() const { return m_revision; }
    // The characters from `from` to `to`, paragraph breaks as '\n'.
    QString Slice(std::int64_t from, std::int64_t to) const;

    // Replaces the characters from `from` to `to` by `text` and answers where the new text
    // ends. Paragraphs the new text makes take the weight of the paragraph `from` lies in.
    std::int64_t Replace(
        std::int64_t from, std::int64_t to, QStringView text, TEditKind kind = TEditKind::Other);
    // Makes the next edit start a new step of the history even if it could join the last.
    void CloseEditStep() { m_canMerge = false; }

    // What the last Replace, Undo or Redo did to the text: from From on, the characters of
    // Removed (breaks as '\n') gave way to those now up to End.
    struct TChange
    {
        std::int64_t From = 0;
        QString Removed;
        std::int64_t End = 0;
    };
    const TChange &LastChange() const { return m_lastChange; }

    bool CanUndo() const { return m_done > 0; }
    bool CanRedo() const { return m_done < m_history.size(); }
    // Undo answers the end of the restored text and Redo the end of the replacing text,
    // where a caret goes; -1 when there is nothing to undo or redo.
    std::int64_t Undo();
    std::int64_t Redo();
    void ClearHistory();

private:
    struct TEdit
    {
        std::int64_t From = 0;
        QString Removed; // breaks as '\n'
        std::vector<bool> RemovedWeights; // of each paragraph Removed touched
        QString Inserted;
        TEditKind Kind = TEditKind::Other;
    };

    std::int64_t Splice(std::int64_t from, std::int64_t to, QStringView text);
    std::vector<bool> WeightsOf(std::int64_t from, std::int64_t to) const;
    void RestoreWeights(std::int64_t from, const std::vector<bool> &weights);
    bool Merge(const TEdit &edit);
    void Record(TEdit edit);

    TParagraphBlocks m_paragraphs;
    std::int64_t m_revision = 0;

    TChange m_lastChange;
    std::vector<TEdit> m_history;
    std::size_t m_done = 0; // edits of m_history in effect
    bool m_canMerge = false;
};
