#pragma once

#include <string>

#include "link/isp_link.h"
#include "link/status.h"
#include "platform/message_pane.h"

namespace qrk {

// The model family an identification code belongs to ("MCU: ..."), or empty.
std::string modelMessageForId(const std::string& idText);

// Reads the chip's ID and compares it with `expectedId`: success when equal,
// WrongId (with the ID read) when different, NoAnswer when none could be read. An empty expected ID
// (a model whose chips report none) never matches: success is only reported for a real comparison.
// With showMessages false the pane is left untouched. `idRead`, when given,
// receives the four hex digits of an ID that was read.
Status readTargetId(IspLink& link, MessagePane& pane, const std::string& expectedId,
                    bool showMessages, std::string* idRead = nullptr);

}  // namespace qrk
