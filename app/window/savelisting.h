#pragma once

#include <string>

#include <QString>

// What "Enregistrer..." writes, by the name's extension: RTF (the view's text, as ever,
// also for any other extension), PDF (printed by the printing component), plain text
// (the view's text), and the files found as HTML, CSV or JSON, written as the export
// command writes them.
enum class TSaveFormat
{
    Rtf,
    Pdf,
    Html,
    Csv,
    Json,
    Text
};

TSaveFormat SaveFormatOf(const std::string &fileName);

// The save dialog's list of types, RTF first.
QString SaveFilter();
