#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QMimeData>
#include <QString>

#include "platform/document/rtfwriter.h"

// Paragraphs copied from a paragraph view: their text with '\n' between them, whether
// each is bold, and the font they are shown in.
struct TParagraphClip
{
    QString Text;
    std::vector<bool> Weights;
    TRtfFont Font;
};

// Paragraphs of a paragraph view for the clipboard: plain text, and for word processors
// HTML and RTF (text/rtf and application/rtf) with the bold paragraphs bold in the view's
// font. The paragraphs are taken when a program first asks for them, so that a selection
// offered on every change of it (X11's primary selection) costs nothing until pasted;
// `take` answers nothing when they are gone meanwhile.
class TParagraphMimeData : public QMimeData
{
    Q_OBJECT

public:
    explicit TParagraphMimeData(std::function<std::optional<TParagraphClip>()> take);

    QStringList formats() const override;
    bool hasFormat(const QString &mimeType) const override;

protected:
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override;

private:
    const TParagraphClip *Clip() const;

    mutable std::function<std::optional<TParagraphClip>()> m_take;
    mutable std::optional<TParagraphClip> m_clip;
};
