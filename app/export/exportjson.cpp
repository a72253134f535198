#include <vector>

#include "app/export/exporttext.h"
#include "app/export/exportwriter.h"

namespace {

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
            AppendJsonString(out, Utf8Of(PathOf(folder)));
        }
        out += ",\"mtime\":";
        AppendJsonString(out, TimeText(folder.ModTime));
        // Folders only, "files" stays, empty, so that every document has the same keys.
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
        out += ",\"size\":";
        AppendNumber(out, file.Size);
        out += ",\"mtime\":";
        AppendJsonString(out, TimeText(file.ModTime));
        out += '}';
        m_out.Pass();
    }

    void EndFolder(const TTreeFolder &, std::int64_t treeCount, TByteCount treeBytes) override
    {
        CloseFiles();
        std::string &out = m_out.Text();
        out += ']';
        if (m_settings.Totals) {
            out += ",\"tree_file_count\":";
            AppendNumber(out, treeCount);
            out += ",\"tree_size\":";
            AppendByteCount(out, treeBytes);
        }
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
        TByteCount FileBytes = 0;
    };

    // "name", and "name_base64" with the bytes of a name that is not UTF-8.
    void Name(std::string_view name)
    {
        std::string &out = m_out.Text();
        out += "\"name\":";
        AppendJsonString(out, Utf8Of(name));
        if (!IsUtf8(name)) {
            out += ",\"name_base64\":\"";
            out += Base64(name);
            out += '"';
        }
    }

    // Ends the files of the folder being written, opening its subfolders.
    void CloseFiles()
    {
        TLevel &level = m_levels.back();
        if (level.SubfoldersOpen)
            return;
        std::string &out = m_out.Text();
        out += ']';
        if (m_settings.Totals) {
            out += ",\"file_count\":";
            AppendNumber(out, level.FileCount);
            out += ",\"files_size\":";
            AppendByteCount(out, level.FileBytes);
        }
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

} // namespace

std::unique_ptr<TFormatWriter> MakeJsonWriter(const TDataSettings &settings, QIODevice &out)
{
    return std::make_unique<TJsonWriter>(settings, out);
}
