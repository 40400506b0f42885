// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "bench/systemtext.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>

#include <utility>

namespace abgleich {

namespace {

struct Text {
    int code;
    const char* german; // UTF-8
};

constexpr Text kSystemErrors[] = {
    {EPERM, "Die Operation ist nicht erlaubt"},
    {EACCES, "Zugriff verweigert"},
    {ENOENT, "Die Datei oder das Verzeichnis konnte nicht gefunden werden"},
    {ECONNREFUSED, "Verbindung verweigert"},
    {ENETUNREACH, "Das Netzwerk ist nicht erreichbar"},
    {EHOSTUNREACH, "Der Rechner ist nicht erreichbar"},
    {ETIMEDOUT, "Zeitüberschreitung bei der Verbindung"},
    {ENOBUFS, "Kein Pufferspeicher verfügbar"},
    {EMFILE, "Zu viele offene Dateien"},
};

constexpr Text kResolverErrors[] = {
    {EAI_NONAME, "Der Name ist nicht bekannt"},
    {EAI_AGAIN, "Vorübergehender Fehler bei der Namensauflösung"},
    {EAI_FAIL, "Dauerhafter Fehler bei der Namensauflösung"},
    {EAI_FAMILY, "Keine IPv4-Adresse für diesen Namen"},
    {EAI_MEMORY, "Nicht genügend Arbeitsspeicher"},
};

template <std::size_t N> const char* find(const Text (&table)[N], int code) {
    for (const Text& text : table)
        if (text.code == code)
            return text.german;
    return nullptr;
}

} // namespace

QString systemErrorText(int error) {
    if (const char* german = find(kSystemErrors, error))
        return QString::fromUtf8(german);
    return QString::fromLocal8Bit(std::strerror(error));
}

QString resolverErrorText(int code) {
    if (const char* german = find(kResolverErrors, code))
        return QString::fromUtf8(german);
    return QString::fromLocal8Bit(::gai_strerror(code));
}

} // namespace abgleich
