#include "demo_options.h"

#include "number_arguments.h"

namespace qrkcli {

namespace {

std::optional<bool> yesNo(const QString& text) {
  const QString t = text.trimmed().toLower();
  if (t == "yes") return true;
  if (t == "no") return false;
  return std::nullopt;
}

// "none" switches the pin off; "Px.y" chooses port Px and bit y as typed.
bool readPin(const QString& text, bool* on, std::string* port, std::string* bit) {
  const QString t = text.trimmed();
  if (t.compare("none", Qt::CaseInsensitive) == 0) {
    *on = false;
    return true;
  }
  const qsizetype dot = t.indexOf('.');
  if (dot <= 0 || dot == t.size() - 1) return false;
  *on = true;
  *port = t.left(dot).toUpper().toStdString();
  *bit = t.mid(dot + 1).toStdString();
  return true;
}

}  // namespace

std::optional<qrk::IspDemoSettings> DemoOptionFlags::read(const QCommandLineParser& parser,
                                                          QString* error) const {
  qrk::IspDemoSettings settings;
  if (parser.isSet(freq)) {
    const std::optional<double> mhz = parseDecimalArgument(parser.value(freq));
    if (!mhz || !(*mhz > 0.0)) {
      *error =
          numberRefusal("freq", "the crystal frequency in MHz, a positive number such as 11.0592",
                        parser.value(freq));
      return std::nullopt;
    }
    settings.crystalMhzText = parser.value(freq).trimmed().toStdString();
  }
  if (parser.isSet(baud)) {
    if (!parseWholeArgument(parser.value(baud), 1, 10'000'000)) {
      *error = numberRefusal("baud", "a baud rate such as 38400", parser.value(baud));
      return std::nullopt;
    }
    settings.baudText = parser.value(baud).trimmed().toStdString();
  }
  for (auto [option, target] :
       {std::pair{&parity, &settings.parity}, std::pair{&eraseData, &settings.eraseDataFlash}}) {
    if (!parser.isSet(*option)) continue;
    const auto value = yesNo(parser.value(*option));
    if (!value) {
      *error = "--" + option->names().first() + " takes yes or no";
      return std::nullopt;
    }
    *target = *value;
  }
  if (parser.isSet(wdt) && !readPin(parser.value(wdt), &settings.watchdogPin,
                                    &settings.watchdogPortText, &settings.watchdogBitText)) {
    *error = "--wdt takes none or a pin such as P1.0";
    return std::nullopt;
  }
  if (parser.isSet(rs485) && !readPin(parser.value(rs485), &settings.rs485Pin,
                                      &settings.rs485PortText, &settings.rs485BitText)) {
    *error = "--rs485 takes none or a pin such as P3.5";
    return std::nullopt;
  }
  if (parser.isSet(rs485Logic)) {
    const QString logic = parser.value(rs485Logic).trimmed();
    if (logic != "0" && logic != "1") {
      *error = "--rs485-logic takes 0 (a high level sends) or 1 (a high level receives)";
      return std::nullopt;
    }
    settings.rs485HighReceives = logic == "1";
  }
  return settings;
}

}  // namespace qrkcli
