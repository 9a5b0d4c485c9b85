#include "qt/record_location.h"

#include <QStandardPaths>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

namespace qrk {

namespace {

constexpr int kConnectTimeoutSeconds = 5;

}  // namespace

std::optional<RecordLocation> RecordLocation::parse(const QString& text, QString* error) {
  RecordLocation location;
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) {
    *error = "--db needs a file name or a postgresql:// address";
    return std::nullopt;
  }
  if (!trimmed.startsWith("postgresql://", Qt::CaseInsensitive) &&
      !trimmed.startsWith("postgres://", Qt::CaseInsensitive)) {
    if (trimmed.contains("://")) {
      *error = "'" + trimmed + "' is neither a file nor a postgresql:// address";
      return std::nullopt;
    }
    location.path = trimmed;
    return location;
  }
  const QUrl url(trimmed, QUrl::StrictMode);
  location.kind = Kind::Postgres;
  location.database = url.path().mid(1);
  if (!url.isValid() || location.database.isEmpty() || location.database.contains('/')) {
    *error = "'" + trimmed + "' is no postgresql://user@host/dbname address";
    return std::nullopt;
  }
  location.user = url.userName();
  location.password = url.password();
  location.host = url.host();
  location.port = url.port();
  QStringList options;
  for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
    if (key == "host") {
      location.host = value;
    } else if (key == "port") {
      bool ok = false;
      location.port = value.toInt(&ok);
      if (!ok || location.port <= 0 || location.port > 65535) {
        *error = "port '" + value + "' in '" + trimmed + "' is no port number";
        return std::nullopt;
      }
    } else {
      options << key + "=" + value;
    }
  }
  options << QString("connect_timeout=%1").arg(kConnectTimeoutSeconds);
  location.connectOptions = options.join(';');
  return location;
}

RecordLocation RecordLocation::perUserDefault() {
  RecordLocation location;
  location.path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                  "/production-record.sqlite";
  return location;
}

QString RecordLocation::describe() const {
  if (kind == Kind::Sqlite) return path;
  QString where = host.isEmpty() ? QString("localhost") : host;
  if (port > 0) where += QString(":%1").arg(port);
  return "postgresql://" + (user.isEmpty() ? QString() : user + "@") + where + "/" + database;
}

}  // namespace qrk
