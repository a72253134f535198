#pragma once

#include "platform/print/printerlayout.h"

class TParagraphStore;

// The store's paragraphs as the page layout prints them: a bold paragraph is one bold run.
class TStorePrintParagraphs final : public TPrintParagraphs
{
public:
    explicit TStorePrintParagraphs(const TParagraphStore &store)
        : m_store(store)
    { }

    qsizetype Count() const override;
    QStringView Text(qsizetype paragraph) const override;
    QList<QTextLayout::FormatRange> BoldRuns(qsizetype paragraph) const override;
    std::int64_t Position(qsizetype paragraph) const override;
    qsizetype ParagraphAt(std::int64_t position) const override;
    std::int64_t Revision() const override;

private:
    const TParagraphStore &m_store;
};
