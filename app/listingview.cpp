#include "app/listingview.h"

#include "platform/ui/richedit.h"

TFont ListingViewDesignFont()
{
    TFont font;
    font.Name = QStringLiteral("Arial");
    font.Height = -12;
    return font;
}

TViewSink::~TViewSink()
{
    if (m_updating)
        m_view.EndUpdate();
}

void TViewSink::BeginListing(const TFont &font)
{
    m_view.SetFont(font);
    if (!m_updating)
        m_view.BeginUpdate();
    m_updating = true;
}

void TViewSink::AppendLine(QStringView text, bool bold)
{
    m_view.SetNextLineBold(bold);
    m_view.AppendLine(text);
    if (bold)
        m_view.SetNextLineBold(false);
}
