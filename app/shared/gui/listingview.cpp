#include "app/shared/gui/listingview.h"

void TViewSink::BeginListing(const TFont &font)
{
    m_view.SetFont(font);
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
