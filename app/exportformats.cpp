#include "app/exportformats.h"

#include <memory>
#include <vector>

#include <QIODevice>

#include "app/exporttext.h"
#include "app/exporttree.h"
#include "app/listing.h"
#include "app/totals.h"
#include "platform/system/datetime.h"
#include "platform/system/error.h"
#include "platform/system/locale.h"

namespace {

// Output gathered in a buffer of its own and written out in large pieces.
class TBufferedOut
{
public:
    explicit TBufferedOut(QIODevice &device)
        : m_device(device)
    { }

    std::string &Text() { return m_text; }
    // Writes the buffer out once it is large.
    void Pass()
    {
        if (m_text.size() >= 1 << 16)
            Flush();
    }
    void Flush()
    {
        if (m_device.write(m_text.data(), static_cast<qint64>(m_text.size()))
            != static_cast<qint64>(m_text.size()))
            throw EWriteError(SWriteError);
        m_text.clear();
    }

private:
    QIODevice &m_device;
    std::string m_text;
};

std::string Number(std::int64_t value)
{
    return std::to_string(value);
}

// The ISO texts of last-write times: files written together share their second, and
// converting to local time costs far more than a comparison.
class TIsoTimes
{
public:
    const std::string &Of(const std::optional<struct timespec> &moment)
    {
        static const std::string none;
        if (!moment)
            return none;
        if (!m_known || moment->tv_sec != m_second) {
            m_text = IsoLocalTime(*moment);
            m_second = moment->tv_sec;
            m_known = true;
        }
        return m_text;
    }

private:
    bool m_known = false;
    time_t m_second = 0;
    std::string m_text;
};

// The relative path without its trailing delimiter.
std::string_view PathOf(const TTreeFolder &folder)
{
    return folder.Path.empty() ? folder.Path : folder.Path.substr(0, folder.Path.size() - 1);
}

class TFormatWriter : public ITreeVisitor
{
public:
    TFormatWriter(const TDataSettings &settings, QIODevice &device)
        : m_settings(settings)
        , m_out(device)
    { }

    virtual void Begin() = 0;
    virtual void End() = 0;
    void Flush() { m_out.Flush(); }

protected:
    // The folder's name: the root's as given.
    std::string_view NameOf(const TTreeFolder &folder) const
    {
        return folder.Depth == 0 ? std::string_view(m_settings.RootName) : folder.Name;
    }

    std::string TimeText(const std::optional<struct timespec> &moment) { return m_times.Of(moment); }

    const TDataSettings &m_settings;
    TBufferedOut m_out;
    TIsoTimes m_times;
};

class TCsvWriter : public TFormatWriter
{
public:
    using TFormatWriter::TFormatWriter;

    void Begin() override
    {
        m_out.Text() += "kind,path,name,depth,size,mtime,path_base64";
        if (m_settings.Totals)
            m_out.Text() += ",file_count,files_size,tree_file_count,tree_size";
        m_out.Text() += "\r\n";
    }
    void End() override { }

    void BeginFolder(const TTreeFolder &folder) override
    {
        Row("folder", PathOf(folder), NameOf(folder), folder.Depth, std::string(), folder.ModTime);
        if (m_settings.Totals) {
            std::string &line = m_out.Text();
            line += ',' + Number(folder.FileCount) + ',' + Number(folder.FileBytes) + ',';
            // The tree's totals, known at its end, come on the root's row only, in a last row.
            line += ',';
        }
        EndRow();
    }

    void File(const TTreeFolder &folder, const TTreeFile &file) override
    {
        if (m_settings.DirsOnly)
            return;
        m_path.assign(folder.Path).append(file.Name);
        Row("file", m_path, file.Name, folder.Depth, Number(file.Size), file.ModTime);
        if (m_settings.Totals)
            m_out.Text() += ",,,,";
        EndRow();
    }

    void EndFolder(const TTreeFolder &folder, std::int64_t treeCount, std::int64_t treeBytes) override
    {
        if (!m_settings.Totals || folder.Depth != 0)
            return;
        m_out.Text() += "total,,,0,,,,,," + Number(treeCount) + ',' + Number(treeBytes);
        EndRow();
    }

private:
    void Row(const char *kind, std::string_view path, std::string_view name, int depth,
        const std::string &size, const std::optional<struct timespec> &modTime)
    {
        std::string &line = m_out.Text();
        line += kind;
        line += ',';
        const bool utf8 = IsUtf8(path);
        AppendCsvField(line, utf8 ? std::string(path) : ValidUtf8(path));
        line += ',';
        AppendCsvField(line, utf8 ? std::string(name) : ValidUtf8(name));
        line += ',' + Number(depth) + ',' + size + ',' + TimeText(modTime) + ',';
        if (!utf8)
            line += Base64(path);
    }
    void EndRow()
    {
        m_out.Text() += "\r\n";
        m_out.Pass();
    }

    std::string m_path;
};

class TJsonWriter : public TFormatWriter
{
public:
    using TFormatWriter::TFormatWriter;

    void Begin() override { }
    void End() override { m_out.Text() += '\n'; }

    void BeginFolder(const TTreeFolder &folder) override
    {
        std::string &out = m_out.Text();
        if (folder.Depth > 0)
            OpenSubfolders();
        out += '{';
        Name(NameOf(folder));
        if (folder.Depth > 0) {
            out += ",\"path\":";
            AppendJsonString(out, ValidUtf8(PathOf(folder)));
        }
        out += ",\"mtime\":";
        AppendJsonString(out, TimeText(folder.ModTime));
        if (!m_settings.DirsOnly)
            out += ",\"files\":[";
        m_levels.push_back({false, 0, folder.FileCount, folder.FileBytes});
        m_out.Pass();
    }

    void File(const TTreeFolder &, const TTreeFile &file) override
    {
        if (m_settings.DirsOnly)
            return;
        std::string &out = m_out.Text();
        if (m_levels.back().Written++ > 0)
            out += ',';
        out += '{';
        Name(file.Name);
        out += ",\"size\":" + Number(file.Size) + ",\"mtime\":";
        AppendJsonString(out, TimeText(file.ModTime));
        out += '}';
        m_out.Pass();
    }

    void EndFolder(const TTreeFolder &, std::int64_t treeCount, std::int64_t treeBytes) override
    {
        CloseFiles();
        std::string &out = m_out.Text();
        out += ']';
        if (m_settings.Totals)
            out += ",\"tree_file_count\":" + Number(treeCount) + ",\"tree_size\":" + Number(treeBytes);
        out += '}';
        m_levels.pop_back();
        m_out.Pass();
    }

private:
    struct TLevel
    {
        bool SubfoldersOpen = false;
        std::int64_t Written = 0; // files, then subfolders
        std::int64_t FileCount = 0;
        std::int64_t FileBytes = 0;
    };

    // "name", and "name_base64" with the bytes of a name that is not UTF-8.
    void Name(std::string_view name)
    {
        std::string &out = m_out.Text();
        out += "\"name\":";
        AppendJsonString(out, ValidUtf8(name));
        if (!IsUtf8(name))
            out += ",\"name_base64\":\"" + Base64(name) + '"';
    }

    // Ends the files of the folder being written, opening its subfolders.
    void CloseFiles()
    {
        TLevel &level = m_levels.back();
        if (level.SubfoldersOpen)
            return;
        std::string &out = m_out.Text();
        if (!m_settings.DirsOnly)
            out += ']';
        if (m_settings.Totals)
            out += ",\"file_count\":" + Number(level.FileCount)
                + ",\"files_size\":" + Number(level.FileBytes);
        out += ",\"subfolders\":[";
        level.SubfoldersOpen = true;
        level.Written = 0;
    }

    void OpenSubfolders()
    {
        CloseFiles();
        if (m_levels.back().Written++ > 0)
            m_out.Text() += ',';
    }

    std::vector<TLevel> m_levels;
};

const char *const HtmlStyle = "body{font-family:sans-serif;font-size:10pt;margin:1.5em}"
                              "table{border-collapse:collapse}"
                              "td{padding:0 1em 0 0;white-space:pre;vertical-align:top}"
                              "td.size{text-align:right}"
                              "tr.folder td{font-weight:bold;padding-top:0.6em}"
                              "tr.totals td{color:#444}"
                              "p.total{font-weight:bold;margin-top:1em}"
                              "@media print{body{margin:0;font-size:9pt}"
                              "tr{break-inside:avoid}tr.folder{break-after:avoid}"
                              "a{color:inherit;text-decoration:none}}";

class THtmlWriter : public TFormatWriter
{
public:
    using TFormatWriter::TFormatWriter;

    void Begin() override
    {
        std::string &out = m_out.Text();
        out += "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n<title>Listing de ";
        Shown(m_settings.RootName);
        out += "</title>\n<style>";
        out += HtmlStyle;
        out += "</style>\n</head>\n<body>\n<h1>";
        Shown(m_settings.RootName);
        out += "</h1>\n<table class=\"listing\">\n";
    }

    void End() override { m_out.Text() += "</body>\n</html>\n"; }

    void BeginFolder(const TTreeFolder &folder) override
    {
        std::string &out = m_out.Text();
        if (folder.Depth > 0) {
            out += "<tr class=\"folder\"><td" + Indent(folder.Depth - 1) + ">";
            Shown(folder.Name);
            out += "</td></tr>\n";
        }
        if (m_settings.Totals && folder.Depth > 0)
            TotalsRow(folder);
        m_out.Pass();
    }

    void File(const TTreeFolder &folder, const TTreeFile &file) override
    {
        if (m_settings.DirsOnly)
            return;
        std::string &out = m_out.Text();
        out += "<tr class=\"file\"><td" + Indent(folder.Depth) + ">";
        Shown(file.Name);
        out += "</td>";
        if (m_settings.Sizes)
            out += "<td class=\"size\" data-bytes=\"" + Number(file.Size) + "\">"
                + FormatSize(file.Size).toStdString() + "</td>";
        if (m_settings.Dates)
            DateCell(file.ModTime);
        out += "</tr>\n";
        m_out.Pass();
    }

    void EndFolder(const TTreeFolder &folder, std::int64_t treeCount, std::int64_t treeBytes) override
    {
        if (folder.Depth != 0)
            return;
        std::string &out = m_out.Text();
        out += "</table>\n";
        if (!m_settings.Totals)
            return;
        out += "<p class=\"total\" data-files=\"" + Number(treeCount) + "\" data-bytes=\"" + Number(treeBytes)
            + "\">";
        AppendHtmlText(out, TreeTotalsText({treeCount, treeBytes}).toStdString());
        out += "</p>\n";
    }

private:
    static std::string Indent(int depth) { return " style=\"padding-left:" + Number(depth * 2) + "em\""; }

    // A name as the listing shows it (controls and bidirectional marks as '?'), isolated
    // from the text around it.
    void Shown(std::string_view name)
    {
        std::string &out = m_out.Text();
        out += "<bdi>";
        AppendHtmlText(out, DisplayText(name).toStdString());
        out += "</bdi>";
    }

    void TotalsRow(const TTreeFolder &folder)
    {
        std::string &out = m_out.Text();
        out += "<tr class=\"totals\" data-files=\"" + Number(folder.FileCount) + "\" data-bytes=\""
            + Number(folder.FileBytes) + "\"><td" + Indent(folder.Depth) + ">";
        AppendHtmlText(out, FolderTotalsText({folder.FileCount, folder.FileBytes}).toStdString());
        out += "</td></tr>\n";
    }

    void DateCell(const std::optional<struct timespec> &modTime)
    {
        std::string &out = m_out.Text();
        out += "<td class=\"date\">";
        if (const std::string iso = TimeText(modTime); !iso.empty()) {
            out += "<time datetime=\"" + iso + "\">";
            AppendHtmlText(out, LocalDateText(*modTime));
            out += "</time>";
        }
        out += "</td>";
    }

    // The date as the listing's date column shows it: the short date and the long time.
    static std::string LocalDateText(const struct timespec &modTime)
    {
        try {
            const TDateTimeParts parts = LocalTimeOf(modTime);
            const TLocale &locale = TLocale::User();
            return QString(locale.FormatShortDate(parts) + u' ' + locale.FormatLongTime(parts)).toStdString();
        } catch (const EConvertError &) {
            return {};
        }
    }
};

std::unique_ptr<TFormatWriter> WriterOf(TDataFormat format, const TDataSettings &settings, QIODevice &out)
{
    switch (format) {
    case TDataFormat::Csv:
        return std::make_unique<TCsvWriter>(settings, out);
    case TDataFormat::Json:
        return std::make_unique<TJsonWriter>(settings, out);
    case TDataFormat::Html:
        break;
    }
    return std::make_unique<THtmlWriter>(settings, out);
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
