#include "tests/support/catalogue.h"

#include <memory>

#include <QTranslator>

#include "platform/system/translation.h"

bool InstallTestCatalogue(const QString &language)
{
    auto catalogue = std::make_unique<QTranslator>();
    if (!catalogue->load(QStringLiteral("vantrel-oruk_") + language,
            QStringLiteral(VANTREL_BINARY_DIR "/../share/vantrel-oruk/translations")))
        return false;
    InstallCatalogue(std::move(catalogue));
    return true;
}
