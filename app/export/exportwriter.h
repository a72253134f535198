#pragma once

#include <charconv>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <time.h>

#include "app/export/bufferedout.h"
#include "app/export/exportformats.h"
#include "app/export/exporttext.h"
#include "app/read/treevisit.h"

// What the writers of the data formats share: a buffered output, the ISO texts of times,
// and the base class that walks the tree with them.

inline void AppendNumber(std::string &out, std::int64_t value)
{
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
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
inline std::string_view PathOf(const TTreeFolder &folder)
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

    const std::string &TimeText(const std::optional<struct timespec> &moment) { return m_times.Of(moment); }
    // The bytes when they are UTF-8, or else their text as the listing reads them.
    std::string_view Utf8Of(std::string_view bytes)
    {
        if (IsUtf8(bytes))
            return bytes;
        m_valid = ValidUtf8(bytes);
        return m_valid;
    }

    const TDataSettings &m_settings;
    TBufferedOut m_out;
    TIsoTimes m_times;

private:
    std::string m_valid; // the last text Utf8Of made valid
};

std::unique_ptr<TFormatWriter> MakeCsvWriter(const TDataSettings &settings, QIODevice &out);
std::unique_ptr<TFormatWriter> MakeJsonWriter(const TDataSettings &settings, QIODevice &out);
std::unique_ptr<TFormatWriter> MakeHtmlWriter(const TDataSettings &settings, QIODevice &out);
