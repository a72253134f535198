#include "app/export/exportformats.h"

#include <memory>

#include "app/export/exportwriter.h"

namespace {

std::unique_ptr<TFormatWriter> WriterOf(TDataFormat format, const TDataSettings &settings, QIODevice &out)
{
    switch (format) {
    case TDataFormat::Csv:
        return MakeCsvWriter(settings, out);
    case TDataFormat::Json:
        return MakeJsonWriter(settings, out);
    case TDataFormat::Html:
        break;
    }
    return MakeHtmlWriter(settings, out);
}

} // namespace

void WriteDataFormat(TDataFormat format, const TFileList &files, const std::string &rootDir,
    const TDataSettings &settings, QIODevice &out)
{
    const std::unique_ptr<TFormatWriter> writer = WriterOf(format, settings, out);
    writer->Begin();
    VisitTree(files, rootDir, *writer);
    writer->End();
    writer->Flush();
}

TDataFormatStream::TDataFormatStream(
    TDataFormat format, const TDataSettings &settings, const std::string &rootDir, QIODevice &out)
    : m_writer(WriterOf(format, settings, out))
    , m_tree(rootDir, *m_writer)
{
    m_writer->Begin();
}

TDataFormatStream::~TDataFormatStream() = default;

void TDataFormatStream::Add(std::string_view path, const std::optional<TSizeAndTime> &facts,
    const std::optional<struct timespec> &folderTime)
{
    m_tree.Add(path, facts, folderTime);
}

void TDataFormatStream::Finish()
{
    m_tree.Finish();
    m_writer->End();
    m_writer->Flush();
}
