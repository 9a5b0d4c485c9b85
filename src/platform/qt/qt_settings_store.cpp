#include "platform/qt/qt_settings_store.h"

namespace qrk {

namespace {

QString settingsKey(const std::string& section, const std::string& key) {
  return QString::fromStdString(section) + '/' + QString::fromStdString(key);
}

}  // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QString::fromUtf8(kApplicationName))) {}

QtSettingsStore::QtSettingsStore(const std::string& iniPath)
    : settings_(
          std::make_unique<QSettings>(QString::fromStdString(iniPath), QSettings::IniFormat)) {}

std::string QtSettingsStore::value(const std::string& section, const std::string& key,
                                   const std::string& defaultValue) const {
  const QVariant stored = settings_->value(settingsKey(section, key));
  if (!stored.isValid()) return defaultValue;
  // An INI line edited by hand as "a,b" reads back as a list.
  if (stored.typeId() == QMetaType::QStringList)
    return stored.toStringList().join(',').toStdString();
  return stored.toString().toStdString();
}

void QtSettingsStore::setValue(const std::string& section, const std::string& key,
                               const std::string& value) {
  settings_->setValue(settingsKey(section, key), QString::fromStdString(value));
}

bool QtSettingsStore::sync(std::string* error) {
  settings_->sync();
  switch (settings_->status()) {
    case QSettings::NoError:
      return true;
    case QSettings::AccessError:
      if (error) *error = "cannot write " + location();
      return false;
    case QSettings::FormatError:
      if (error) *error = location() + " is not a valid settings file";
      return false;
  }
  return false;
}

std::string QtSettingsStore::location() const { return settings_->fileName().toStdString(); }

}  // namespace qrk
