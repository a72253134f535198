#include "app/shared/gui/listingview.h"

#include "platform/document/paragraphstore.h"

void TViewSink::BeginListing(const TFont &font)
{
    m_view.SetFont(font);
    // Text typed into the emptied view while the walk went on stays a paragraph of its
    // own: the listing's first line would take its weight and join it.
    const TParagraphStore &store = m_view.Store();
    if (!store.Text(store.Count() - 1).isEmpty()) {
        m_view.SetNextLineBold(false);
        m_view.AppendLine(QStringView());
    }
    if (!m_update)
        m_update.emplace(m_view);
}

void TViewSink::AppendLine(QStringView text, bool bold)
{
    m_view.SetNextLineBold(bold);
    m_view.AppendLine(text);
    if (bold)
        m_view.SetNextLineBold(false);
}
