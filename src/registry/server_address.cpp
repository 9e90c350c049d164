#include "registry/server_address.h"

#include "registry/installer.h"

#include <QUrl>
#include <QUrlQuery>

namespace selvana::registry {

QString ServerAddress::shown() const {
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(user);
    if (!host.startsWith(QLatin1Char('/')))
        url.setHost(host);
    url.setPort(port);
    url.setPath(QLatin1Char('/') + database);
    QUrlQuery query;
    if (host.startsWith(QLatin1Char('/')))
        query.addQueryItem(QStringLiteral("host"), host);
    for (auto it = options.cbegin(); it != options.cend(); ++it)
        query.addQueryItem(it.key(), it.value());
    url.setQuery(query);
    return url.toString();
}

std::optional<ServerAddress> ServerAddress::parse(const QString& uri, QString* error) {
    const QString example = QStringLiteral("postgresql://utente@server:5432/registro");
    const QUrl url(uri.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("postgresql") &&
                           url.scheme() != QLatin1String("postgres"))) {
        *error = QStringLiteral("l'indirizzo del registro condiviso \"%1\" non è valido: "
                                "indicarlo come %2")
                     .arg(uri, example);
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
        *error = QStringLiteral("l'indirizzo del registro condiviso \"%1\" non è valido: "
                                "indicarlo come %2")
                     .arg(uri, example);
        return std::nullopt;
    }
    return a;
}

} // namespace selvana::registry
