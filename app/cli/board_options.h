#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <optional>
#include <string>

#include "cli_host.h"
#include "ops/programmer.h"
#include "qt/qt_session.h"

namespace qrkcli {

// Where a board command works: the command line's window and a session that
// neither reads nor writes the window's saved settings (the board gets what
// the command says, nothing the window chose).
struct BoardSession {
  BoardSession() : session({}, qrk::QtSession::Keep::Nothing, host) {}

  qrk::Programmer& programmer() { return session.programmer(); }

  CliHost host{stdout, stderr};
  qrk::QtSession session;
  std::string limitText;  // the --limit that BoardOptionFlags::apply accepted
};

// The options that say what goes onto the offline board, shared by
// board-image and board-download: the model and its options, the file with
// the window's load choices, and the production limit.
struct BoardOptionFlags {
  QCommandLineOption file{"file", "The HEX or BIN file to put on the board.", "PATH"};
  QCommandLineOption model{"model", "The model the board programs (kind 2: QRK5/3-xxA, -xxB).",
                           "NAME"};
  QCommandLineOption ispSpace{"isp-space", "The ISP Space size, e.g. 1.0k (default 0.0k).", "TEXT"};
  QCommandLineOption option{"option", "Sets an option row; repeatable ('qrkprog options').",
                            "ROW=CHOICE"};
  QCommandLineOption limit{"limit", "How many chips the board may program, 1 to 1000000.", "N"};
  QCommandLineOption start{"start", "Buffer Start Address, hexadecimal (default 0).", "HEX"};
  QCommandLineOption fill{"fill", "Unused bytes: FF or 00 (default 00).", "FF|00"};
  QCommandLineOption force{"force", "Use an image whose load gave warnings."};
  QCommandLineOption yes{"yes", "Answer Yes where the window would ask (data the board drops)."};

  void addTo(QCommandLineParser& parser) const {
    parser.addOptions({file, model, ispSpace, option, limit, start, fill, force, yes});
  }

  // Selects the model and its options on the board's programmer, checks the
  // limit and loads the file. Returns the exit status when the command must
  // end here (bad usage or input: 2, with the reason on stderr); nullopt, with
  // the limit's text in board.limitText, when it may go on.
  std::optional<int> apply(const QCommandLineParser& parser, const QStringList& args,
                           BoardSession& board) const;
};

}  // namespace qrkcli
