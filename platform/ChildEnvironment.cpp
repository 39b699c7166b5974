#include "platform/ChildEnvironment.h"

#include <cstring>
#include <iterator>
#include <langinfo.h>
#include <locale.h>

extern char** environ;

namespace platform {
namespace {

constexpr char kUtf8CharacterType[] = "LC_CTYPE=C.UTF-8";
constexpr const char* kLocaleVariables[] = {
    "LANG",           "LC_ALL",     "LC_CTYPE", "LC_COLLATE",  "LC_MESSAGES",
    "LC_MONETARY",    "LC_NUMERIC", "LC_TIME",  "LC_ADDRESS",  "LC_IDENTIFICATION",
    "LC_MEASUREMENT", "LC_NAME",    "LC_PAPER", "LC_TELEPHONE"};

QByteArray NameOf(const QByteArray& entry) {
    const qsizetype equals = entry.indexOf('=');
    return equals < 0 ? entry : entry.left(equals);
}

bool IsLocaleVariable(const QByteArray& name) {
    for (const char* variable : kLocaleVariables) {
        if (name == variable)
            return true;
    }
    return false;
}

QByteArray ValueOf(const QByteArrayList& environment, const QByteArray& name) {
    for (const QByteArray& entry : environment) {
        if (NameOf(entry) == name)
            return entry.mid(name.size() + 1);
    }
    return {};
}

// The locale that decides the character type, in the C library's order of precedence.
QByteArray CharacterTypeLocale(const QByteArrayList& environment) {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const QByteArray value = ValueOf(environment, name);
        if (!value.isEmpty())
            return value;
    }
    return QByteArrayLiteral("C");
}

// A locale that is not installed leaves the child in the C locale, which is not UTF-8 either.
bool IsUtf8(const QByteArray& localeName) {
    const locale_t locale = newlocale(LC_CTYPE_MASK, localeName.constData(), locale_t(0));
    if (locale == locale_t(0))
        return false;
    const bool utf8 = std::strcmp(nl_langinfo_l(CODESET, locale), "UTF-8") == 0;
    freelocale(locale);
    return utf8;
}

QByteArrayList OwnEnvironment() {
    QByteArrayList environment;
    for (char** pEntry = environ; pEntry && *pEntry; ++pEntry)
        environment.append(QByteArray(*pEntry));
    return environment;
}

} // namespace

QByteArrayList ChildEnvironment() {
    return ChildEnvironment(OwnEnvironment());
}

QByteArrayList BackgroundChildEnvironment() {
    return BackgroundChildEnvironment(OwnEnvironment());
}

QByteArrayList ChildEnvironment(const QByteArrayList& environment) {
    if (IsUtf8(CharacterTypeLocale(environment)))
        return environment;
    // LC_ALL would override any LC_CTYPE; its value moves to LANG, which then serves every other
    // category as LC_ALL did, since the separate categories it overrode are dropped with it.
    const QByteArray all = ValueOf(environment, "LC_ALL");
    QByteArrayList result;
    for (const QByteArray& entry : environment) {
        const QByteArray name = NameOf(entry);
        const bool replaced = all.isEmpty() ? name == "LC_CTYPE" : IsLocaleVariable(name);
        if (!replaced)
            result.append(entry);
    }
    if (!all.isEmpty())
        result.append("LANG=" + all);
    result.append(kUtf8CharacterType);
    return result;
}

QByteArrayList BackgroundChildEnvironment(const QByteArrayList& environment) {
    return WithSettings(ChildEnvironment(environment),
                        QByteArrayList(std::begin(kBackgroundSettings), std::end(kBackgroundSettings)));
}

QByteArrayList WithSettings(QByteArrayList environment, const QByteArrayList& settings) {
    for (const QByteArray& setting : settings) {
        environment.removeIf(
            [name = NameOf(setting)](const QByteArray& entry) { return NameOf(entry) == name; });
        environment.append(setting);
    }
    return environment;
}

} // namespace platform
