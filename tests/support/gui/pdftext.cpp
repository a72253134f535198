#include "tests/support/gui/pdftext.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "platform/system/qtext.h"

namespace {

QByteArray Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

double Attribute(const QString &tag, const QString &name)
{
    const QRegularExpression pattern(name + QStringLiteral("=\"([0-9.]+)\""));
    return pattern.match(tag).captured(1).toDouble();
}

QString Unescaped(QString text)
{
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

} // namespace

std::vector<QString> PdfPageTexts(const std::string &pdfPath)
{
    const QString text = QString::fromUtf8(Run(
        QStringLiteral("pdftotext"), {QStringLiteral("-layout"), ToQString(pdfPath), QStringLiteral("-")}));
    std::vector<QString> pages;
    for (const QString &page : text.split(u'\f'))
        pages.push_back(page);
    // pdftotext ends the last page with a form feed too.
    if (!pages.empty() && pages.back().trimmed().isEmpty())
        pages.pop_back();
    return pages;
}

QString PdfTitle(const std::string &pdfPath)
{
    const QString info = QString::fromUtf8(Run(QStringLiteral("pdfinfo"), {ToQString(pdfPath)}));
    for (const QString &line : info.split(u'\n'))
        if (line.startsWith(QStringLiteral("Title:")))
            return line.mid(6).trimmed();
    return {};
}

std::vector<TPdfWord> PdfWords(const std::string &pdfPath)
{
    const QString html = QString::fromUtf8(
        Run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), ToQString(pdfPath), QStringLiteral("-")}));
    std::vector<TPdfWord> words;
    int page = 0;
    const QRegularExpression tag(QStringLiteral("<page[^>]*>|<word([^>]*)>([^<]*)</word>"));
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const auto match = it.next();
        if (match.captured(0).startsWith(QStringLiteral("<page"))) {
            ++page;
            continue;
        }
        const QString attributes = match.captured(1);
        words.push_back({page, Unescaped(match.captured(2)), Attribute(attributes, QStringLiteral("xMin")),
            Attribute(attributes, QStringLiteral("yMin")), Attribute(attributes, QStringLiteral("xMax")),
            Attribute(attributes, QStringLiteral("yMax"))});
    }
    return words;
}

std::vector<int> PdfImagePages(const std::string &pdfPath)
{
    const QString list
        = QString::fromUtf8(Run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), ToQString(pdfPath)}));
    std::vector<int> pages;
    const QStringList lines = list.split(u'\n');
    // Two heading lines, then one line per image beginning with its page number.
    for (qsizetype i = 2; i < lines.size(); ++i) {
        bool ok = false;
        const int page = lines[i].simplified().section(u' ', 0, 0).toInt(&ok);
        if (ok)
            pages.push_back(page);
    }
    return pages;
}

QImage PdfRegion(const std::string &pdfPath, int page, int dpi, const QRect &region)
{
    QTemporaryDir dir;
    const QString out = dir.path() + QStringLiteral("/region");
    Run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-gray"), QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
            QString::number(page), QStringLiteral("-l"), QString::number(page), QStringLiteral("-x"),
            QString::number(region.x()), QStringLiteral("-y"), QString::number(region.y()),
            QStringLiteral("-W"), QString::number(region.width()), QStringLiteral("-H"),
            QString::number(region.height()), QStringLiteral("-singlefile"), ToQString(pdfPath), out});
    return QImage(out + QStringLiteral(".pgm"));
}

QImage PdfPageImage(const std::string &pdfPath, int page, int dpi)
{
    QTemporaryDir dir;
    const QString out = dir.path() + QStringLiteral("/page");
    Run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
            QString::number(page), QStringLiteral("-l"), QString::number(page), QStringLiteral("-singlefile"),
            ToQString(pdfPath), out});
    return QImage(out + QStringLiteral(".png"));
}
