#include "number_arguments.h"

#include <QRegularExpression>

namespace qrkcli {

std::optional<double> parseDecimalArgument(const QString& text) {
  static const QRegularExpression kDecimal(R"(^(\d+\.?\d*|\.\d+)$)");
  const QString t = text.trimmed();
  if (!kDecimal.match(t).hasMatch()) return std::nullopt;
  bool ok = false;
  const double value = t.toDouble(&ok);
  return ok ? std::optional<double>(value) : std::nullopt;
}

std::optional<std::int64_t> parseWholeArgument(const QString& text, std::int64_t minimum,
                                               std::int64_t maximum) {
  static const QRegularExpression kDigits(R"(^\d{1,18}$)");
  const QString t = text.trimmed();
  if (!kDigits.match(t).hasMatch()) return std::nullopt;
  const std::int64_t value = t.toLongLong();
  if (value < minimum || value > maximum) return std::nullopt;
  return value;
}

std::optional<std::int64_t> parseHexArgument(const QString& text) {
  static const QRegularExpression kHex(R"(^(0[xX])?([0-9A-Fa-f]{1,8})$)");
  const QRegularExpressionMatch match = kHex.match(text.trimmed());
  if (!match.hasMatch()) return std::nullopt;
  return match.captured(2).toLongLong(nullptr, 16);
}

QString withoutHexPrefix(const QString& text) {
  static const QRegularExpression kHex(R"(^\s*0[xX]([0-9A-Fa-f]+)\s*$)");
  const QRegularExpressionMatch match = kHex.match(text);
  return match.hasMatch() ? match.captured(1) : text;
}

QString numberRefusal(const QString& option, const QString& what, const QString& text) {
  return "--" + option + " takes " + what + ", not '" + text + "'";
}

}  // namespace qrkcli
