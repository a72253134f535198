#include <exception>

#include <QCheckBox>
#include <QPushButton>

#include "app/dirscan.h"
#include "app/filelist.h"
#include "app/foldertree.h"
#include "app/listing.h"
#include "app/unit1.h"
#include "platform/system/dirsearch.h"
#include "platform/system/locale.h"
#include "platform/ui/application.h"
#include "platform/ui/richedit.h"

namespace {

constexpr int ProgressIntervalMs = 100;

// Appends the listing to the view in one update, which the view takes over at the end
// even when the listing stops part-way.
class TViewSink : public IListingSink
{
public:
    explicit TViewSink(TRichEdit &view)
        : m_view(view)
    {
        m_view.BeginUpdate();
    }
    ~TViewSink() override { m_view.EndUpdate(); }

    void AppendLine(QStringView text, bool bold) override
    {
        m_view.SetNextLineBold(bold);
        m_view.AppendLine(text);
        if (bold)
            m_view.SetNextLineBold(false);
    }

private:
    TRichEdit &m_view;
};

} // namespace

void TForm1::BuildListing()
{
    RootDir = tva->Selection();
    if (RootDir.empty()) {
        Application().MessageBox(QStringLiteral("Répertoire racine non choisi."),
            QStringLiteral("Avertissement"), MB_OK | MB_ICONWARNING);
        return;
    }

    m_readFailure.clear();
    m_reading = true;
    try {
        if (RootDir.back() != PathDelim)
            RootDir += PathDelim;
        Application().SetCursor(TCursor::crHourGlass);
        Button1->setEnabled(false);
        FileList->Clear();
        RichEdit1->Clear();
        FileList->SetSorted(CheckBox2->isChecked());

        m_found = 0;
        m_sinceMessages.start();
        m_sinceProgress.start();
        ScanDirectory(RootDir, "*.*", [this](const std::string &folderPath, const TSearchRec &entry) {
            return AddFoundFile(folderPath, entry);
        });

        if (!m_closeRequested && FileList->Count() > 0) {
            RichEdit1->SetFont(FontDialog1.Font);
            const TListingOptions options{
                CheckBox1->isChecked(), CheckBox3->isChecked(), CheckBox4->isChecked()};
            TViewSink sink(*RichEdit1);
            WriteListing(*FileList, RootDir, options, TLocale::User(), sink);
        }
    } catch (const std::exception &error) {
        m_readFailure = QString::fromUtf8(error.what());
    } catch (...) {
        m_readFailure = QStringLiteral("erreur inconnue");
    }
    m_reading = false;

    Application().SetCursor(TCursor::crDefault);
    Button1->setEnabled(true);
    SetStatus(m_readFailure.isEmpty() ? QStringLiteral("Lecture terminée.")
                                      : QStringLiteral("Lecture interrompue : ") + m_readFailure);
    if (m_closeRequested) {
        m_closeRequested = false;
        close();
    }
}

bool TForm1::AddFoundFile(const std::string &folderPath, const TSearchRec &entry)
{
    // The walk's folder paths begin with RootDir; what follows it is the relative path.
    const std::size_t rootLength = RootDir.size();
    std::string relative;
    if (folderPath.size() >= rootLength) {
        relative.reserve(folderPath.size() - rootLength + entry.Name.size());
        relative.append(folderPath, rootLength).append(entry.Name);
    } else {
        const std::string full = folderPath + entry.Name;
        if (full.size() > rootLength)
            relative = full.substr(rootLength);
    }
    FileList->Add(std::move(relative));
    ++m_found;

    if (m_sinceProgress.elapsed() >= ProgressIntervalMs) {
        m_sinceProgress.restart();
        ReportProgress();
    }
    if (m_sinceMessages.elapsed() >= MessageIntervalMs) {
        m_sinceMessages.restart();
        Application().ProcessMessages();
    }
    // A window closed meanwhile ends the walk here.
    return !m_closeRequested;
}

void TForm1::ReportProgress()
{
    SetStatus(QStringLiteral("Lecture en cours : %1 fichiers")
                  .arg(TLocale::User().Locale().toString(static_cast<qulonglong>(m_found))));
    if (OnProgress)
        OnProgress(m_found);
}
