#include "tests/support/gui/viewtext.h"

#include "platform/ui/richedit.h"

TParagraphs Paragraphs(const TRichEdit &view)
{
    TParagraphs result;
    const TParagraphStore &store = view.Store();
    for (qsizetype i = 0; i < store.Count(); ++i) {
        if (i + 1 == store.Count() && store.Text(i).isEmpty())
            break;
        result.emplace_back(store.Text(i).toString(), store.Bold(i) && !store.Text(i).isEmpty());
    }
    return result;
}
