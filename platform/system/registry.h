#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>
#include <QString>

#include "platform/system/error.h"

// A value of the store could not be read ("Erreur à l'obtention des données pour '%s'")
// or is not of the type asked for ("Type de données incorrect pour '%s'").
class ERegistryException : public Exception
{
public:
    using Exception::Exception;
};

enum class TRegDataType
{
    rdUnknown,
    rdString,
    rdInteger,
    rdBinary
};

struct TRegValue
{
    TRegDataType Type = TRegDataType::rdUnknown;
    QString Text;
    std::int64_t Integer = 0;
    QByteArray Bytes;
};

// The current user's part of the registry, read only: a text file that people may edit,
// $XDG_CONFIG_HOME/vantrel-oruk/registry.ini ($HOME/.config when XDG_CONFIG_HOME is
// unset or not absolute). Sections name keys by their path below the user's root, parts
// separated by '\'; each value line is "Name"=..., one of
//     "Name"="text"          a string ('\"' and '\\' escape)
//     "Name"=int:-42         an integer in decimal
//     "Name"=hex:00,00,3e,40  binary bytes in hex, separated by commas
// Lines starting with ';' or '#' are comments. Key and value names ignore case. Nothing
// here ever writes the file: opening a key "with create" succeeds on a missing key, which
// then simply holds no values.
class TRegistry
{
public:
    // Reads the store as it is now (a missing or unreadable file is an empty store).
    TRegistry();
    static std::string StorePath();
    // The program's own settings folder: $XDG_CONFIG_HOME/vantrel-oruk ($HOME/.config
    // when XDG_CONFIG_HOME is unset or not absolute).
    static QString ConfigFolder();

    // Makes the key at `path` (relative to the current key, or to the root when it begins
    // with '\') the current key. With `canCreate` a missing key opens empty; without it,
    // the call answers false and the current key stays.
    bool OpenKey(const QString &path, bool canCreate);
    void CloseKey();
    QString CurrentPath() const { return m_current; }

    bool ValueExists(const QString &name) const;
    // Throws ERegistryException: missing value, or not binary / not `size` bytes long.
    QByteArray ReadBinary(const QString &name, qsizetype size) const;
    // An 8-byte binary value holding a little-endian IEEE double.
    double ReadFloat(const QString &name) const;
    // A string or integer value read as a decimal integer; `fallback` when the value is
    // missing or its text is no number.
    std::int64_t ReadInteger(const QString &name, std::int64_t fallback) const;

private:
    void Load();
    bool KeyExists(const QString &path) const;
    const TRegValue *Find(const QString &name) const;

    // Key path (lower case, no leading or trailing '\') to its values by lower-case name.
    std::map<QString, std::map<QString, TRegValue>> m_keys;
    QString m_current;
    bool m_open = false;
};
