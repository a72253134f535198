#include "platform/document/paragraphblocks.h"

#include <algorithm>
#include <iterator>

bool BreaksParagraph(char16_t c)
{
    // The characters QTextCursor::insertText starts a new block at.
    return c == u'\n' || c == u'\r' || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1;
}

namespace {

// Adds `delta` to the offsets from `from` on.
void Shift(TPackedArray<std::int64_t> &offsets, std::size_t from, std::int64_t delta)
{
    if (delta != 0)
        std::for_each(
            offsets.begin() + from, offsets.end(), [delta](std::int64_t &offset) { offset += delta; });
}

} // namespace

TParagraphBlocks::TParagraphBlocks(std::int64_t blockSize)
    : m_blockSize(std::max<std::int64_t>(blockSize, 4))
{
    Clear();
}

TParagraphBlocks::TBlock TParagraphBlocks::EmptyBlock()
{
    TBlock block;
    block.Offsets.PushBack(0);
    block.Offsets.PushBack(0);
    block.Weights.push_back(false);
    return block;
}

void TParagraphBlocks::Clear()
{
    std::vector<TBlock> blocks;
    blocks.push_back(EmptyBlock());
    m_blocks = std::move(blocks);
    m_starts = {TStart{0, 0}, TStart{1, 0}};
    m_lastBlock.store(0, std::memory_order_relaxed);
}

void TParagraphBlocks::Append(QStringView text, bool bold)
{
    TBlock *block = &m_blocks.back();
    const std::size_t count = block->Offsets.Size() - 1;
    if (block->Offsets.Back() == block->Offsets[count - 1]) { // the last paragraph is empty
        if (count > 1 && std::int64_t(block->Text.Size() + count) + text.size() + 1 > m_blockSize)
            block = &StartBlock();
        block->Weights.back() = bold;
    }
    TPackedArray<char16_t> &characters = block->Text;
    const std::size_t start = characters.Size();
    characters.Append(text.utf16(), std::size_t(text.size()));
    std::replace_if(characters.begin() + start, characters.end(), BreaksParagraph, char16_t(0x2028));
    const auto end = std::int64_t(characters.Size());
    block->Offsets.Back() = end;
    block->Offsets.PushBack(end);
    block->Weights.push_back(false);
    TStart &totals = m_starts.back();
    ++totals.Paragraph;
    totals.Character += text.size();
}

// Moves the empty last paragraph into a new block, after giving the full block back the
// room it will not use.
TParagraphBlocks::TBlock &TParagraphBlocks::StartBlock()
{
    TBlock &full = m_blocks.back();
    full.Offsets.Erase(full.Offsets.Size() - 1, full.Offsets.Size());
    full.Weights.pop_back();
    full.Text.ShrinkToFit();
    full.Offsets.ShrinkToFit();
    full.Weights.shrink_to_fit();
    m_starts.insert(m_starts.end() - 1, TStart{Count() - 1, Characters()});
    TBlock &block = m_blocks.emplace_back(EmptyBlock());
    // A block that appends fill is allocated once, at its full size.
    block.Text.Reserve(std::size_t(m_blockSize));
    block.Offsets.Reserve(std::size_t(m_blockSize / 16 + 2));
    return block;
}

void TParagraphBlocks::Squeeze()
{
    for (TBlock &block : m_blocks) {
        block.Text.ShrinkToFit();
        block.Offsets.ShrinkToFit();
        block.Weights.shrink_to_fit();
    }
    m_blocks.shrink_to_fit();
    m_starts.shrink_to_fit();
}

inline TParagraphBlocks::TPlace TParagraphBlocks::Locate(qsizetype paragraph) const
{
    std::size_t block = m_lastBlock.load(std::memory_order_relaxed);
    if (paragraph < m_starts[block].Paragraph || paragraph >= m_starts[block + 1].Paragraph) [[unlikely]]
        block = FindBlock(paragraph);
    return {block, std::size_t(paragraph - m_starts[block].Paragraph), 0};
}

std::size_t TParagraphBlocks::FindBlock(qsizetype paragraph) const
{
    // The last block starting at or before the paragraph; Count() is in the last.
    const auto after = std::upper_bound(m_starts.begin() + 1, m_starts.end() - 1, paragraph,
        [](qsizetype p, const TStart &start) { return p < start.Paragraph; });
    const auto block = std::size_t(after - m_starts.begin()) - 1;
    m_lastBlock.store(block, std::memory_order_relaxed);
    return block;
}

QStringView TParagraphBlocks::Text(qsizetype paragraph) const
{
    const TPlace place = Locate(paragraph);
    const TBlock &block = m_blocks[place.Block];
    const std::int64_t start = block.Offsets[place.Index];
    return QStringView(block.Text.Data() + start, qsizetype(block.Offsets[place.Index + 1] - start));
}

bool TParagraphBlocks::Bold(qsizetype paragraph) const
{
    const TPlace place = Locate(paragraph);
    return m_blocks[place.Block].Weights[place.Index];
}

void TParagraphBlocks::SetBold(qsizetype paragraph, bool bold)
{
    const TPlace place = Locate(paragraph);
    m_blocks[place.Block].Weights[place.Index] = bold;
}

std::int64_t TParagraphBlocks::Position(qsizetype paragraph) const
{
    const TPlace place = Locate(paragraph);
    return m_starts[place.Block].Character + m_blocks[place.Block].Offsets[place.Index] + paragraph;
}

qsizetype TParagraphBlocks::ParagraphAt(std::int64_t position) const
{
    const std::size_t block
        = std::size_t(std::upper_bound(m_starts.begin() + 1, m_starts.end() - 1, position,
                          [](std::int64_t p, const TStart &start) { return p < start.Position(); })
            - m_starts.begin() - 1);
    // The last paragraph of the block starting at or before the position.
    const TPackedArray<std::int64_t> &offsets = m_blocks[block].Offsets;
    const std::int64_t local = position - m_starts[block].Position();
    std::size_t low = 0;
    std::size_t high = m_blocks[block].Count();
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        if (offsets[middle] + std::int64_t(middle) <= local)
            low = middle;
        else
            high = middle;
    }
    return qsizetype(m_starts[block].Paragraph + std::int64_t(low));
}

TParagraphBlocks::TPlace TParagraphBlocks::PlaceOf(std::int64_t position) const
{
    const qsizetype paragraph = ParagraphAt(position);
    TPlace place = Locate(paragraph);
    place.Offset = std::size_t(position - m_starts[place.Block].Character - paragraph);
    return place;
}

void TParagraphBlocks::Remove(std::int64_t from, std::int64_t to)
{
    const TPlace first = PlaceOf(from);
    const TPlace last = PlaceOf(to);
    TBlock &head = m_blocks[first.Block];
    if (first.Block == last.Block) {
        head.Text.Erase(first.Offset, last.Offset);
        head.Offsets.Erase(first.Index + 1, last.Index + 1);
        Shift(head.Offsets, first.Index + 1, std::int64_t(first.Offset) - std::int64_t(last.Offset));
        head.Weights.erase(head.Weights.begin() + std::ptrdiff_t(first.Index) + 1,
            head.Weights.begin() + std::ptrdiff_t(last.Index) + 1);
    } else {
        // The head block keeps its text up to `from` and takes the tail block's from `to`
        // on; the blocks between go.
        const TBlock &tail = m_blocks[last.Block];
        head.Text.Erase(first.Offset, head.Text.Size());
        head.Text.Append(tail.Text.Data() + last.Offset, tail.Text.Size() - last.Offset);
        head.Offsets.Erase(first.Index + 1, head.Offsets.Size());
        const std::int64_t delta = std::int64_t(first.Offset) - std::int64_t(last.Offset);
        for (std::size_t i = last.Index + 1; i < tail.Offsets.Size(); ++i)
            head.Offsets.PushBack(tail.Offsets[i] + delta);
        head.Weights.resize(first.Index + 1);
        head.Weights.insert(
            head.Weights.end(), tail.Weights.begin() + std::ptrdiff_t(last.Index) + 1, tail.Weights.end());
        m_blocks.erase(m_blocks.begin() + std::ptrdiff_t(first.Block) + 1,
            m_blocks.begin() + std::ptrdiff_t(last.Block) + 1);
    }
    Renumber(first.Block);
    Rebalance(first.Block);
}

void TParagraphBlocks::Insert(std::int64_t at, QStringView text)
{
    const TPlace place = PlaceOf(at);
    std::vector<char16_t> characters;
    characters.reserve(std::size_t(text.size()));
    std::vector<std::int64_t> starts; // of the paragraphs the breaks make
    for (const QChar c : text) {
        if (c == u'\n')
            starts.push_back(std::int64_t(place.Offset + characters.size()));
        else
            characters.push_back(c.unicode());
    }
    TBlock &block = m_blocks[place.Block];
    block.Text.Insert(place.Offset, characters.data(), characters.size());
    block.Offsets.Insert(place.Index + 1, starts.data(), starts.size());
    Shift(block.Offsets, place.Index + 1 + starts.size(), std::int64_t(characters.size()));
    const bool bold = block.Weights[place.Index];
    block.Weights.insert(block.Weights.begin() + std::ptrdiff_t(place.Index) + 1, starts.size(), bold);
    Renumber(place.Block);
    Rebalance(place.Block);
}

// Counts the starts of the blocks from `block` on afresh.
void TParagraphBlocks::Renumber(std::size_t block)
{
    m_lastBlock.store(0, std::memory_order_relaxed); // there may be fewer blocks now
    m_starts.resize(m_blocks.size() + 1);
    for (std::size_t b = block; b < m_blocks.size(); ++b) {
        m_starts[b + 1].Paragraph = m_starts[b].Paragraph + std::int64_t(m_blocks[b].Count());
        m_starts[b + 1].Character = m_starts[b].Character + std::int64_t(m_blocks[b].Text.Size());
    }
}

void TParagraphBlocks::Rebalance(std::size_t block)
{
    const std::int64_t size = m_blocks[block].Size();
    if (size > m_blockSize) {
        Split(block);
    } else if (size < m_blockSize / 4) {
        if (block + 1 < m_blocks.size() && size + m_blocks[block + 1].Size() <= m_blockSize)
            Join(block);
        else if (block > 0 && m_blocks[block - 1].Size() + size <= m_blockSize)
            Join(block - 1);
    }
}

// Cuts a block into blocks of about half the block size, between paragraphs.
void TParagraphBlocks::Split(std::size_t index)
{
    TBlock &block = m_blocks[index];
    const std::int64_t half = m_blockSize / 2;
    auto size = [&block](std::size_t first, std::size_t end) {
        return block.Offsets[end] - block.Offsets[first] + std::int64_t(end - first);
    };
    std::vector<std::size_t> cuts; // the first paragraph of each new block
    std::size_t first = 0;
    for (std::size_t i = 1; i < block.Count(); ++i) {
        if (size(first, i + 1) > half) {
            cuts.push_back(i);
            first = i;
        }
    }
    // A small remainder stays with the piece before it.
    if (!cuts.empty() && size(cuts.back(), block.Count()) < half / 2) {
        const std::size_t before = cuts.size() > 1 ? cuts[cuts.size() - 2] : 0;
        if (size(before, block.Count()) <= m_blockSize)
            cuts.pop_back();
    }
    if (cuts.empty())
        return;

    std::vector<TBlock> pieces(cuts.size());
    for (std::size_t k = 0; k < cuts.size(); ++k) {
        const std::size_t begin = cuts[k];
        const std::size_t end = k + 1 < cuts.size() ? cuts[k + 1] : block.Count();
        const std::int64_t base = block.Offsets[begin];
        TBlock &piece = pieces[k];
        piece.Text.Append(block.Text.Data() + base, std::size_t(block.Offsets[end] - base));
        piece.Offsets.Reserve(end - begin + 1);
        for (std::size_t i = begin; i <= end; ++i)
            piece.Offsets.PushBack(block.Offsets[i] - base);
        piece.Weights.assign(
            block.Weights.begin() + std::ptrdiff_t(begin), block.Weights.begin() + std::ptrdiff_t(end));
    }
    block.Text.Erase(std::size_t(block.Offsets[cuts.front()]), block.Text.Size());
    block.Text.ShrinkToFit();
    block.Offsets.Erase(cuts.front() + 1, block.Offsets.Size());
    block.Offsets.ShrinkToFit();
    block.Weights.resize(cuts.front());
    block.Weights.shrink_to_fit();
    m_blocks.insert(m_blocks.begin() + std::ptrdiff_t(index) + 1, std::make_move_iterator(pieces.begin()),
        std::make_move_iterator(pieces.end()));
    Renumber(index);
}

// Moves the paragraphs of the block after `index` to the end of this one.
void TParagraphBlocks::Join(std::size_t index)
{
    TBlock &block = m_blocks[index];
    const TBlock &next = m_blocks[index + 1];
    const auto base = std::int64_t(block.Text.Size());
    block.Text.Append(next.Text.Data(), next.Text.Size());
    block.Offsets.Erase(block.Offsets.Size() - 1, block.Offsets.Size());
    for (std::size_t i = 0; i < next.Offsets.Size(); ++i)
        block.Offsets.PushBack(next.Offsets[i] + base);
    block.Weights.insert(block.Weights.end(), next.Weights.begin(), next.Weights.end());
    m_blocks.erase(m_blocks.begin() + std::ptrdiff_t(index) + 1);
    m_starts.erase(m_starts.begin() + std::ptrdiff_t(index) + 1);
    m_lastBlock.store(0, std::memory_order_relaxed);
}
