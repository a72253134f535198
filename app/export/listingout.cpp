#include "app/export/listingout.h"

#include <algorithm>

#include <QIODevice>

#include "app/shared/listingfont.h"
#include "platform/document/paragraphoutput.h"
#include "platform/document/paragraphstore.h"

namespace {

constexpr qsizetype WriteChunk = 64 * 1024;
// The first bytes go out sooner, for a reader at the other end of a pipe.
constexpr qsizetype FirstChunk = 4 * 1024;

} // namespace

TListingOut::TListingOut(QIODevice &out, TForm form)
    : m_out(out)
    , m_form(form)
    , m_font(ListingViewDesignFont())
{
    m_text.reserve(WriteChunk + 4096);
}

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
    m_text += m_line.toUtf8();
    m_text += '\n';
    if (m_text.size() >= (m_written ? WriteChunk : FirstChunk))
        Put(false);
}

void TListingOut::Finish()
{
    if (m_form == TForm::Rtf) {
        // The view's last paragraph, open and empty after the lines.
        Rtf().WriteText(QStringView(), false);
        Rtf().Finish();
        return;
    }
    Put(true);
}

TRtfWriter &TListingOut::Rtf()
{
    if (!m_rtf)
        m_rtf.emplace(m_out, RtfFontOf(m_font));
    return *m_rtf;
}

void TListingOut::Put(bool all)
{
    WriteAll(m_out, m_text);
    m_written = true;
    m_text.resize(0);
    if (all)
        FlushDevice(m_out);
}
