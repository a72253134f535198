#include "platform/system/registry.h"

#include <cstring>

#include <QFile>
#include <QStringList>
#include <QtEndian>

#include "platform/system/qtext.h"
#include "platform/system/translation.h"

namespace {

QString NormalKey(QString path)
{
    path.replace(u'/', u'\\');
    const QStringList parts = path.split(u'\\', Qt::SkipEmptyParts);
    QStringList trimmed;
    for (const QString &part : parts)
        trimmed << part.trimmed().toLower();
    return trimmed.join(u'\\');
}

std::string Quoted(const QString &name)
{
    return "'" + name.toStdString() + "'";
}

// The quoted name at the start of `line`, ending just before `end`; nullopt when the line
// does not begin with a complete quoted string.
std::optional<QString> QuotedText(QStringView text, qsizetype &end)
{
    if (text.isEmpty() || text.front() != u'"')
        return std::nullopt;
    QString result;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == u'\\' && i + 1 < text.size()) {
            result += text[++i];
        } else if (ch == u'"') {
            end = i + 1;
            return result;
        } else {
            result += ch;
        }
    }
    return std::nullopt;
}

TRegValue ParseValue(QStringView data)
{
    TRegValue value;
    data = data.trimmed();
    if (data.startsWith(u'"')) {
        qsizetype end = 0;
        if (const auto text = QuotedText(data, end); text && data.mid(end).trimmed().isEmpty()) {
            value.Type = TRegDataType::rdString;
            value.Text = *text;
        }
    } else if (data.startsWith(u"int:", Qt::CaseInsensitive)) {
        bool ok = false;
        value.Integer = data.mid(4).trimmed().toLongLong(&ok, 10);
        if (ok)
            value.Type = TRegDataType::rdInteger;
    } else if (data.startsWith(u"hex:", Qt::CaseInsensitive)) {
        QByteArray bytes;
        bool ok = true;
        for (QStringView part : data.mid(4).split(u',')) {
            part = part.trimmed();
            if (part.isEmpty() && bytes.isEmpty())
                continue; // "hex:" alone is an empty value
            const uint byte = part.toUInt(&ok, 16);
            ok = ok && part.size() <= 2;
            if (!ok)
                break;
            bytes.append(char(byte));
        }
        if (ok) {
            value.Type = TRegDataType::rdBinary;
            value.Bytes = bytes;
        }
    }
    // Anything else is kept with no type: reading it is a type error, not a missing value.
    return value;
}

} // namespace

TRegistry::TRegistry()
{
    Load();
}

QString TRegistry::ConfigFolder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !base.startsWith(u'/'))
        base = qEnvironmentVariable("HOME") + QStringLiteral("/.config");
    return base + QStringLiteral("/vantrel-oruk");
}

std::string TRegistry::StorePath()
{
    return QFile::encodeName(ConfigFolder() + QStringLiteral("/registry.ini")).toStdString();
}

void TRegistry::Load()
{
    QFile file(ToQString(StorePath()));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    const QString text = QString::fromUtf8(file.readAll());
    std::map<QString, TRegValue> *section = nullptr;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = &m_keys[NormalKey(line.mid(1, line.size() - 2).toString())];
            continue;
        }
        qsizetype end = 0;
        const auto name = QuotedText(line, end);
        if (!section || !name)
            continue;
        const QStringView rest = line.mid(end).trimmed();
        if (!rest.startsWith(u'='))
            continue;
        (*section)[name->toLower()] = ParseValue(rest.mid(1));
    }
}

bool TRegistry::OpenKey(const QString &path, bool canCreate)
{
    const bool absolute = path.startsWith(u'\\');
    const QString relative = NormalKey(path);
    QString full = absolute || m_current.isEmpty() ? relative : m_current + u'\\' + relative;
    full = NormalKey(full);
    if (!canCreate && !KeyExists(full))
        return false;
    m_current = full;
    m_open = true;
    return true;
}

bool TRegistry::KeyExists(const QString &path) const
{
    // A key exists when it holds values or has a subkey that does.
    if (path.isEmpty() || m_keys.count(path) != 0)
        return true;
    const QString prefix = path + u'\\';
    const auto below = m_keys.lower_bound(prefix);
    return below != m_keys.end() && below->first.startsWith(prefix);
}

void TRegistry::CloseKey()
{
    m_current.clear();
    m_open = false;
}

const TRegValue *TRegistry::Find(const QString &name) const
{
    if (!m_open)
        return nullptr;
    const auto key = m_keys.find(m_current);
    if (key == m_keys.end())
        return nullptr;
    const auto value = key->second.find(name.toLower());
    return value == key->second.end() ? nullptr : &value->second;
}

bool TRegistry::ValueExists(const QString &name) const
{
    return Find(name) != nullptr;
}

QByteArray TRegistry::ReadBinary(const QString &name, qsizetype size) const
{
    const TRegValue *value = Find(name);
    if (!value)
        throw ERegistryException(Translated("ERegistryException", "Erreur à l'obtention des données pour %1")
                                     .arg(QString::fromStdString(Quoted(name)))
                                     .toStdString());
    if (value->Type != TRegDataType::rdBinary || value->Bytes.size() != size)
        throw ERegistryException(Translated("ERegistryException", "Type de données incorrect pour %1")
                                     .arg(QString::fromStdString(Quoted(name)))
                                     .toStdString());
    return value->Bytes;
}

double TRegistry::ReadFloat(const QString &name) const
{
    const QByteArray bytes = ReadBinary(name, sizeof(double));
    const quint64 bits = qFromLittleEndian<quint64>(bytes.constData());
    double result = 0;
    std::memcpy(&result, &bits, sizeof result);
    return result;
}

std::int64_t TRegistry::ReadInteger(const QString &name, std::int64_t fallback) const
{
    const TRegValue *value = Find(name);
    if (!value)
        return fallback;
    if (value->Type == TRegDataType::rdInteger)
        return value->Integer;
    if (value->Type != TRegDataType::rdString)
        return fallback;
    bool ok = false;
    const qlonglong number = value->Text.trimmed().toLongLong(&ok, 10);
    return ok ? number : fallback;
}
