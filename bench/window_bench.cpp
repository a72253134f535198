// Measures the main window with a long listing, driven as a person drives it: the read
// ("Lecture répertoire"), moving about the listing and typing in it.
//
//   window_bench [-d] [-s] [-S] [-D] [--rounds N] [--size WxH] FOLDER
//
// -d -s -S -D tick the window's check boxes as the export's flags of the same letters
// do (folders only, sorted, sizes, dates). On the offscreen platform, the window shown at
// WxH (default 1000x800) reads FOLDER; then come
//  - the read: from the click on "Lecture répertoire" until the status line says
//    "Lecture terminée." (wall and processor time), the view's text length, the
//    resident memory right after it (VmRSS) and its peak so far (VmHWM), and the first
//    repaint of the view after it;
//  - Ctrl+End, Ctrl+Home, twenty positions of the vertical scroll bar (first, last,
//    then spread at random over its range), a mouse drag of its slider, and one character
//    typed at the start, in the middle and at the end of the text. Each is timed from the
//    key, mouse event or scroll bar change until the view's viewport has repainted, with
//    the posted events that the event loop would run before the next frame run too;
//  - the share of the read that goes to its progress (the status line's count and the
//    events handled during the walk): N rounds (default 3) each time the window's read,
//    then the same read through the read command (ReadFolder) into the same view with no
//    hooks at all. Both start from an empty view and an empty file list, and both write
//    the same lines into the same view; what remains between them is the window's
//    progress, its stop checks and its cursor and button changes. The quickest round of
//    each gives the share, in wall and in processor time; every round and the spread of
//    each are printed, so that a share within the spread reads as noise. Beside it, a
//    direct measure: the time the first read spends handling events, timed in the
//    application's notify while the window says it is reading: those its pending-message
//    calls dispatch between files (the status line's repaints above all), and the few
//    its button and view send as the read starts and ends. It leaves out the stop check
//    after each file, the status line's text changes (ten a second at most) and the
//    event dispatcher's own polling, which only the rounds see.
//
// The output is one "name value" line per figure (times in milliseconds, memory in MiB),
// for bench/window-bench.sh.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include "app/read/filelist.h"
#include "app/read/readcommand.h"
#include "app/shared/gui/listingview.h"
#include "app/shared/gui/windowidentity.h"
#include "app/shared/identity.h"
#include "app/shared/language.h"
#include "app/window/foldertree.h"
#include "app/window/unit1.h"
#include "bench/procstatus.h"
#include "platform/print/font.h"
#include "platform/ui/application.h"
#include "platform/ui/richedit.h"

namespace {

struct TOptions
{
    bool DirsOnly = false;
    bool Sorted = false;
    bool Sizes = false;
    bool Dates = false;
    int Rounds = 3;
    QSize Size{1000, 800};
    std::string Folder;
};

std::optional<TOptions> ParseArgs(int argc, char **argv)
{
    TOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc) {
            options.Rounds = std::max(0, std::atoi(argv[++i]));
        } else if (arg == "--size" && i + 1 < argc) {
            int width = 0;
            int height = 0;
            if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2 || width <= 0 || height <= 0)
                return std::nullopt;
            options.Size = {width, height};
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] != '-') {
            for (char flag : arg.substr(1)) {
                if (flag == 'd')
                    options.DirsOnly = true;
                else if (flag == 's')
                    options.Sorted = true;
                else if (flag == 'S')
                    options.Sizes = true;
                else if (flag == 'D')
                    options.Dates = true;
                else
                    return std::nullopt;
            }
        } else if (options.Folder.empty() && (arg.empty() || arg[0] != '-')) {
            options.Folder = arg;
        } else {
            return std::nullopt;
        }
    }
    if (options.Folder.empty())
        return std::nullopt;
    return options;
}

double Ms(const QElapsedTimer &timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double ProcessCpuMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Wall time and the processor time of the whole process over one read, in milliseconds.
struct TReadTime
{
    double Wall = 0;
    double Cpu = 0;
};

class TReadStopwatch
{
public:
    TReadStopwatch()
        : m_cpuStart(ProcessCpuMs())
    {
        m_wall.start();
    }
    TReadTime Elapsed() const { return {Ms(m_wall), ProcessCpuMs() - m_cpuStart}; }

private:
    QElapsedTimer m_wall;
    double m_cpuStart;
};

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Max(const std::vector<double> &values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

void Print(const char *name, double value, int decimals = 1)
{
    std::printf("%s %.*f\n", name, decimals, value);
    std::fflush(stdout);
}

void PrintCount(const char *name, long long count)
{
    std::printf("%s %lld\n", name, count);
    std::fflush(stdout);
}

// Times the events that the window handles while it reads, each with all it causes:
// the events dispatched from within the read's pending-message calls.
class TBenchApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (m_timing || Form1 == nullptr || !Form1->Reading())
            return QApplication::notify(receiver, event);
        m_timing = true;
        QElapsedTimer timer;
        timer.start();
        const bool handled = QApplication::notify(receiver, event);
        m_eventNs += timer.nsecsElapsed();
        ++m_events;
        m_timing = false;
        return handled;
    }

    void ResetEvents() { m_eventNs = m_events = 0; }
    double EventMs() const { return static_cast<double>(m_eventNs) / 1e6; }
    long long Events() const { return m_events; }

private:
    bool m_timing = false;
    long long m_eventNs = 0;
    long long m_events = 0;
};

class TWindowBench
{
public:
    TWindowBench(const TOptions &options, TBenchApplication &application)
        : m_options(options)
        , m_application(application)
    { }

    int Run();

private:
    QScrollBar &Bar() const { return *m_form.RichEdit1->verticalScrollBar(); }
    // Lets the posted events run, untimed, so that a measure starts from a quiet window.
    static void Settle() { QCoreApplication::processEvents(); }
    // Runs `action`, then the posted events and a synchronous repaint of the view's
    // viewport: the milliseconds until the window shows the outcome.
    template <typename TAction> double TimeToPaint(TAction action)
    {
        Settle();
        QElapsedTimer timer;
        timer.start();
        action();
        QCoreApplication::processEvents();
        m_form.RichEdit1->viewport()->repaint();
        return Ms(timer);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(m_form.RichEdit1, key, modifiers);
    }

    // Clicks "Lecture répertoire" and waits for the status line's verdict: how long
    // that took, or nothing when the read did not complete.
    std::optional<TReadTime> WindowRead();
    // The same read through the read command into the window's view, without hooks.
    TReadTime CommandRead();
    void Moves();
    void SliderDrag();
    void Typing();
    void ProgressShare();

    const TOptions &m_options;
    TBenchApplication &m_application;
    TForm1 m_form;
};

std::optional<TReadTime> TWindowBench::WindowRead()
{
    const QString done = QStringLiteral("Lecture terminée.");
    const QString stopped = QStringLiteral("Lecture interrompue");
    QLabel &status = *m_form.Label3;
    m_form.RichEdit1->Clear();
    m_form.FileList->Clear();
    status.clear();
    Settle();
    m_application.ResetEvents();
    const TReadStopwatch stopwatch;
    QTest::mouseClick(m_form.Button1, Qt::LeftButton);
    const bool ended = QTest::qWaitFor(
        [&] { return status.text() == done || status.text().startsWith(stopped); }, 24 * 60 * 60 * 1000);
    const TReadTime time = stopwatch.Elapsed();
    if (!ended || status.text() != done) {
        std::fprintf(stderr, "window_bench: the read did not complete: %s\n", qPrintable(status.text()));
        return std::nullopt;
    }
    return time;
}

TReadTime TWindowBench::CommandRead()
{
    TReadRequest request;
    request.Folder = m_options.Folder;
    request.Sorted = m_options.Sorted;
    request.Style.Options = {m_options.DirsOnly, m_options.Sizes, m_options.Dates};
    request.Style.Font = m_form.FontDialog1.Font;
    m_form.RichEdit1->Clear();
    m_form.FileList->Clear();
    Settle();
    const TReadStopwatch stopwatch;
    TReadResult read;
    {
        TViewSink sink(*m_form.RichEdit1);
        read = ReadFolder(request, sink);
    }
    // The window keeps its file list too: freeing this one is no part of the read.
    const TReadTime time = stopwatch.Elapsed();
    if (!read.Failure.isEmpty())
        std::fprintf(stderr, "window_bench: the read command failed: %s\n", qPrintable(read.Failure));
    return time;
}

void TWindowBench::Moves()
{
    Print("ctrl_end_ms", TimeToPaint([this] { Key(Qt::Key_End, Qt::ControlModifier); }));
    PrintCount("ctrl_end_bar_at_max", Bar().value() == Bar().maximum() ? 1 : 0);
    Print("ctrl_home_ms", TimeToPaint([this] { Key(Qt::Key_Home, Qt::ControlModifier); }));

    QScrollBar &bar = Bar();
    std::vector<int> positions = {bar.minimum(), bar.maximum()};
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> anywhere(bar.minimum(), bar.maximum());
    while (positions.size() < 20)
        positions.push_back(anywhere(random));
    std::vector<double> times;
    for (int position : positions)
        times.push_back(TimeToPaint([&bar, position] { bar.setValue(position); }));
    PrintCount("bar_range", bar.maximum() - bar.minimum());
    Print("bar_median_ms", Median(times));
    Print("bar_max_ms", Max(times));
}

void TWindowBench::SliderDrag()
{
    // The slider's place as the style draws it; the drag takes it from the top to the
    // bottom of its groove in twenty moves.
    QScrollBar &bar = Bar();
    bar.setValue(bar.minimum());
    Settle();
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar.orientation();
    option.minimum = bar.minimum();
    option.maximum = bar.maximum();
    option.sliderPosition = bar.sliderPosition();
    option.sliderValue = bar.value();
    option.singleStep = bar.singleStep();
    option.pageStep = bar.pageStep();
    const QRect slider
        = bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, &bar);
    const QRect groove
        = bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, &bar);
    if (!slider.isValid() || bar.maximum() <= bar.minimum()) {
        PrintCount("drag_moves", 0);
        return;
    }
    const QPoint start = slider.center();
    const int travel = groove.bottom() - slider.height() / 2 - start.y();
    constexpr int Moves = 20;
    std::vector<double> times;
    QTest::mousePress(&bar, Qt::LeftButton, {}, start);
    for (int i = 1; i <= Moves; ++i) {
        const QPoint to(start.x(), start.y() + travel * i / Moves);
        times.push_back(TimeToPaint([&bar, to] { QTest::mouseMove(&bar, to); }));
    }
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, start + QPoint(0, travel));
    Settle();
    PrintCount("drag_moves", Moves);
    // A drag that left the slider where it was did not reach the view: its times say nothing.
    PrintCount("drag_reached_end", bar.value() == bar.maximum() ? 1 : 0);
    Print("drag_median_ms", Median(times));
    Print("drag_max_ms", Max(times));
}

void TWindowBench::Typing()
{
    TRichEdit &view = *m_form.RichEdit1;
    auto type = [this, &view](const char *name) {
        const std::int64_t before = view.GetTextLen();
        Print(name, TimeToPaint([this] { Key(Qt::Key_X); }));
        return view.GetTextLen() - before;
    };
    std::int64_t typed = 0;
    Key(Qt::Key_Home, Qt::ControlModifier);
    typed += type("type_start_ms");

    QScrollBar &bar = Bar();
    bar.setValue(bar.minimum() + (bar.maximum() - bar.minimum()) / 2);
    Settle();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.viewport()->rect().center());
    typed += type("type_middle_ms");

    Key(Qt::Key_End, Qt::ControlModifier);
    typed += type("type_end_ms");
    PrintCount("typed_characters", typed);
}

void TWindowBench::ProgressShare()
{
    // Other work on the machine only ever adds time: the quickest round of each read is
    // the closest to its own cost. The processor time, which waits for no one, is the
    // steadier of the two measures.
    std::vector<double> windowWall, windowCpu, commandWall, commandCpu;
    for (int round = 0; round < m_options.Rounds; ++round) {
        const std::optional<TReadTime> window = WindowRead();
        if (!window)
            return;
        const TReadTime command = CommandRead();
        std::printf("progress_round_%d window %.1f ms (cpu %.1f), command %.1f ms (cpu %.1f)\n", round + 1,
            window->Wall, window->Cpu, command.Wall, command.Cpu);
        windowWall.push_back(window->Wall);
        windowCpu.push_back(window->Cpu);
        commandWall.push_back(command.Wall);
        commandCpu.push_back(command.Cpu);
    }
    if (windowWall.empty())
        return;
    auto least
        = [](const std::vector<double> &times) { return *std::min_element(times.begin(), times.end()); };
    auto spread = [&least](const std::vector<double> &times) {
        return 100 * (Max(times) - least(times)) / least(times);
    };
    auto share = [&least](const std::vector<double> &window, const std::vector<double> &command) {
        return 100 * (least(window) - least(command)) / least(window);
    };
    PrintCount("progress_rounds", static_cast<long long>(windowWall.size()));
    Print("progress_window_ms", least(windowWall));
    Print("progress_command_ms", least(commandWall));
    Print("progress_window_cpu_ms", least(windowCpu));
    Print("progress_command_cpu_ms", least(commandCpu));
    Print("progress_share_pct", share(windowWall, commandWall));
    Print("progress_cpu_share_pct", share(windowCpu, commandCpu));
    Print("progress_window_spread_pct", spread(windowWall));
    Print("progress_command_spread_pct", spread(commandWall));
    Print("progress_window_cpu_spread_pct", spread(windowCpu));
    Print("progress_command_cpu_spread_pct", spread(commandCpu));
}

int TWindowBench::Run()
{
    m_form.CheckBox1->setChecked(m_options.DirsOnly);
    m_form.CheckBox2->setChecked(m_options.Sorted);
    m_form.CheckBox3->setChecked(m_options.Sizes);
    m_form.CheckBox4->setChecked(m_options.Dates);
    m_form.resize(m_options.Size);
    m_form.show();
    m_form.activateWindow();
    if (!QTest::qWaitForWindowExposed(&m_form)) {
        std::fprintf(stderr, "window_bench: the window was never shown\n");
        return 1;
    }
    m_form.tva->SelectPath(m_options.Folder);
    Settle();

    const std::optional<TReadTime> read = WindowRead();
    if (!read)
        return 1;
    Print("read_ms", read->Wall);
    Print("read_cpu_ms", read->Cpu);
    PrintCount("read_events", m_application.Events());
    Print("read_event_ms", m_application.EventMs());
    Print("read_event_share_pct", 100 * m_application.EventMs() / read->Wall, 3);
    Print("rss_mib", StatusMiB("VmRSS"));
    Print("hwm_mib", StatusMiB("VmHWM"));
    PrintCount("text_length", m_form.RichEdit1->GetTextLen());
    PrintCount("files", static_cast<long long>(m_form.FileList->Count()));
    Print("first_paint_ms", TimeToPaint([] {}));

    m_form.RichEdit1->setFocus();
    Moves();
    SliderDrag();
    Typing();
    ProgressShare();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const std::optional<TOptions> options = ParseArgs(argc, argv);
    if (!options) {
        std::fprintf(stderr, "usage: window_bench [-d] [-s] [-S] [-D] [--rounds N] [--size WxH] FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TBenchApplication qtApplication(argc, argv);
    InstallQtFrenchTranslations();
    SetApplicationIdentity();
    InstallFontSubstitutions();
    Application().SetTitle(QStringLiteral("Vantrel Oruk"));
    TWindowBench bench(*options, qtApplication);
    return bench.Run();
}
