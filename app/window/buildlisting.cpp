#include <QCheckBox>
#include <QPushButton>

#include "app/read/filelist.h"
#include "app/read/readcommand.h"
#include "app/shared/gui/listingview.h"
#include "app/window/foldertree.h"
#include "app/window/unit1.h"
#include "platform/system/locale.h"
#include "platform/ui/application.h"
#include "platform/ui/richedit.h"

void TForm1::BuildListing()
{
    RootDir = tva->Selection();
    if (RootDir.empty()) {
        Application().MessageBox(
            tr("Répertoire racine non choisi."), tr("Avertissement"), MB_OK | MB_ICONWARNING);
        return;
    }

    TReadRequest request;
    request.Folder = RootDir;
    request.Sorted = CheckBox2->isChecked();
    // As the read starts: sizes or dates asked for then are looked at during the walk.
    request.Style = ListingStyle();
    RootDir = ReadRootOf(RootDir);
    m_reading = true;
    Application().SetCursor(TCursor::crHourGlass);
    Button1->setEnabled(false);
    FileList->Clear();
    RichEdit1->Clear();

    TReadHooks hooks;
    hooks.Progress = [this](std::size_t found) { ReportProgress(found); };
    hooks.StopRequested = [this] { return ReadStopRequested(); };
    // The options and the font may change while a long read runs: the listing takes
    // them as they are when it is written.
    hooks.StyleToWrite = [this] { return ListingStyle(); };
    m_messages.Restart();
    TReadResult read;
    {
        TViewSink sink(*RichEdit1);
        read = ReadFolder(request, sink, hooks);
    }
    FileList = std::move(read.Files);
    FolderRead = request.Folder;
    m_reading = false;

    Application().SetCursor(TCursor::crDefault);
    Button1->setEnabled(true);
    SetStatus(read.Failure.isEmpty() ? tr("Lecture terminée.") : tr("Lecture interrompue : ") + read.Failure);
    if (m_closeRequested) {
        m_closeRequested = false;
        close();
    }
}

TListingStyle TForm1::ListingStyle() const
{
    return {{CheckBox1->isChecked(), CheckBox3->isChecked(), CheckBox4->isChecked()}, FontDialog1.Font};
}

bool TForm1::ReadStopRequested()
{
    if (m_messages.Due(MessageIntervalMs))
        Application().ProcessMessages();
    // A window closed meanwhile ends the walk here.
    return m_closeRequested;
}

void TForm1::ReportProgress(std::size_t found)
{
    SetStatus(tr("Lecture en cours : %1 fichiers")
                  .arg(TLocale::User().Locale().toString(static_cast<qulonglong>(found))));
    if (OnProgress)
        OnProgress(found);
}
