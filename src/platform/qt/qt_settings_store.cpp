#include "platform/qt/qt_settings_store.h"

#include <QLockFile>

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

std::string QtSettingsStore::update(const std::string& section, const std::string& key,
                                    const std::string& defaultValue,
                                    const std::function<std::string(const std::string&)>& change) {
  // Runs on several ports share one store, and each adds its chips to the
  // same count: a read and a write apart would let one run's write undo
  // another's. QSettings locks only its own write, so this lock spans both;
  // it is not QSettings' own lock file, which sync() takes inside it.
  QLockFile lock(settings_->fileName() + ".update.lock");
  lock.setStaleLockTime(10'000);
  const bool locked = lock.tryLock(5'000);  // a wedged store must not stop the line
  settings_->sync();                        // others' latest writes
  std::string changed = change(value(section, key, defaultValue));
  setValue(section, key, changed);
  settings_->sync();
  if (locked) lock.unlock();
  return changed;
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
