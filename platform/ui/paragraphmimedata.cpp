#include "platform/ui/paragraphmimedata.h"

#include "platform/document/clipformats.h"

namespace {

const QString PlainType = QStringLiteral("text/plain");
const QString HtmlType = QStringLiteral("text/html");
const QStringList RtfTypes = {QStringLiteral("text/rtf"), QStringLiteral("application/rtf")};

} // namespace

TParagraphMimeData::TParagraphMimeData(QString text, std::vector<bool> weights, TRtfFont font)
    : m_text(std::move(text))
    , m_weights(std::move(weights))
    , m_font(std::move(font))
{ }

QStringList TParagraphMimeData::formats() const
{
    return QStringList{PlainType, HtmlType} + RtfTypes;
}

bool TParagraphMimeData::hasFormat(const QString &mimeType) const
{
    return formats().contains(mimeType);
}

QVariant TParagraphMimeData::retrieveData(const QString &mimeType, QMetaType type) const
{
    const TClipParagraphs clip{m_text, m_weights, m_font};
    if (mimeType == PlainType)
        return type.id() == QMetaType::QByteArray ? QVariant(m_text.toUtf8()) : QVariant(m_text);
    if (mimeType == HtmlType)
        return type.id() == QMetaType::QString ? QVariant(QString::fromUtf8(ClipHtml(clip)))
                                               : QVariant(ClipHtml(clip));
    if (RtfTypes.contains(mimeType))
        return ClipRtf(clip);
    return {};
}
