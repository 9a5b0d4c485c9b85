#include "device/option_rows.h"

namespace qrk {

namespace {

constexpr std::array<std::string_view, 2> kYesNo{"YES", "NO"};

constexpr std::array<OptionRowInfo, 5> kKind1Rows{{
    {"LOCK", {}, "LOCK", "锁芯片(读为FF)", kYesNo, {}, 0},
    {"ENCRYPT", {"SB"}, "ENCRYPT", "编程器读加密", kYesNo, {}, 0},
    {"MOVCL", {}, "MOVCL", "禁止外部MOVC指令", kYesNo, {}, 0},
    {"EN6T", {}, "EN6T", "双倍速", kYesNo, {}, 1},
    {"HWEN_ISP", {"HWBS", "HWBSL"}, "HWEN_ISP", "上电复位执行ISP", kYesNo, {}, 1},
}};

constexpr std::array<OptionRowInfo, 8> kKind2Rows{{
    {"LOCK", {}, "LOCK/锁芯片(读为FF)", "", kYesNo, {}, 0},
    {"SB", {"ENCRYPT"}, "SB/编程器读加密", "", kYesNo, {}, 0},
    {"MOVCL", {}, "MOVCL/禁止外部MOVC指令", "", kYesNo, {}, 0},
    {"EN6T", {}, "EN6T/双倍速", "", kYesNo, {}, 1},
    {"HWBS", {"HWEN_ISP", "HWBSL"}, "HWBS/上电复位执行ISP", "", kYesNo, {}, 1},
    {"OSC",
     {"OSCILLATOR"},
     "Oscillator Control/振荡器控制",
     "",
     {"1/2 gain", "Full gain"},
     {"half", "full"},
     0},
    {"AUX_RAM",
     {},
     "访问内部扩展RAM-MCU新版C版有效",
     "",
     {"禁止访问", "允许(推荐)"},
     {"forbid", "allow"},
     1},
    {"WDT",
     {"CLOSE_WDT"},
     "用户启动内看门狗后-MCU C版有效",
     "",
     {"仅停电关狗", "复位关狗"},
     {"power-off", "reset"},
     1},
}};

}  // namespace

std::span<const OptionRowInfo> optionRows(MapKind mapKind) {
  if (mapKind == MapKind::TopOf64k) return kKind1Rows;
  if (mapKind == MapKind::TopOfModel) return kKind2Rows;
  return {};
}

}  // namespace qrk
