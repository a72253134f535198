#include "platform/system/translation.h"

#include <atomic>
#include <vector>

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace {

// Puts the count into the text's "%n" (and "%Ln", written the locale's way), as
// QCoreApplication::translate does: a catalogue asked directly answers the text as it is
// stored, the placeholder still in it.
QString WithCount(QString text, int n)
{
    if (n < 0)
        return text;
    for (qsizetype at = text.indexOf(u'%'); at != -1 && at + 1 < text.size();
         at = text.indexOf(u'%', at + 1)) {
        const bool local = text.at(at + 1) == u'L';
        const qsizetype letter = at + (local ? 2 : 1);
        if (letter >= text.size() || text.at(letter) != u'n')
            continue;
        const QString number = local ? QLocale().toString(n) : QString::number(n);
        text.replace(at, letter + 1 - at, number);
        at += number.size() - 1;
    }
    return text;
}

// Installed at start, before any thread reads them, and removed only by tests.
std::vector<std::unique_ptr<QTranslator>> &Catalogues()
{
    static std::vector<std::unique_ptr<QTranslator>> catalogues;
    return catalogues;
}

std::atomic<int> Generation{0};

} // namespace

QString Translated(const char *context, const char *sourceText, const char *disambiguation, int n)
{
    const auto &catalogues = Catalogues();
    for (auto catalogue = catalogues.rbegin(); catalogue != catalogues.rend(); ++catalogue) {
        QString text = (*catalogue)->translate(context, sourceText, disambiguation, n);
        if (!text.isEmpty())
            return WithCount(std::move(text), n);
    }
    if (QCoreApplication::instance())
        return QCoreApplication::translate(context, sourceText, disambiguation, n);
    return WithCount(QString::fromUtf8(sourceText), n);
}

std::string TranslatedUtf8(const char *context, const char *sourceText, const char *disambiguation, int n)
{
    return Translated(context, sourceText, disambiguation, n).toStdString();
}

std::string WithArguments(std::string_view text, std::initializer_list<std::string_view> values)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t index = i + 1 < text.size() ? std::size_t(text[i + 1] - '1') : values.size();
        if (text[i] == '%' && index < values.size()) {
            result += values.begin()[index];
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

void InstallCatalogue(std::unique_ptr<QTranslator> catalogue)
{
    if (QCoreApplication::instance())
        QCoreApplication::installTranslator(catalogue.get());
    Catalogues().push_back(std::move(catalogue));
    ++Generation;
}

bool HasCatalogue(const QString &filePath)
{
    for (const auto &catalogue : Catalogues()) {
        if (catalogue->filePath() == filePath)
            return true;
    }
    return false;
}

void InstallCataloguesOnApplication()
{
    for (const auto &catalogue : Catalogues())
        QCoreApplication::installTranslator(catalogue.get());
}

void RemoveCatalogues()
{
    auto &catalogues = Catalogues();
    if (QCoreApplication::instance()) {
        for (const auto &catalogue : catalogues)
            QCoreApplication::removeTranslator(catalogue.get());
    }
    catalogues.clear();
    ++Generation;
}

int CatalogueGeneration()
{
    return Generation.load(std::memory_order_relaxed);
}
