#include "platform/system/locale.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <string>
#include <unicode/ucol.h>
#include <unordered_map>

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include "platform/system/qtext.h"

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

// Qt collates the C locale by code points and case-sensitively; the ICU root order
// (which en_US follows) is what a user of that locale expects of "alphabetical".
QLocale CollationLocaleOf(const QLocale &locale)
{
    return IsPosixLocale(locale) ? QLocale(QLocale::English, QLocale::UnitedStates) : locale;
}

// Hashes std::string and std::string_view alike, so a view finds a stored text.
struct TTextHash
{
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

void SetAttribute(UCollator *collator, UColAttribute attribute, UColAttributeValue value)
{
    UErrorCode status = U_ZERO_ERROR;
    ucol_setAttribute(collator, attribute, value, &status);
}

} // namespace

// Two generations of keys: lookups fill the current one; when it is full it becomes the
// previous one (the older generation goes), and keys found there move back to the
// current. Texts in use stay; memory stays bounded.
class TLocale::TSortKeyCache
{
public:
    // Keys per generation; a folder of this many names sorts without computing a key twice.
    static constexpr std::size_t GenerationSize = 1 << 15;

    int Compare(const QCollator &collator, std::string_view a, std::string_view b)
    {
        const std::lock_guard lock(m_mutex);
        // Turning over only here keeps both references below valid: insertions into an
        // unordered_map do not move its elements.
        if (m_current.size() >= GenerationSize) {
            m_previous = std::move(m_current);
            m_current.clear();
            m_recent[0] = m_recent[1] = nullptr;
        }
        const QCollatorSortKey &keyA = Key(collator, a);
        const QCollatorSortKey &keyB = Key(collator, b);
        return keyA.compare(keyB);
    }

private:
    using TMap = std::unordered_map<std::string, QCollatorSortKey, TTextHash, std::equal_to<>>;

    const QCollatorSortKey &Key(const QCollator &collator, std::string_view text)
    {
        // A merge sort compares one of the two texts of the last comparison again.
        for (int slot = 0; slot < 2; ++slot) {
            if (m_recent[slot] && m_recent[slot]->first == text) {
                m_lastSlot = slot;
                return m_recent[slot]->second;
            }
        }
        const TMap::value_type *entry;
        if (const auto found = m_current.find(text); found != m_current.end()) {
            entry = &*found;
        } else if (const auto old = m_previous.find(text); old != m_previous.end()) {
            entry = &*m_current.emplace(std::string(text), old->second).first;
        } else {
            QCollatorSortKey key = collator.sortKey(ToQString(text));
            entry = &*m_current.emplace(std::string(text), std::move(key)).first;
        }
        m_lastSlot ^= 1;
        m_recent[m_lastSlot] = entry;
        return entry->second;
    }

    std::mutex m_mutex;
    TMap m_current;
    TMap m_previous;
    // The two texts looked up last (entries of m_current), and which of them came last.
    const TMap::value_type *m_recent[2] = {nullptr, nullptr};
    int m_lastSlot = 0;
};

TLocale::TLocale(const QLocale &locale)
    : m_locale(locale)
    , m_collator(CollationLocaleOf(locale))
    , m_keyMaker(std::shared_ptr<const TSortKeyMaker>(new TSortKeyMaker(CollationLocaleOf(locale))))
    , m_sortKeys(std::make_shared<TSortKeyCache>())
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

std::size_t TLocale::SortKeyBytes(QStringView text, std::uint8_t *out, std::size_t room) const
{
    return m_keyMaker->Key(text, out, room);
}

int TLocale::CompareUtf8Text(std::string_view a, std::string_view b) const
{
    return m_sortKeys->Compare(m_collator, a, b);
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

TSortKeyMaker::TSortKeyMaker(const TLocale &locale)
    : TSortKeyMaker(CollationLocaleOf(locale.Locale()))
{ }

// As QCollator's ICU backend sets up its collator for a locale, ignoring case, numbers
// read digit by digit, punctuation significant: the same locale name, full normalization,
// secondary strength, numeric collation and alternate handling. A collator ICU cannot
// open gives every text the same empty key, as Qt's does.
TSortKeyMaker::TSortKeyMaker(const QLocale &collationLocale)
{
    const QByteArray name = collationLocale.bcp47Name().replace(u'-', u'_').toLatin1();
    UErrorCode status = U_ZERO_ERROR;
    m_collator = ucol_open(name.constData(), &status);
    if (U_FAILURE(status)) {
        m_collator = nullptr;
        return;
    }
    SetAttribute(m_collator, UCOL_NORMALIZATION_MODE, UCOL_ON);
    SetAttribute(m_collator, UCOL_STRENGTH, UCOL_SECONDARY);
    SetAttribute(m_collator, UCOL_NUMERIC_COLLATION, UCOL_OFF);
    SetAttribute(m_collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE);
}

TSortKeyMaker::~TSortKeyMaker()
{
    if (m_collator)
        ucol_close(m_collator);
}

std::size_t TSortKeyMaker::Key(QStringView text, std::uint8_t *out, std::size_t room) const
{
    if (!m_collator) {
        if (room > 0)
            out[0] = 0;
        return 1;
    }
    const auto fits = static_cast<std::int32_t>(std::min<std::size_t>(room, INT32_MAX));
    const auto *chars = reinterpret_cast<const UChar *>(text.utf16());
    return std::size_t(ucol_getSortKey(m_collator, chars, std::int32_t(text.size()), out, fits));
}
