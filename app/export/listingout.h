#pragma once

#include <optional>

#include <QString>

#include "app/export/bufferedout.h"
#include "app/read/readcommand.h"
#include "platform/document/rtfwriter.h"

class QIODevice;

// Writes a read's listing to a file or a stream as its lines come, as plain text (each
// line one UTF-8 line ending in "\n") or as RTF in the listing's font, with no view in
// between: the same bytes as the view of the window writes for the same lines. A
// listing that never begins (a folder without files) is written in the view's design
// font.
class TListingOut : public IReadSink
{
public:
    enum class TForm
    {
        PlainText,
        Rtf,
    };

    TListingOut(QIODevice &out, TForm form);

    void BeginListing(const TFont &font) override;
    void AppendLine(QStringView text, bool bold) override;
    // Ends the document and hands over what is buffered. Throws EWriteError when the
    // device does not take the bytes.
    void Finish();

private:
    TRtfWriter &Rtf();

    QIODevice &m_out;
    const TForm m_form;
    TFont m_font;
    std::optional<TRtfWriter> m_rtf; // made with the first line, in the listing's font
    TBufferedOut m_text; // plain text not yet handed over
    QString m_line; // the last line, its room kept from one line to the next
};
