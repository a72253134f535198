// Measures the print preview of the main window on a long listing, driven as a person
// drives it.
//
//   preview_bench [--page N] [--grab FILE.png] FOLDER
//
// On the offscreen platform, the window shown at 1000x800 reads FOLDER ("Lecture
// répertoire", sizes and dates ticked); then, with the resident memory before it noted,
// "Aperçu..." is clicked and these are timed, each until the pages' viewport has
// repainted:
//  - the first page, from the click (the dialog made, shown and painted);
//  - page N (default 11000), typed into the page box at once, while the pages are still
//    being counted, and again once they all are (page N + 1);
//  - End, the last page, once counted.
// Also: how long after the click the count of all pages ends, the page count, and the
// process's resident memory with the preview open beside the memory before the click,
// as a ratio. Then the preview opens again and page N is typed as a person types it
// (the box clicked 300 ms after the first page shows, a key every 150 ms), timed from
// Return.
//
// --grab saves a picture of the preview at page N, two pages side by side, at the end.
//
// The output is one "name value" line per figure (times in milliseconds, memory in MiB),
// for bench/preview-bench.sh.

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/window/foldertree.h"
#include "app/window/previewdialog.h"
#include "app/window/previewpages.h"
#include "app/window/unit1.h"
#include "bench/procstatus.h"
#include "platform/print/font.h"
#include "platform/ui/richedit.h"

namespace {

void Print(const char *name, double value)
{
    std::printf("%s %.2f\n", name, value);
}

// Runs `act` and answers the milliseconds until the pages have repainted after it.
template <typename Act> double UntilPainted(TPreviewDialog &dialog, Act act)
{
    QElapsedTimer timer;
    timer.start();
    act();
    dialog.Pages->viewport()->repaint();
    return timer.nsecsElapsed() / 1e6;
}

void TypePage(TPreviewDialog &dialog, int page)
{
    dialog.PageBox->setFocus();
    dialog.PageBox->selectAll();
    QTest::keyClicks(dialog.PageBox, QString::number(page));
    QTest::keyClick(dialog.PageBox, Qt::Key_Return);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    // The program's own font substitutions, as the window and the export print with.
    InstallFontSubstitutions();
    int page = 11000;
    std::string folder;
    QString grab;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--page" && i + 1 < argc)
            page = std::atoi(argv[++i]);
        else if (argument == "--grab" && i + 1 < argc)
            grab = QString::fromLocal8Bit(argv[++i]);
        else
            folder = argument;
    }
    if (folder.empty()) {
        std::fprintf(stderr, "usage: preview_bench [--page N] [--grab FILE.png] FOLDER\n");
        return 2;
    }

    TForm1 form;
    form.resize(1000, 800);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    form.CheckBox3->setChecked(true);
    form.CheckBox4->setChecked(true);
    form.tva->SelectPath(folder);
    QElapsedTimer read;
    read.start();
    form.BuildListing();
    Print("read_ms", read.elapsed());
    Print("listing_lines", double(form.RichEdit1->Store().Count() - 1));
    QCoreApplication::processEvents();
    const double before = StatusMiB("VmRSS");
    Print("rss_before_mib", before);

    QElapsedTimer sinceClick;
    const auto inPreview = [&](const std::function<void(TPreviewDialog &)> &use) {
        bool ran = false;
        QTimer::singleShot(0, &form, [&] {
            auto *dialog = qobject_cast<TPreviewDialog *>(QApplication::activeModalWidget());
            if (dialog == nullptr || !QTest::qWaitForWindowExposed(dialog))
                return;
            ran = true;
            dialog->Pages->viewport()->repaint();
            use(*dialog);
            dialog->reject();
        });
        sinceClick.start();
        QTest::mouseClick(form.Button5, Qt::LeftButton);
        return ran;
    };
    const bool first = inPreview([&](TPreviewDialog &dialog) {
        Print("first_page_ms", sinceClick.nsecsElapsed() / 1e6);
        Print("page_n_typed_at_once_ms", UntilPainted(dialog, [&] { TypePage(dialog, page); }));
        Print("page_shown", dialog.PageBox->text().toDouble());
        Print("rss_open_mib", StatusMiB("VmRSS"));
        const bool counted = QTest::qWaitFor(
            [&dialog] { return !dialog.PageCount->text().contains(u"au moins"_qs); }, 600000);
        // Past ten minutes the count is not over: the figure says so.
        Print("counted_after_click_ms", counted ? double(sinceClick.elapsed()) : -1);
        Print("page_n_counted_ms", UntilPainted(dialog, [&] { TypePage(dialog, page + 1); }));
        dialog.Pages->setFocus();
        Print("last_page_ms", UntilPainted(dialog, [&] { QTest::keyClick(dialog.Pages, Qt::Key_End); }));
        Print("pages", dialog.PageBox->text().toDouble());
        const double open = StatusMiB("VmRSS");
        Print("rss_open_counted_mib", open);
        Print("memory_ratio", open / before);
        Print("hwm_mib", StatusMiB("VmHWM"));
    });
    const bool second = inPreview([&](TPreviewDialog &dialog) {
        QTest::qWait(300);
        QTest::mouseClick(dialog.PageBox, Qt::LeftButton);
        dialog.PageBox->selectAll();
        for (const QChar digit : QString::number(page)) {
            QTest::qWait(150);
            QTest::keyClick(dialog.PageBox, digit.toLatin1());
        }
        QTest::qWait(150);
        Print("page_n_typed_by_a_person_ms",
            UntilPainted(dialog, [&] { QTest::keyClick(dialog.PageBox, Qt::Key_Return); }));
        Print("page_shown_typed", dialog.PageBox->text().toDouble());
        if (!grab.isEmpty()) {
            dialog.resize(1200, 860);
            QTest::mouseClick(dialog.TwoPagesButton, Qt::LeftButton);
            QTest::qWait(50);
            dialog.grab().save(grab);
        }
    });
    return first && second ? 0 : 1;
}
