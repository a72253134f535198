#pragma once

#include <optional>

#include "app/read/readcommand.h"
#include "app/shared/listingfont.h"
#include "platform/ui/richedit.h"
#include "platform/ui/updatelock.h"

// Writes a read's listing into a rich text view: the listing's font on the whole view,
// then the lines in one update, which the view takes over when the sink goes, also
// when the listing stops part-way.
class TViewSink : public IReadSink
{
public:
    explicit TViewSink(TRichEdit &view)
        : m_view(view)
    { }
    TViewSink(const TViewSink &) = delete;
    TViewSink &operator=(const TViewSink &) = delete;

    void BeginListing(const TFont &font) override;
    void AppendLine(QStringView text, bool bold) override;

private:
    TRichEdit &m_view;
    std::optional<TUpdateLock<TRichEdit>> m_update;
};
