// Measures the paragraph store alone with a listing the size of a whole disk's: building
// it line by line, reading it paragraph by paragraph as the writers and the printing do,
// and editing it at the start, in the middle and at the end.
//
//   store_bench [LINES]          default 1,900,000 lines of 10 to 49 characters or so
//
// Prints "name value" lines: the milliseconds of the appends and of one read of every
// paragraph's text, weight and position; the heap the store holds after Squeeze; for
// each place, the first character typed there (which may have to bring things to that
// place), the median and the slowest of 50 more typed one by one, Enter, Backspace joining
// the paragraphs again and an undo of the typing, each followed by a read of the edited
// paragraph as the view would do. Then the time of writing the whole store as plain text
// and as RTF, and a digest of each output, once the edits are undone and once after a few
// more are left in place, for comparing the bytes of two builds.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <vector>

#include <QBuffer>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QString>

#include "platform/document/paragraphoutput.h"
#include "platform/document/paragraphstore.h"

using namespace Qt::StringLiterals;

namespace {

using TEditKind = TParagraphStore::TEditKind;

double Ms(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

void Print(const char *name, double value)
{
    std::printf("%s %.3f\n", name, value);
}

std::size_t HeapInUse()
{
    const auto info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Reads the paragraph of `position` as a view laying it out would.
qsizetype ReadAt(const TParagraphStore &store, std::int64_t position)
{
    const qsizetype paragraph = store.ParagraphAt(position);
    return store.Text(paragraph).size() + qsizetype(store.Position(paragraph))
        + (store.Bold(paragraph) ? 1 : 0);
}

template <typename TAction> double Time(TAction action)
{
    QElapsedTimer timer;
    timer.start();
    action();
    return Ms(timer);
}

void Edits(TParagraphStore &store, const char *place, std::int64_t at)
{
    qsizetype sink = 0;
    char name[64];
    std::snprintf(name, sizeof name, "%s_first_typed_ms", place);
    Print(name, Time([&] { sink += ReadAt(store, store.Replace(at, at, u"x", TEditKind::Typing)); }));
    std::vector<double> typed;
    std::int64_t caret = at + 1;
    for (int i = 0; i < 50; ++i) {
        typed.push_back(Time([&] {
            caret = store.Replace(caret, caret, u"y", TEditKind::Typing);
            sink += ReadAt(store, caret);
        }));
    }
    std::sort(typed.begin(), typed.end());
    std::snprintf(name, sizeof name, "%s_typed_median_ms", place);
    Print(name, typed[typed.size() / 2]);
    std::snprintf(name, sizeof name, "%s_typed_max_ms", place);
    Print(name, typed.back());
    std::snprintf(name, sizeof name, "%s_enter_ms", place);
    Print(name,
        Time([&] { sink += ReadAt(store, caret = store.Replace(caret, caret, u"\n", TEditKind::Typing)); }));
    std::snprintf(name, sizeof name, "%s_join_ms", place);
    Print(name, Time([&] {
        sink += ReadAt(store, caret = store.Replace(caret - 1, caret, u"", TEditKind::Deleting));
    }));
    store.Undo();
    store.Undo();
    std::snprintf(name, sizeof name, "%s_undo_ms", place);
    Print(name, Time([&] { sink += ReadAt(store, store.Undo()); }));
    if (sink == 42)
        std::puts("");
}

// Writes the store as plain text and as RTF: the time of each, and a digest of the bytes to
// compare with another build's.
void Outputs(const TParagraphStore &store, const char *when)
{
    char name[64];
    for (const bool rtf : {false, true}) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        const double ms = Time([&] {
            if (rtf)
                WriteRtf(store, TRtfFont{u"Courier New"_s}, buffer);
            else
                WritePlainText(store, buffer);
        });
        std::snprintf(name, sizeof name, "%s_write_%s_ms", when, rtf ? "rtf" : "text");
        Print(name, ms);
        std::printf("%s_%s_md5 %s\n", when, rtf ? "rtf" : "text",
            QCryptographicHash::hash(buffer.data(), QCryptographicHash::Md5).toHex().constData());
    }
}

} // namespace

int main(int argc, char **argv)
{
    const long lines = argc > 1 ? std::atol(argv[1]) : 1'900'000;
    const std::size_t heapBefore = HeapInUse();
    TParagraphStore store;
    QString line;
    std::int64_t characters = 0;
    QElapsedTimer timer;
    timer.start();
    for (long i = 0; i < lines; ++i) {
        line = QString(u"\tfichier-" + QString::number(i)).leftJustified(qsizetype(10 + i * 7919 % 40), u'.');
        characters += line.size();
        store.Append(line, i % 50 == 0);
    }
    store.Squeeze();
    Print("append_ms", Ms(timer));
    Print("characters", double(characters));
    Print("heap_mib", double(HeapInUse() - heapBefore) / (1024.0 * 1024.0));
    Print("heap_beyond_text_bytes_per_line",
        double(HeapInUse() - heapBefore - 2 * std::size_t(characters)) / double(lines));

    std::int64_t sum = 0;
    Print("read_all_ms", Time([&] {
        for (qsizetype i = 0; i < store.Count(); ++i)
            sum += store.Text(i).size() + (store.Bold(i) ? 1 : 0) + store.Position(i);
    }));

    Edits(store, "start", 0);
    Edits(store, "middle", store.Position(store.Count() / 2) + 3);
    Edits(store, "end", store.Length());
    Edits(store, "start_again", 1);
    Outputs(store, "undone");

    // Edits left in place, of every kind, for the writers to go through.
    for (const std::int64_t at : {store.Length(), store.Length() / 2, std::int64_t(0)}) {
        store.Replace(at, at, u"typed\nlines\r\nhere");
        store.Replace(at + 2, at + 9, u"");
        store.Replace(at, at + 1, u"\u00e9t\u00e9");
    }
    Outputs(store, "edited");
    return sum == 42 ? 1 : 0;
}
