#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <QStringView>

#include "platform/system/packedarray.h"

// Whether the character ends a paragraph where text is written into the store: '\n',
// '\r', U+2029 and the two noncharacters QTextCursor takes for block breaks.
bool BreaksParagraph(char16_t c);

// The paragraphs of a TParagraphStore, cut into blocks of whole paragraphs so that an edit
// moves the characters and offsets of one block, never those of the whole text.
//
// A block keeps its paragraphs end to end in one UTF-16 buffer, so that the characters
// of a paragraph stay contiguous, with an offset and a weight (bold or regular) per
// paragraph; a table gives the first paragraph and the first character of each block.
// A block covers about BlockSize positions at most (its characters and a break after
// each paragraph), more only when one paragraph alone is longer. Blocks that grow beyond
// that are cut in two, and one that shrinks below a quarter of it joins a neighbour, so an
// edit costs the moves inside one or two blocks and one pass over the table, which holds a
// row per BlockSize positions of text.
//
// Positions count characters with each paragraph break as one. There is always at least
// one paragraph, and every block holds at least one.
class TParagraphBlocks
{
public:
    static constexpr std::int64_t DefaultBlockSize = 32 * 1024;

    explicit TParagraphBlocks(std::int64_t blockSize = DefaultBlockSize);

    // Leaves one empty paragraph, of regular weight.
    void Clear();
    // Writes `text` at the end of the last paragraph, its breaks as line separators
    // (U+2028), and starts a new, empty last paragraph. An empty last paragraph takes the
    // weight `bold` first.
    void Append(QStringView text, bool bold);
    // Gives the buffers back their unused room.
    void Squeeze();

    qsizetype Count() const { return qsizetype(m_starts.back().Paragraph); }
    // Characters in all paragraphs, breaks left out.
    std::int64_t Characters() const { return m_starts.back().Character; }
    QStringView Text(qsizetype paragraph) const;
    bool Bold(qsizetype paragraph) const;
    void SetBold(qsizetype paragraph, bool bold);
    std::int64_t Position(qsizetype paragraph) const;
    // The last paragraph starting at or before `position`.
    qsizetype ParagraphAt(std::int64_t position) const;

    // Removes the positions from `from` to `to`, joining the paragraphs they touch into
    // the first one, which keeps its weight. 0 <= from <= to <= the text's length.
    void Remove(std::int64_t from, std::int64_t to);
    // Puts `text` at `at`, each '\n' in it a paragraph break (no other breaks may be in
    // it); paragraphs it makes take the weight of the paragraph it lands in.
    void Insert(std::int64_t at, QStringView text);

private:
    struct TBlock
    {
        TPackedArray<char16_t> Text;
        // Where each paragraph starts in Text, and one more: the end of the last.
        TPackedArray<std::int64_t> Offsets;
        std::vector<bool> Weights;

        std::size_t Count() const { return Weights.size(); }
        std::int64_t Size() const { return std::int64_t(Text.Size() + Weights.size()); }
    };
    // The first paragraph of a block and the characters before it.
    struct TStart
    {
        std::int64_t Paragraph = 0;
        std::int64_t Character = 0;

        std::int64_t Position() const { return Paragraph + Character; }
    };
    // Paragraph Index of block Block, and a character Offset in its text.
    struct TPlace
    {
        std::size_t Block = 0;
        std::size_t Index = 0;
        std::size_t Offset = 0;
    };

    static TBlock EmptyBlock();
    TPlace Locate(qsizetype paragraph) const;
    std::size_t FindBlock(qsizetype paragraph) const;
    TPlace PlaceOf(std::int64_t position) const;
    TBlock &StartBlock();
    void Renumber(std::size_t block);
    void Rebalance(std::size_t block);
    void Split(std::size_t block);
    void Join(std::size_t block);

    std::int64_t m_blockSize;
    std::vector<TBlock> m_blocks;
    // The start of each block, and one more: the paragraphs and characters in all.
    std::vector<TStart> m_starts;
    // The block the last look-up found, as readers mostly go paragraph after paragraph:
    // always a block of m_blocks (changes that remove blocks set it back to the first),
    // and atomic so that readers on several threads may share the store.
    mutable std::atomic<std::size_t> m_lastBlock{0};
};
