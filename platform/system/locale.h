#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include <QCollator>
#include <QLocale>
#include <QString>
#include <QStringView>

#include "platform/system/datetime.h"

class TSortKeyMaker;
struct UCollator;

// The user's regional settings: collation ignoring case, the short date and long time
// formats, the decimal separator. Qt carries its own locale data, so a locale can be
// pinned (in tests) whatever the machine has installed.
//
// Comparisons always go through ICU sort keys: QCollator::compare and sortKey do not
// agree on case for every locale, and sort keys are what large sorts use.
class TLocale
{
public:
    explicit TLocale(const QLocale &locale);

    // The locale of the user's settings, or the pinned one.
    static const TLocale &User();
    // Makes `locale` the user's locale until the next call; for tests.
    static void Pin(const QLocale &locale);

    const QLocale &Locale() const { return m_locale; }

    // < 0, 0 or > 0 as `a` sorts before, with or after `b`, ignoring case.
    int CompareText(const QString &a, const QString &b) const;
    QCollatorSortKey SortKey(const QString &text) const;
    // The bytes of SortKey(text) without the key around them, for sorts of many texts:
    // ICU's key with its terminating NUL, the only NUL in it, written to `out` when it
    // fits in `room` bytes. Answers the key's length, NUL included, whether it fitted or
    // not. Keys compared as unsigned bytes order their texts as CompareText does.
    std::size_t SortKeyBytes(QStringView text, std::uint8_t *out, std::size_t room) const;
    // CompareText of two UTF-8 texts, read as QString::fromUtf8 reads them. The sort key
    // of each text is kept (for the most recently compared tens of thousands of texts),
    // so sorting n names computes n keys instead of two per comparison.
    int CompareUtf8Text(std::string_view a, std::string_view b) const;

    QString ShortDateFormat() const { return m_shortDate; }
    QString LongTimeFormat() const { return m_longTime; }
    QString FormatShortDate(const TDateTimeParts &parts) const;
    QString FormatLongTime(const TDateTimeParts &parts) const;
    QChar DecimalSeparator() const;

private:
    QLocale m_locale;
    QCollator m_collator;
    QString m_shortDate;
    QString m_longTime;

    // Keys as m_collator makes them; shared by copies.
    std::shared_ptr<const TSortKeyMaker> m_keyMaker;

    // Sort keys by UTF-8 text; shared by copies, which have the same collator.
    class TSortKeyCache;
    std::shared_ptr<TSortKeyCache> m_sortKeys;
};

// Makes the keys of TLocale::SortKeyBytes with an ICU collator of its own, opened and set
// up as QCollator's ICU backend sets up the locale's: a thread that makes many keys
// takes one of its own while others use the locale.
class TSortKeyMaker
{
public:
    explicit TSortKeyMaker(const TLocale &locale);
    ~TSortKeyMaker();
    TSortKeyMaker(const TSortKeyMaker &) = delete;
    TSortKeyMaker &operator=(const TSortKeyMaker &) = delete;

    // As TLocale::SortKeyBytes.
    std::size_t Key(QStringView text, std::uint8_t *out, std::size_t room) const;

private:
    friend class TLocale;
    explicit TSortKeyMaker(const QLocale &collationLocale);

    UCollator *m_collator = nullptr;
};
