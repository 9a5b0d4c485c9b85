#include "offline/board_messages.h"

namespace qrk {

std::string boardCapacityWarning(std::int32_t capacityBytes) {
  return "此脱机烧录器最多下载 " + std::to_string(capacityBytes / 1024) +
         "K 程序和数据(含ISP程序), 超出部分将不下载。\r\n\r\n"
         "                           按确定继续";
}

std::string ledLegendText() {
  static constexpr std::string_view kLines[] = {
      "                             7 6 5 4 3 2 1 0",
      "正在自检                     @   @   @   @     长亮不闪烁",
      "烧录中                       8个灯长亮, 亮度稍暗，有不明显的闪烁",
      "--------------------------------------------------------------------------",
      "禁止脱机烧录:                @ @ @ @ @ @ @ @   8个灯长亮,拷贝限量已减为 0",
      "                                               或还未下载应用程序",
      "--------------------------------------------------------------------------",
      "自检错                       @                 P0.7 LED 长亮不闪烁",
      "单片机型号不符                 @               P0.6 LED 长亮不闪烁",
      "检查空片错                       @             P0.5 LED 长亮不闪烁",
      "AP, ISP 校验错                     @           P0.4 LED 长亮不闪烁",
      "因受干扰等原因发生运行错误           @         P0.3 LED 长亮不闪烁",
  };
  std::string text;
  for (std::string_view line : kLines) {
    if (!text.empty()) text += "\r\n";
    text += line;
  }
  return text;
}

}  // namespace qrk
