#pragma once

// The program's catalogues for tests below the application layer, which cannot reach
// app/shared's language setup: the catalogue built beside the test programs
// (build/share/vantrel-oruk/translations) is installed as the program installs it, so
// that Translated, tr() and Qt's own texts answer in its language until
// RemoveCatalogues.

#include <QString>

// Installs vantrel-oruk_<language>.qm ("fr", "en"); false when it cannot be loaded.
bool InstallTestCatalogue(const QString &language);
