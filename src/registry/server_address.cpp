#include "registry/server_address.h"

#include "registry/installer.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace selvana::registry {

namespace {

QUrl urlOf(const ServerAddress& a, const QString& password) {
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(a.user);
    url.setPassword(password);
    if (!a.host.startsWith(QLatin1Char('/')))
        url.setHost(a.host);
    url.setPort(a.port);
    url.setPath(QLatin1Char('/') + a.database);
    QUrlQuery query;
    if (a.host.startsWith(QLatin1Char('/')))
        query.addQueryItem(QStringLiteral("host"), a.host);
    for (auto it = a.options.cbegin(); it != a.options.cend(); ++it)
        query.addQueryItem(it.key(), it.value());
    url.setQuery(query);
    return url;
}

QString invalid(const QString& uri) {
    return QStringLiteral("l'indirizzo del registro condiviso \"%1\" non è valido: indicarlo come "
                          "postgresql://utente@server:5432/registro")
        .arg(withoutPassword(uri.trimmed()));
}

} // namespace

QString ServerAddress::shown() const {
    return urlOf(*this, {}).toString();
}

QString ServerAddress::displayed() const {
    return withoutPassword(
        urlOf(*this, password.isEmpty() ? QString() : QStringLiteral("***")).toString());
}

QString withoutPassword(const QString& text) {
    QString out;
    // KEY=VALUE after the start, a blank, '?', '&' or ';'; VALUE quoted (even without its
    // closing quote) or up to the next separator.
    static const QRegularExpression pair(
        QStringLiteral(R"((?<![^\s?&;])([^\s=?&;']+)(\s*=\s*)('(?:[^'\\]|\\.)*'?|[^\s&;]*))"));
    qsizetype done = 0;
    for (auto it = pair.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        const QString key = QUrl::fromPercentEncoding(m.captured(1).toUtf8());
        // password, and sslpassword (the client key's)
        if (!key.contains(QLatin1String("password"), Qt::CaseInsensitive))
            continue;
        out += text.mid(done, m.capturedStart(3) - done) + QStringLiteral("***");
        done = m.capturedEnd(3);
    }
    out += text.mid(done);
    // USER:PASSWORD@ of a URI. A password that is not percent-encoded may hold '@', '/' or
    // ':': everything from the first ':' to the last '@' goes.
    const qsizetype scheme = out.indexOf(QLatin1String("://"));
    if (scheme >= 0) {
        const qsizetype start = scheme + 3;
        const qsizetype at = out.lastIndexOf(QLatin1Char('@'));
        const qsizetype colon = out.indexOf(QLatin1Char(':'), start);
        if (at > start && colon >= 0 && colon < at)
            out.replace(colon + 1, at - colon - 1, QStringLiteral("***"));
    }
    return out;
}

std::optional<ServerAddress> ServerAddress::parse(const QString& uri, QString* error) {
    const QUrl url(uri.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("postgresql") &&
                           url.scheme() != QLatin1String("postgres"))) {
        *error = invalid(uri);
        return std::nullopt;
    }
    ServerAddress a;
    a.host = url.host();
    a.port = url.port(5432);
    a.user = url.userName();
    a.password = url.password();
    a.database = url.path().mid(1);
    const QUrlQuery query(url);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host"))
            a.host = value;
        else if (key == QLatin1String("port"))
            a.port = value.toInt();
        else if (key == QLatin1String("user"))
            a.user = value;
        else if (key == QLatin1String("password"))
            a.password = value;
        else if (key == QLatin1String("dbname"))
            a.database = value;
        else
            a.options.insert(key, value);
    }
    if (a.host.isEmpty())
        a.host = QStringLiteral("localhost");
    if (a.user.isEmpty())
        a.user = systemUserName();
    if (a.database.isEmpty())
        a.database = a.user;
    if (a.port < 1 || a.port > 65535 || a.database.contains(QLatin1Char('/'))) {
        *error = invalid(uri);
        return std::nullopt;
    }
    return a;
}

} // namespace selvana::registry
