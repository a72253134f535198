#include "platform/locale.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

namespace {

std::unique_ptr<TLocale> &UserLocale()
{
    static std::unique_ptr<TLocale> locale;
    return locale;
}

bool IsPosixLocale(const QLocale &locale)
{
    return locale.language() == QLocale::C;
}

} // namespace

TLocale::TLocale(const QLocale &locale)
    : m_locale(locale)
    // Qt collates the C locale by code points and case-sensitively; the ICU root order
    // (which en_US follows) is what a user of that locale expects of "alphabetical".
    , m_collator(IsPosixLocale(locale) ? QLocale(QLocale::English, QLocale::UnitedStates) : locale)
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(false);
    if (IsPosixLocale(locale)) {
        m_shortDate = QStringLiteral("yyyy-MM-dd");
        m_longTime = QStringLiteral("HH:mm:ss");
    } else {
        m_shortDate = locale.dateFormat(QLocale::ShortFormat);
        // Qt's long time format names the time zone; the desktop's long time does not.
        m_longTime = locale.timeFormat(QLocale::LongFormat)
                         .remove(QRegularExpression(QStringLiteral("\\s*\\bt+$")))
                         .trimmed();
    }
}

const TLocale &TLocale::User()
{
    auto &locale = UserLocale();
    if (!locale)
        locale = std::make_unique<TLocale>(QLocale::system());
    return *locale;
}

void TLocale::Pin(const QLocale &locale)
{
    UserLocale() = std::make_unique<TLocale>(locale);
}

int TLocale::CompareText(const QString &a, const QString &b) const
{
    return SortKey(a).compare(SortKey(b));
}

QCollatorSortKey TLocale::SortKey(const QString &text) const
{
    return m_collator.sortKey(text);
}

QString TLocale::FormatShortDate(const TDateTimeParts &parts) const
{
    return m_locale.toString(QDate(parts.Year, parts.Month, parts.Day), m_shortDate);
}

QString TLocale::FormatLongTime(const TDateTimeParts &parts) const
{
    return m_locale.toString(QTime(parts.Hour, parts.Minute, parts.Second), m_longTime);
}

QChar TLocale::DecimalSeparator() const
{
    const QString point = m_locale.decimalPoint();
    return point.isEmpty() ? QChar(u'.') : point.front();
}
