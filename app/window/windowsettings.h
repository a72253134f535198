#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include <QByteArray>
#include <QString>

#include "platform/system/font.h"

// What the window keeps from one run to the next: the four options, the listing's font,
// the folder picked last and the window's size and place.
struct TRemembered
{
    bool DirsOnly = false;
    bool Sorted = false;
    bool Sizes = false;
    bool Dates = false;
    std::optional<TFont> Font;
    std::string Folder;
    QByteArray Geometry; // QWidget::saveGeometry
};

// $XDG_CONFIG_HOME/vantrel-oruk/vantrel-oruk.conf (~/.config when unset or relative): an
// INI file of Qt's settings, apart from the hand-edited page settings.
QString RememberedPath();

// What the file at `path` holds; std::nullopt when there is none, or when it cannot be
// read or is damaged, which is then said on `err` in one line (the file is written
// anew at exit). Values that make no sense are left at the design's.
std::optional<TRemembered> LoadRemembered(const QString &path, std::ostream &err);
// Replaces the file whole (a temporary renamed over it); false when that failed.
bool SaveRemembered(const QString &path, const TRemembered &remembered);
