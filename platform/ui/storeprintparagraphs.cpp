#include "platform/ui/storeprintparagraphs.h"

#include "platform/document/paragraphstore.h"

qsizetype TStorePrintParagraphs::Count() const
{
    return m_store.Count();
}

QStringView TStorePrintParagraphs::Text(qsizetype paragraph) const
{
    return m_store.Text(paragraph);
}

QList<QTextLayout::FormatRange> TStorePrintParagraphs::BoldRuns(qsizetype paragraph) const
{
    return m_store.Bold(paragraph) ? WholeBoldRun(m_store.Text(paragraph).size())
                                   : QList<QTextLayout::FormatRange>();
}

std::int64_t TStorePrintParagraphs::Position(qsizetype paragraph) const
{
    return m_store.Position(paragraph);
}

qsizetype TStorePrintParagraphs::ParagraphAt(std::int64_t position) const
{
    return m_store.ParagraphAt(position);
}

std::int64_t TStorePrintParagraphs::Revision() const
{
    return m_store.Revision();
}
