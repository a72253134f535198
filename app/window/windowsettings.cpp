#include "app/window/windowsettings.h"

#include <cstdio>
#include <ostream>

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "platform/system/registry.h"
#include "platform/system/translation.h"
#include "platform/system/utf8.h"

namespace {

const QString KeyDirsOnly = QStringLiteral("Options/DirsOnly");
const QString KeySorted = QStringLiteral("Options/Sorted");
const QString KeySizes = QStringLiteral("Options/Sizes");
const QString KeyDates = QStringLiteral("Options/Dates");
const QString KeyFolder = QStringLiteral("Window/Folder");
const QString KeyGeometry = QStringLiteral("Window/Geometry");
const QString KeyFontName = QStringLiteral("Font/Name");
const QString KeyFontHeight = QStringLiteral("Font/Height");
const QString KeyFontStyle = QStringLiteral("Font/Style");
const QString KeyFontStyleName = QStringLiteral("Font/StyleName");
const QString KeyFontColor = QStringLiteral("Font/Color");
const QString KeyFontCharset = QStringLiteral("Font/Charset");
const QString KeyFontPixelsPerInch = QStringLiteral("Font/PixelsPerInch");

bool Flag(const QSettings &settings, const QString &key)
{
    return settings.value(key).toString() == u"true";
}

std::optional<int> Number(const QSettings &settings, const QString &key, int lowest, int highest)
{
    bool ok = false;
    const int value = settings.value(key).toString().toInt(&ok);
    return ok && value >= lowest && value <= highest ? std::optional<int>(value) : std::nullopt;
}

// The font as saved; std::nullopt when any part of it is missing or out of its range.
std::optional<TFont> FontOf(const QSettings &settings)
{
    TFont font;
    font.Name = settings.value(KeyFontName).toString();
    const auto height = Number(settings, KeyFontHeight, -1638, 1638);
    const auto style = Number(settings, KeyFontStyle, 0, 15);
    const auto color = Number(settings, KeyFontColor, INT32_MIN, INT32_MAX);
    const auto charset = Number(settings, KeyFontCharset, 0, 255);
    const auto pixelsPerInch = Number(settings, KeyFontPixelsPerInch, 1, 9600);
    if (font.Name.isEmpty() || !height || *height == 0 || !style || !color || !charset || !pixelsPerInch)
        return std::nullopt;
    font.Height = *height;
    font.Style = TFontStyles::FromBits(std::uint32_t(*style));
    font.Color = *color;
    font.Charset = *charset;
    font.PixelsPerInch = *pixelsPerInch;
    font.StyleName = settings.value(KeyFontStyleName).toString();
    return font;
}

bool WriteRemembered(const QString &path, const TRemembered &remembered)
{
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(KeyDirsOnly, remembered.DirsOnly);
    settings.setValue(KeySorted, remembered.Sorted);
    settings.setValue(KeySizes, remembered.Sizes);
    settings.setValue(KeyDates, remembered.Dates);
    if (remembered.Font) {
        const TFont &font = *remembered.Font;
        settings.setValue(KeyFontName, font.Name);
        settings.setValue(KeyFontHeight, font.Height);
        settings.setValue(KeyFontStyle, int(font.Style.Bits()));
        settings.setValue(KeyFontStyleName, font.StyleName);
        settings.setValue(KeyFontColor, font.Color);
        settings.setValue(KeyFontCharset, font.Charset);
        settings.setValue(KeyFontPixelsPerInch, font.PixelsPerInch);
    }
    // A name that is not UTF-8 keeps its bytes (Qt writes it as @ByteArray(...)).
    const QByteArray folder = QByteArray::fromStdString(remembered.Folder);
    if (IsUtf8(remembered.Folder))
        settings.setValue(KeyFolder, QString::fromUtf8(folder));
    else
        settings.setValue(KeyFolder, folder);
    settings.setValue(KeyGeometry, remembered.Geometry);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace

QString RememberedPath()
{
    return TRegistry::ConfigFolder() + QStringLiteral("/vantrel-oruk.conf");
}

std::optional<TRemembered> LoadRemembered(const QString &path, std::ostream &err)
{
    const QFileInfo file(path);
    if (!file.exists() && !file.isSymLink())
        return std::nullopt;
    const auto refuse = [&] {
        err << WithArguments(
            TranslatedUtf8("TRemembered", "vantrel-oruk : réglages illisibles ou endommagés ignorés : %1"),
            {QFile::encodeName(path).toStdString()})
            << "\n";
        return std::nullopt;
    };
    // Only a regular file is opened: a FIFO would block the start.
    if (!file.isFile() || !file.isReadable())
        return refuse();
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return refuse();
    TRemembered remembered;
    remembered.DirsOnly = Flag(settings, KeyDirsOnly);
    remembered.Sorted = Flag(settings, KeySorted);
    remembered.Sizes = Flag(settings, KeySizes);
    remembered.Dates = Flag(settings, KeyDates);
    remembered.Font = FontOf(settings);
    const QVariant folder = settings.value(KeyFolder);
    remembered.Folder
        = (folder.typeId() == QMetaType::QByteArray ? folder.toByteArray() : folder.toString().toUtf8())
              .toStdString();
    remembered.Geometry = settings.value(KeyGeometry).toByteArray();
    return remembered;
}

bool SaveRemembered(const QString &path, const TRemembered &remembered)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    // Written to a file of its own, then renamed over the old one: the old one is never
    // half written, and a damaged one (which Qt would refuse to write over) is replaced.
    const QString fresh = path + QStringLiteral(".new");
    QFile::remove(fresh);
    if (!WriteRemembered(fresh, remembered)
        || std::rename(QFile::encodeName(fresh), QFile::encodeName(path)) != 0) {
        QFile::remove(fresh);
        return false;
    }
    return true;
}