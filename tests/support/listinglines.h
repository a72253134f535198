#pragma once

#include <ostream>

#include <QString>

// One paragraph of a listing as a test expects it: its text and whether it is bold.
struct TLine
{
    QString Text;
    bool Bold = false;
    bool operator==(const TLine &) const = default;
};

inline void PrintTo(const TLine &line, std::ostream *out)
{
    *out << (line.Bold ? "bold " : "") << '"' << line.Text.toStdString() << '"';
}
