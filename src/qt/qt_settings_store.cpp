#include "qt/qt_settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#else
#include <QLockFile>
#include <optional>
#endif

namespace qrk {

namespace {

QString settingsKey(const std::string& section, const std::string& key) {
  return QString::fromStdString(section) + '/' + QString::fromStdString(key);
}

std::string textOf(const QVariant& stored, const std::string& defaultValue) {
  if (!stored.isValid()) return defaultValue;
  // An INI line edited by hand as "a,b" reads back as a list.
  if (stored.typeId() == QMetaType::QStringList)
    return stored.toStringList().join(',').toStdString();
  return stored.toString().toStdString();
}

// Held across a read and a write of the store: a kernel lock on a file
// beside it, so a waiting run wakes the moment the holder lets go (QLockFile
// polls, from 100 ms up), and a run that dies holding it lets go with it.
class UpdateLock {
 public:
  explicit UpdateLock(const QString& path) {
    // The first run on a new machine makes the folder, as its write would.
    QDir().mkpath(QFileInfo(path).absolutePath());
#if defined(Q_OS_UNIX)
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // A store no lock can be made beside is updated unlocked, as before.
    while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
#else
    file_.emplace(path);
    (void)file_->tryLock(5'000);  // a wedged store must not stop the line
#endif
  }
  ~UpdateLock() {
#if defined(Q_OS_UNIX)
    if (fd_ >= 0) ::close(fd_);
#endif
  }
  UpdateLock(const UpdateLock&) = delete;
  UpdateLock& operator=(const UpdateLock&) = delete;

 private:
#if defined(Q_OS_UNIX)
  int fd_ = -1;
#else
  std::optional<QLockFile> file_;
#endif
};

}  // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QString::fromUtf8(kApplicationName))) {}

QtSettingsStore::QtSettingsStore(const std::string& iniPath)
    : settings_(
          std::make_unique<QSettings>(QString::fromStdString(iniPath), QSettings::IniFormat)) {}

std::string QtSettingsStore::value(const std::string& section, const std::string& key,
                                   const std::string& defaultValue) const {
  return textOf(settings_->value(settingsKey(section, key)), defaultValue);
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
  // another's. QSettings locks only its own write, so this lock spans both.
  const UpdateLock lock(settings_->fileName() + ".update.lock");
  std::string changed = change(storedValue(section, key, defaultValue));
  setValue(section, key, changed);
  settings_->sync();
  return changed;
}

std::string QtSettingsStore::storedValue(const std::string& section, const std::string& key,
                                         const std::string& defaultValue) const {
  // QSettings reads its file again only when the file's size or time stamp
  // changed, and another run's count of the same length, written within one
  // tick of the file system's clock, changes neither. A copy is read afresh.
  QTemporaryDir dir;
  const QString copy = dir.filePath("settings.ini");
  if (!dir.isValid() || !QFile::copy(settings_->fileName(), copy)) {
    return value(section, key, defaultValue);  // no file yet: nothing stored by anyone
  }
  return textOf(QSettings(copy, QSettings::IniFormat).value(settingsKey(section, key)),
                value(section, key, defaultValue));
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
