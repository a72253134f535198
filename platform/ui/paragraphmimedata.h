#pragma once

#include <vector>

#include <QMimeData>
#include <QString>

#include "platform/document/rtfwriter.h"

// Paragraphs copied from a paragraph view, for the clipboard: plain text, and for word
// processors HTML and RTF (text/rtf and application/rtf) with the bold paragraphs bold in
// the view's font. The rich formats are made only when a program asks for them.
class TParagraphMimeData : public QMimeData
{
    Q_OBJECT

public:
    // `text` holds the paragraphs with '\n' between them, `weights` whether each is bold.
    TParagraphMimeData(QString text, std::vector<bool> weights, TRtfFont font);

    QStringList formats() const override;
    bool hasFormat(const QString &mimeType) const override;

protected:
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override;

private:
    QString m_text;
    std::vector<bool> m_weights;
    TRtfFont m_font;
};
