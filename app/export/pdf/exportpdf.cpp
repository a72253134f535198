#include "app/export/pdf/exportpdf.h"

#include <optional>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/export/exportcommand.h"
#include "app/shared/gui/listingprinter.h"
#include "app/shared/gui/listingview.h"
#include "app/shared/gui/windowidentity.h"
#include "app/shared/identity.h"
#include "app/shared/language.h"
#include "platform/print/font.h"
#include "platform/system/temporaries.h"
#include "platform/ui/application.h"
#include "platform/ui/richedit.h"

int ExportPdf(const TExportOptions &options, char *programName)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Without a runtime folder (cron, su, containers) Qt would warn on standard error and
    // fall back on a shared one: the export gives it a private folder of its own instead.
    // A signal that ends the export takes the (empty) folder away too.
    std::optional<QTemporaryDir> runtimeFolder;
    TTemporaryName runtimeName;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtimeFolder.emplace(QDir::tempPath() + QStringLiteral("/vantrel-oruk-runtime-XXXXXX"));
        if (runtimeFolder->isValid()) {
            runtimeName.Hold(QFile::encodeName(runtimeFolder->path()).toStdString());
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder->path()));
        }
    }
    int qtArgc = 1;
    QApplication qtApplication(qtArgc, &programName);
    SetApplicationIdentity();
    InstallTranslations(UserLanguage());
    InstallFontSubstitutions();
    Application().SetTitle(QStringLiteral("Vantrel Oruk"));
    TRichEdit listing;
    listing.SetFont(ListingViewDesignFont());
    TViewSink viewSink(listing);
    if (const TReadResult read = ReadListing(options, viewSink); !read.Failure.isEmpty()) {
        ReportReadFailure(read.Failure);
        return 1;
    }
    try {
        PrintListingToPdf(listing, options.Output);
    } catch (const std::exception &error) {
        ReportFailure(error);
        return 1;
    }
    return 0;
}
