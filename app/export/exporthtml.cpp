#include <algorithm>

#include "app/export/exporttext.h"
#include "app/export/exportwriter.h"
#include "app/read/listing.h"
#include "app/read/totals.h"
#include "platform/system/datetime.h"
#include "platform/system/error.h"
#include "platform/system/locale.h"
#include "platform/system/translation.h"

namespace {

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
        out += "<!DOCTYPE html>\n<html lang=\"";
        out += TranslatedUtf8("THtmlWriter", "fr", "the language of the page");
        out += "\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
        // "Listing de " around the name. A title is plain text: markup there would show
        // as it is, in the tab and on paper.
        const std::string title = TranslatedUtf8("THtmlWriter", "Listing de %1");
        const std::size_t name = std::min(title.find("%1"), title.size());
        out += title.substr(0, name);
        ShownText(m_settings.RootName);
        out += title.substr(std::min(name + 2, title.size()));
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
            out += "<tr class=\"folder\"><td";
            Indent(folder.Depth - 1);
            out += '>';
            Shown(folder.Name);
            out += "</td></tr>\n";
        }
        // The root's own totals too, first, under the page's heading.
        if (m_settings.Totals)
            TotalsRow(folder);
        m_out.Pass();
    }

    void File(const TTreeFolder &folder, const TTreeFile &file) override
    {
        if (m_settings.DirsOnly)
            return;
        std::string &out = m_out.Text();
        out += "<tr class=\"file\"><td";
        Indent(folder.Depth);
        out += '>';
        Shown(file.Name);
        out += "</td>";
        if (m_settings.Sizes) {
            out += "<td class=\"size\" data-bytes=\"";
            AppendNumber(out, file.Size);
            out += "\">";
            out += FormatSize(file.Size).toStdString();
            out += "</td>";
        }
        if (m_settings.Dates)
            DateCell(file.ModTime);
        out += "</tr>\n";
        m_out.Pass();
    }

    void EndFolder(const TTreeFolder &folder, std::int64_t treeCount, TByteCount treeBytes) override
    {
        if (folder.Depth != 0)
            return;
        std::string &out = m_out.Text();
        out += "</table>\n";
        if (!m_settings.Totals)
            return;
        out += "<p class=\"total\" data-files=\"";
        AppendNumber(out, treeCount);
        out += "\" data-bytes=\"";
        AppendByteCount(out, treeBytes);
        out += "\">";
        AppendHtmlText(out, TreeTotalsText({treeCount, treeBytes}).toStdString());
        out += "</p>\n";
    }

private:
    // The indentation of a cell of the depth, as its attribute.
    void Indent(int depth)
    {
        std::string &out = m_out.Text();
        out += " style=\"padding-left:";
        AppendNumber(out, depth * 2);
        out += "em\"";
    }

    // A name as the listing shows it (controls and bidirectional marks as '?'), isolated
    // from the text around it.
    void Shown(std::string_view name)
    {
        m_out.Text() += "<bdi>";
        ShownText(name);
        m_out.Text() += "</bdi>";
    }

    // A name as the listing shows it, as escaped text.
    void ShownText(std::string_view name)
    {
        std::string &out = m_out.Text();
        // Printable ASCII, most names, shows as it is.
        if (std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
            AppendHtmlText(out, name);
        else
            AppendHtmlText(out, DisplayText(name).toStdString());
    }

    void TotalsRow(const TTreeFolder &folder)
    {
        std::string &out = m_out.Text();
        out += "<tr class=\"totals\" data-files=\"";
        AppendNumber(out, folder.FileCount);
        out += "\" data-bytes=\"";
        AppendByteCount(out, folder.FileBytes);
        out += "\"><td";
        Indent(folder.Depth);
        out += '>';
        AppendHtmlText(out, FolderTotalsText({folder.FileCount, folder.FileBytes}).toStdString());
        out += "</td></tr>\n";
    }

    void DateCell(const std::optional<struct timespec> &modTime)
    {
        std::string &out = m_out.Text();
        out += "<td class=\"date\">";
        if (const std::string &iso = TimeText(modTime); !iso.empty()) {
            out += "<time datetime=\"";
            out += iso;
            out += "\">";
            AppendHtmlText(out, LocalDateText(*modTime));
            out += "</time>";
        }
        out += "</td>";
    }

    // The date as the listing's date column shows it: the short date and the long time.
    // Files written together share their second, and the locale's formats cost far more
    // than a comparison.
    const std::string &LocalDateText(const struct timespec &modTime)
    {
        if (m_dateKnown && modTime.tv_sec == m_dateSecond)
            return m_dateText;
        m_dateKnown = true;
        m_dateSecond = modTime.tv_sec;
        try {
            const TDateTimeParts parts = LocalTimeOf(modTime);
            const TLocale &locale = TLocale::User();
            m_dateText
                = QString(locale.FormatShortDate(parts) + u' ' + locale.FormatLongTime(parts)).toStdString();
        } catch (const EConvertError &) {
            m_dateText.clear();
        }
        return m_dateText;
    }

    bool m_dateKnown = false;
    time_t m_dateSecond = 0;
    std::string m_dateText;
};

} // namespace

std::unique_ptr<TFormatWriter> MakeHtmlWriter(const TDataSettings &settings, QIODevice &out)
{
    return std::make_unique<THtmlWriter>(settings, out);
}
