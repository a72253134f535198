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
