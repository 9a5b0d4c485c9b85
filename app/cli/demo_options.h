#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <optional>

#include "ispdemo/isp_demo_settings.h"

namespace qrkcli {

// The ISP DEMO page's choices as command-line options, shared by demo-build
// and demo-write. Left out, each takes the window's first-start choice.
struct DemoOptionFlags {
  QCommandLineOption freq{"freq", "Crystal frequency in MHz (default 11.0592).", "MHZ"};
  QCommandLineOption baud{"baud", "The DEMO's baud rate (default 38400).", "N"};
  QCommandLineOption parity{"parity", "Even parity in a ninth bit (default yes).", "yes|no"};
  QCommandLineOption eraseData{"erase-data", "Erase the data flash with the AP area (default yes).",
                               "yes|no"};
  QCommandLineOption wdt{"wdt", "External watchdog pin, e.g. P1.0 (default none).", "none|Px.y"};
  QCommandLineOption rs485{"rs485", "RS-485 direction pin, e.g. P3.5 (default none).", "none|Px.y"};
  QCommandLineOption rs485Logic{
      "rs485-logic", "0: a high level sends (default); 1: a high level receives.", "0|1"};

  void addTo(QCommandLineParser& parser) const {
    parser.addOptions({freq, baud, parity, eraseData, wdt, rs485, rs485Logic});
  }

  // The settings the flags stand for; nullopt with a one-line reason when an
  // option is not in its accepted form. The values themselves (a port P7, a
  // bit 9, a red baud rate) are judged by the builder, as on the page.
  std::optional<qrk::IspDemoSettings> read(const QCommandLineParser& parser, QString* error) const;
};

}  // namespace qrkcli
