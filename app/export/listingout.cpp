#include "app/export/listingout.h"

#include <algorithm>

#include <QIODevice>

#include "app/shared/listingfont.h"
#include "platform/document/paragraphoutput.h"
#include "platform/document/paragraphstore.h"

TListingOut::TListingOut(QIODevice &out, TForm form)
    : m_out(out)
    , m_form(form)
    , m_font(ListingViewDesignFont())
    , m_text(out)
{ }

void TListingOut::BeginListing(const TFont &font)
{
    m_font = font;
}

void TListingOut::AppendLine(QStringView text, bool bold)
{
    // A break within a line becomes a line separator, as the view's store makes it.
    m_line = text.toString();
    std::replace_if(
        m_line.begin(), m_line.end(), [](QChar c) { return BreaksParagraph(c.unicode()); }, QChar(0x2028));
    if (m_form == TForm::Rtf) {
        Rtf().WriteText(m_line, bold);
        Rtf().EndParagraph();
        return;
    }
    const QByteArray utf8 = m_line.toUtf8();
    m_text.Text().append(utf8.data(), static_cast<std::size_t>(utf8.size())).push_back('\n');
    m_text.Pass();
}

void TListingOut::Finish()
{
    if (m_form == TForm::Rtf) {
        // The view's last paragraph, open and empty after the lines.
        Rtf().WriteText(QStringView(), false);
        Rtf().Finish();
        return;
    }
    m_text.Flush();
    FlushDevice(m_out);
}

TRtfWriter &TListingOut::Rtf()
{
    if (!m_rtf)
        m_rtf.emplace(m_out, RtfFontOf(m_font));
    return *m_rtf;
}
