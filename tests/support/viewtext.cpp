#include "viewtext.h"

#include <QTextBlock>
#include <QTextDocument>

#include "platform/ui/richedit.h"

TParagraphs Paragraphs(const TRichEdit &view)
{
    TParagraphs result;
    const QTextDocument *document = view.Document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (!block.next().isValid() && block.text().isEmpty())
            break;
        const bool bold = block.begin() != block.end()
            && block.begin().fragment().charFormat().fontWeight() >= QFont::Bold;
        result.emplace_back(block.text(), bold);
    }
    return result;
}
