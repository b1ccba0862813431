// SPDX-License-Identifier: Apache-2.0
// The user's locale comes from the POSIX environment, read anew on every
// call so that a changed environment takes effect at once.
#include "Locale.h"

#include <QByteArray>
#include <array>
#include <initializer_list>

namespace {

struct LocaleId
{
    const char *language;
    const char *territory;
    LCID lcid;
};

// The first row of each language is its primary locale, answered for a
// language given without territory.
constexpr std::array kLocales = {
    LocaleId{"en", "US", 1033}, LocaleId{"en", "GB", 2057},  LocaleId{"en", "AU", 3081},
    LocaleId{"en", "CA", 4105}, LocaleId{"en", "NZ", 5129},  LocaleId{"en", "IE", 6153},
    LocaleId{"en", "ZA", 7177}, LocaleId{"en", "IN", 16393}, LocaleId{"de", "DE", 1031},
    LocaleId{"de", "CH", 2055}, LocaleId{"de", "AT", 3079},  LocaleId{"de", "LU", 4103},
    LocaleId{"de", "LI", 5127}, LocaleId{"fr", "FR", 1036},  LocaleId{"fr", "BE", 2060},
    LocaleId{"fr", "CA", 3084}, LocaleId{"fr", "CH", 4108},  LocaleId{"fr", "LU", 5132},
    LocaleId{"it", "IT", 1040}, LocaleId{"it", "CH", 2064},  LocaleId{"es", "ES", 3082},
    LocaleId{"es", "MX", 2058}, LocaleId{"es", "AR", 11274}, LocaleId{"nl", "NL", 1043},
    LocaleId{"nl", "BE", 2067}, LocaleId{"pt", "PT", 2070},  LocaleId{"pt", "BR", 1046},
    LocaleId{"pl", "PL", 1045}, LocaleId{"cs", "CZ", 1029},  LocaleId{"sk", "SK", 1051},
    LocaleId{"sv", "SE", 1053}, LocaleId{"sv", "FI", 2077},  LocaleId{"da", "DK", 1030},
    LocaleId{"fi", "FI", 1035}, LocaleId{"nb", "NO", 1044},  LocaleId{"no", "NO", 1044},
    LocaleId{"nn", "NO", 2068}, LocaleId{"ru", "RU", 1049},  LocaleId{"uk", "UA", 1058},
    LocaleId{"ja", "JP", 1041}, LocaleId{"zh", "CN", 2052},  LocaleId{"zh", "TW", 1028},
    LocaleId{"ko", "KR", 1042}, LocaleId{"tr", "TR", 1055},  LocaleId{"hu", "HU", 1038},
    LocaleId{"el", "GR", 1032}, LocaleId{"ro", "RO", 1048},  LocaleId{"sl", "SI", 1060},
    LocaleId{"hr", "HR", 1050},
};

constexpr LCID kFallbackLcid = 1033;

/// The first of the variables named that is set and not empty, the way a
/// POSIX program picks the locale of one category.
QByteArray localeVariable(std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        QByteArray value = qgetenv(name);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

LCID lcidOf(QByteArray name)
{
    if (qsizetype at = name.indexOf('@'); at >= 0)
        name.truncate(at);
    if (qsizetype dot = name.indexOf('.'); dot >= 0)
        name.truncate(dot);
    const qsizetype underscore = name.indexOf('_');
    const QByteArray language = (underscore >= 0 ? name.left(underscore) : name).toLower();
    const QByteArray territory = underscore >= 0 ? name.mid(underscore + 1).toUpper() : QByteArray();
    if (language.isEmpty())
        return kFallbackLcid;
    const LocaleId *primary = nullptr;
    for (const LocaleId &id : kLocales) {
        if (language != id.language)
            continue;
        if (!primary)
            primary = &id;
        if (territory == id.territory)
            return id.lcid;
    }
    // An unknown territory of a known language is still that language.
    return primary ? primary->lcid : kFallbackLcid;
}

QLocale qlocaleOf(LCID lcid)
{
    for (const LocaleId &id : kLocales) {
        if (id.lcid == lcid)
            return QLocale(
                QStringLiteral("%1_%2").arg(QLatin1StringView(id.language), QLatin1StringView(id.territory)));
    }
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

} // namespace

LCID GetUserDefaultLCID()
{
    return lcidOf(localeVariable({"LC_ALL", "LC_MESSAGES", "LANG"}));
}

LANGID GetUserDefaultLangID()
{
    return static_cast<LANGID>(GetUserDefaultLCID() & 0xFFFF);
}

namespace UserLocale {

QLocale locale()
{
    return qlocaleOf(GetUserDefaultLCID());
}

QString shortMonthName(int month)
{
    QString name = locale().monthName(month, QLocale::ShortFormat);
    while (name.endsWith(u'.'))
        name.chop(1);
    return name;
}

QString timeSeparator()
{
    const QString format = locale().timeFormat(QLocale::ShortFormat);
    // The separator is whatever follows the hour field.
    qsizetype i = 0;
    while (i < format.size() && format.at(i) != u'h' && format.at(i) != u'H')
        ++i;
    while (i < format.size() && (format.at(i) == u'h' || format.at(i) == u'H'))
        ++i;
    qsizetype end = i;
    while (end < format.size() && !format.at(end).isLetter())
        ++end;
    QString separator = format.mid(i, end - i);
    separator.remove(u'\'');
    return separator.isEmpty() ? QStringLiteral(":") : separator;
}

QString decimalSeparator()
{
    // Numbers have a category of their own: a German user may well read
    // English messages and still write numbers with a comma.
    return qlocaleOf(lcidOf(localeVariable({"LC_ALL", "LC_NUMERIC", "LANG"}))).decimalPoint();
}

} // namespace UserLocale
