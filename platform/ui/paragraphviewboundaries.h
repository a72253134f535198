#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <QAccessible>
#include <QStringView>

class TParagraphStore;

// How assistive technologies step through the text of a paragraph store: characters
// (grapheme clusters), words and the stretches between them, sentences, shown lines and
// paragraphs. Each item is found within its own paragraph, in time proportional to that
// paragraph whatever the length of the text.
//
// A paragraph's break is a character of its own, and as a word it follows a word as the
// stretch "\n" ("Photos\n" is "Photos" and "\n") or ends the stretch before it (" \n"); a
// line, a sentence or a paragraph ends with its break. No item reaches across a paragraph
// break, and an empty paragraph is one item, its break.

// Where the items of one kind begin in a paragraph's text (which holds no break): 0 first,
// then the others in order, each at most text.size(). One at text.size() starts the item of
// the paragraph's break. A line's items are the shown lines, which the view gives: here a
// paragraph is one line.
std::vector<int> ItemStarts(QStringView text, QAccessible::TextBoundaryType type);

// An item of the text from Start up to End, positions of the store. {-1, -1} is no item.
struct TTextItem
{
    std::int64_t Start = -1;
    std::int64_t End = -1;
    bool operator==(const TTextItem &) const = default;
};

// The items of one kind over the whole text of a store. Positions beyond the text have
// no item. At the end of the text there is no character, word or sentence (the answer is
// the empty item there), but there is a line and a paragraph: the last one, or an empty
// one when the text ends with a break.
class TTextItems
{
public:
    // `starts` gives ItemStarts for a paragraph of the store; it is called for the
    // paragraphs an answer needs, and at most two.
    using TStarts = std::function<std::vector<int>(qsizetype paragraph)>;
    TTextItems(const TParagraphStore &store, QAccessible::TextBoundaryType type, TStarts starts);
    // Items as ItemStarts finds them.
    TTextItems(const TParagraphStore &store, QAccessible::TextBoundaryType type);

    TTextItem At(std::int64_t position) const;
    TTextItem Before(std::int64_t position) const;
    TTextItem After(std::int64_t position) const;

private:
    const TParagraphStore &m_store;
    QAccessible::TextBoundaryType m_type;
    TStarts m_starts;
};
