#pragma once

// The properties of a file-system item: what the context menu's "Properties" entry
// shows in a small dialog.

#include <string>
#include <vector>

#include <QString>

class QWidget;

struct TPropertyRow
{
    QString Label;
    QString Value;
};

// Path, kind, size (or the number of entries of a folder), the modification, access and
// status-change times, permissions, owner and group of the item at `path` (a link is
// described, not followed). Empty with `error` set when the item cannot be read.
std::vector<TPropertyRow> ItemPropertyRows(const std::string &path, int &error);

// Shows the properties in a dialog that does not block (object name
// "ItemPropertiesDialog", a child of `owner` when given, deleted when closed);
// 0 or the errno of a failure to read the item.
int ShowItemProperties(QWidget *owner, const std::string &path);
