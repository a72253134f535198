#pragma once

// Texts in the user's language. The code's own texts are the source: French for the
// program's captions and messages, English for the shell's. A catalogue installed here
// turns them into the user's language; without one the source text stands.
//
// Translated and TranslatedUtf8 take QCoreApplication::translate's arguments, and the
// catalogues' maker (lupdate) reads them as it reads that function.

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include <QString>

class QTranslator;

QString Translated(
    const char *context, const char *sourceText, const char *disambiguation = nullptr, int n = -1);
std::string TranslatedUtf8(
    const char *context, const char *sourceText, const char *disambiguation = nullptr, int n = -1);

// `text` with %1, %2, ... replaced in one pass by the bytes of `values` as they are: a
// file name need not be UTF-8, which QString::arg would change.
std::string WithArguments(std::string_view text, std::initializer_list<std::string_view> values);

// Adds a catalogue, which answers before those added earlier. With an application object
// it is installed there too, so that tr() uses it; a program without one (the export)
// still gets its texts through Translated.
void InstallCatalogue(std::unique_ptr<QTranslator> catalogue);
// Whether the catalogue of that file was added.
bool HasCatalogue(const QString &filePath);
// Installs the catalogues added before the application object was made on it.
void InstallCataloguesOnApplication();
// Removes every catalogue added, for a test that changes language.
void RemoveCatalogues();
// Changes each time a catalogue is added or removed, so that texts translated once and
// kept for speed are translated again.
int CatalogueGeneration();
