#include "tests/support/libreoffice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include "platform/system/qtext.h"

namespace {

constexpr int TimeoutMs = 120 * 1000;

QString SofficePath()
{
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

} // namespace

bool LibreOfficeAvailable()
{
    return !SofficePath().isEmpty();
}

std::optional<std::string> ConvertWithLibreOffice(
    const std::string &inputPath, const std::string &filter, const std::string &outDir)
{
    const QString soffice = SofficePath();
    if (soffice.isEmpty())
        return std::nullopt;
    // LibreOffice locks its user profile: two conversions sharing one would collide.
    QTemporaryDir profile(QDir::tempPath() + QStringLiteral("/lo-profile-XXXXXX"));
    if (!profile.isValid())
        return std::nullopt;

    const QString input = ToQString(inputPath);
    const QString qFilter = ToQString(filter);
    const QString extension = qFilter.section(QLatin1Char(':'), 0, 0);
    const QString output = QDir(ToQString(outDir))
                               .filePath(QFileInfo(input).completeBaseName() + QLatin1Char('.') + extension);
    QFile::remove(output);

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The tests run on Qt's offscreen platform; LibreOffice has its own headless backend.
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("SAL_USE_VCLPLUGIN"), QStringLiteral("svp"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(soffice,
        {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile.path()).toString(),
            QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--nolockcheck"),
            QStringLiteral("--convert-to"), qFilter, QStringLiteral("--outdir"), ToQString(outDir), input});
    if (!process.waitForStarted())
        return std::nullopt;
    if (!process.waitForFinished(TimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;

    QFile file(output);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll().toStdString();
}
