#include "run_gate.h"

#include <QWidget>
#include <optional>

#include "ui/window_model.h"

namespace qrkgui {

namespace {

using qrk::Lockable;

// The widgets a run locks, by the object name of their control array, and
// what each stands for.
struct LockedArray {
  const char* name;
  Lockable what;
};

constexpr LockedArray kLockedArrays[] = {
    {"combMcuModel", Lockable::ModelChoice},
    {"Combo2", Lockable::IspSpace},
    {"Option0", Lockable::OptionChoices},
    {"Option1", Lockable::OptionChoices},
    {"Option2", Lockable::OptionChoices},
    {"Option3", Lockable::OptionChoices},
    {"Option4", Lockable::OptionChoices},
    {"Option5", Lockable::OptionChoices},
    {"Option6", Lockable::OptionChoices},
    {"Option7", Lockable::OptionChoices},
    {"Text4", Lockable::StartAddress},
    {"optFillbyte", Lockable::FillByte},
    {"comLoadFile", Lockable::FileOpening},
    {"Check6", Lockable::ClearBuffer},
    {"comb_oscillate_frequency", Lockable::DemoCrystal},
    {"comb_ISP_buad", Lockable::DemoBaud},
    {"opt_ISP_DEMO_parity", Lockable::DemoParity},
    {"optISP_DEMO_erase_data", Lockable::DemoDataFlashErase},
    {"LabISP_DEMO_erase_data", Lockable::DemoDataFlashErase},
    {"opt_ISP_DEMO_WDT", Lockable::DemoWatchdog},
    {"Lab_ISP_DEMO_WDT", Lockable::DemoWatchdog},
    {"comb_ISP_DEMO_WDT", Lockable::DemoWatchdogPin},
    {"opt_485_pin", Lockable::DemoDirectionPinChoice},
    {"Lab_485_pin", Lockable::DemoDirectionPinChoice},
    {"comb_485_pin", Lockable::DemoDirectionPin},
    {"opt_485_logic", Lockable::DemoDirectionLevel},
    {"Lab_485_logic", Lockable::DemoDirectionLevel},
    {"comDownload", Lockable::RunStart},
    {"comReDownload", Lockable::RunStart},
    {"com_write_ISP_demo", Lockable::DemoWriteStart},
    {"com_re_write_ISP_demo", Lockable::DemoWriteStart},
    {"comTJXZ", Lockable::BoardDownload},
    {"txt_download_max", Lockable::BoardChipLimit},
    {"cheAuto_Increase", Lockable::SerialNumbering},
    {"texAuto_Increase", Lockable::SerialNumbering},
    {"optAuto_Increase", Lockable::SerialNumbering},
    {"comFixtureSupply", Lockable::FixtureChoices},
    {"txtFixturePowerOn", Lockable::FixtureChoices},
    {"txtFixturePowerOff", Lockable::FixtureChoices},
    {"comFixtureStart", Lockable::FixtureChoices},
};

// The name of the control array a widget belongs to: "Option3_1" is a button
// of "Option3", "comb_485_pin_0" a list of "comb_485_pin".
QString arrayName(const QString& objectName) {
  const qsizetype underscore = objectName.lastIndexOf('_');
  if (underscore <= 0 || underscore + 1 >= objectName.size()) return objectName;
  for (qsizetype i = underscore + 1; i < objectName.size(); ++i) {
    if (!objectName.at(i).isDigit()) return objectName;
  }
  return objectName.left(underscore);
}

std::optional<Lockable> lockedAs(const QString& objectName) {
  const QString array = arrayName(objectName);
  for (const LockedArray& locked : kLockedArrays) {
    if (array == QLatin1String(locked.name)) return locked.what;
  }
  return std::nullopt;
}

}  // namespace

void RunGate::run(const std::function<void()>& work) {
  if (model_.runActive() || running_) return;
  running_ = true;
  emit lockChanged();
  work();
  running_ = false;
  emit lockChanged();
  emit returned();
}

void applyRunLock(QWidget& page, const RunLock& lock) {
  for (QWidget* w : page.findChildren<QWidget*>()) {
    if (const std::optional<Lockable> what = lockedAs(w->objectName())) {
      w->setEnabled(qrk::lockableEnabled(*what, lock.controls, lock.conditions));
    }
  }
}

}  // namespace qrkgui
