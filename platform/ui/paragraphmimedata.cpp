#include "platform/ui/paragraphmimedata.h"

#include "platform/document/clipformats.h"

namespace {

const QString PlainType = QStringLiteral("text/plain");
const QString HtmlType = QStringLiteral("text/html");
const QStringList RtfTypes = {QStringLiteral("text/rtf"), QStringLiteral("application/rtf")};

} // namespace

TParagraphMimeData::TParagraphMimeData(std::function<std::optional<TParagraphClip>()> take)
    : m_take(std::move(take))
{ }

QStringList TParagraphMimeData::formats() const
{
    return QStringList{PlainType, HtmlType} + RtfTypes;
}

bool TParagraphMimeData::hasFormat(const QString &mimeType) const
{
    return formats().contains(mimeType);
}

const TParagraphClip *TParagraphMimeData::Clip() const
{
    if (m_take) {
        m_clip = m_take();
        m_take = nullptr;
    }
    return m_clip ? &*m_clip : nullptr;
}

QVariant TParagraphMimeData::retrieveData(const QString &mimeType, QMetaType type) const
{
    const TParagraphClip *paragraphs = Clip();
    if (!paragraphs)
        return {};
    const TClipParagraphs clip{paragraphs->Text, paragraphs->Weights, paragraphs->Font};
    if (mimeType == PlainType)
        return type.id() == QMetaType::QByteArray ? QVariant(paragraphs->Text.toUtf8())
                                                  : QVariant(paragraphs->Text);
    if (mimeType == HtmlType)
        return type.id() == QMetaType::QString ? QVariant(QString::fromUtf8(ClipHtml(clip)))
                                               : QVariant(ClipHtml(clip));
    if (RtfTypes.contains(mimeType))
        return ClipRtf(clip);
    return {};
}
