#include "app/export/exporttext.h"
#include "app/export/exportwriter.h"

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
        Row("folder", PathOf(folder), NameOf(folder), folder.Depth, std::nullopt, folder.ModTime);
        if (m_settings.Totals) {
            std::string &line = m_out.Text();
            line += ',';
            AppendNumber(line, folder.FileCount);
            line += ',';
            AppendByteCount(line, folder.FileBytes);
            line += ',';
            // The subtree's totals, known once the walk leaves the folder, come in the
            // folder's "total" row then.
            line += ',';
        }
        EndRow();
    }

    void File(const TTreeFolder &folder, const TTreeFile &file) override
    {
        if (m_settings.DirsOnly)
            return;
        m_path.assign(folder.Path).append(file.Name);
        Row("file", m_path, file.Name, folder.Depth, file.Size, file.ModTime);
        if (m_settings.Totals)
            m_out.Text() += ",,,,";
        EndRow();
    }

    // Each folder's subtree totals in a row of their own after its subfolders, the
    // root's last: the folder's row is written before they are known.
    void EndFolder(const TTreeFolder &folder, std::int64_t treeCount, TByteCount treeBytes) override
    {
        if (!m_settings.Totals)
            return;
        Row("total", PathOf(folder), NameOf(folder), folder.Depth, std::nullopt, std::nullopt);
        std::string &line = m_out.Text();
        line += ",,,";
        AppendNumber(line, treeCount);
        line += ',';
        AppendByteCount(line, treeBytes);
        EndRow();
    }

private:
    void Row(const char *kind, std::string_view path, std::string_view name, int depth,
        std::optional<std::int64_t> size, const std::optional<struct timespec> &modTime)
    {
        std::string &line = m_out.Text();
        line += kind;
        line += ',';
        // The root's row has an empty path: its bytes are those of its name, as given.
        const std::string_view bytes = path.empty() ? name : path;
        const bool utf8 = IsUtf8(bytes);
        // A name that ends the path needs quotes only where the path did.
        const bool quoted = Cell(line, utf8 ? path : Utf8Of(path));
        line += ',';
        if (quoted || !utf8 || !path.ends_with(name) || Formula(name))
            Cell(line, IsUtf8(name) ? name : Utf8Of(name));
        else
            line += name;
        line += ',';
        AppendNumber(line, depth);
        line += ',';
        if (size)
            AppendNumber(line, *size);
        line += ',';
        Cell(line, TimeText(modTime));
        line += ',';
        if (!utf8)
            Cell(line, Base64(bytes));
    }

    // Whether a spreadsheet would take the cell for a formula, where it is to be kept from it.
    bool Formula(std::string_view cell) const
    {
        return m_settings.CsvSafe && !cell.empty()
            && std::string_view("=+-@\t\r").find(cell.front()) != std::string_view::npos;
    }

    // Appends the cell as AppendCsvField does, a "'" before it where it would be a formula.
    bool Cell(std::string &line, std::string_view cell)
    {
        if (!Formula(cell))
            return AppendCsvField(line, cell);
        m_cell.assign(1, '\'').append(cell);
        return AppendCsvField(line, m_cell);
    }
    void EndRow()
    {
        m_out.Text() += "\r\n";
        m_out.Pass();
    }

    std::string m_path;
    std::string m_cell; // the last cell kept from being a formula
};

} // namespace

std::unique_ptr<TFormatWriter> MakeCsvWriter(const TDataSettings &settings, QIODevice &out)
{
    return std::make_unique<TCsvWriter>(settings, out);
}
