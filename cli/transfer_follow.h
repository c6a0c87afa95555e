#pragma once
// Following a running transfer from the command line: its progress on standard error
// and the question about another model.

#include <functional>
#include <ostream>

#include "link/protocol.h"

class AppFiles;

namespace cli {

// Looks at the transfer every 20 ms, as the desktop program does, until a final state:
// shows the progress on `err` and puts the question about another model to
// `confirmOtherModel`. Its answer reaches the worker only while the worker still waits
// for one; one that comes after the worker gave up changes nothing. Returns the final
// state (WrongType at once when the user declined); the worker may still be returning.
TransferState Follow(TransferParams& params, const AppFiles& files, std::ostream& err, bool isRead,
                     const std::function<bool()>& confirmOtherModel);

}  // namespace cli
