#pragma once

#include <vector>

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

// A small RTF reader for tests: enough of the format to check what a writer produced,
// written apart from any writer so that it does not share its mistakes.

// A stretch of text with one character format.
struct TRtfRun
{
    QString Text;
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
    int HalfPoints = 24; // \fs; RTF's default is 12 points
    int Font = 0; // \f
    int Color = 0; // \cf, an index into the colour table
};

struct TRtfParagraph
{
    std::vector<TRtfRun> Runs; // adjacent text of the same format is one run; none when empty
    QString Text() const;
};

struct TRtfFontEntry
{
    int Number = -1; // \f
    int Charset = -1; // \fcharset, -1 when not given
    QString Name;
};

struct TRtfDocument
{
    // Empty when the whole input was well-formed RTF: "{\rtf" first, groups balanced,
    // nothing but line breaks after the closing brace, escapes complete.
    QString Error;
    // Paragraphs end at \par (or U+2029 written as \par); text after the last \par is one
    // more paragraph, an empty tail is none. \line reads as U+2028 and \tab as '\t'.
    std::vector<TRtfParagraph> Paragraphs;
    std::vector<TRtfFontEntry> Fonts;
    QList<QColor> Colors; // the colour table; an invalid colour for an "auto" entry

    bool Ok() const { return Error.isEmpty(); }
    QStringList Texts() const;
};

// Reads RTF bytes. \'xx and literal bytes beyond ASCII are cp1252; \uN is a UTF-16 unit
// followed by \ucN (default 1) skipped fallback characters. Destinations other than the
// font and colour tables ({\*...}, \stylesheet, \info, \pict, ...) are skipped.
TRtfDocument ReadRtf(const QByteArray &rtf);
