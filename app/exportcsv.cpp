#include "app/exporttext.h"
#include "app/exportwriter.h"

namespace {

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

} // namespace

std::unique_ptr<TFormatWriter> MakeCsvWriter(const TDataSettings &settings, QIODevice &out)
{
    return std::make_unique<TCsvWriter>(settings, out);
}
