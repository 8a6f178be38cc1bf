// Message boxes go through one seam: the GUI installs a handler that shows a
// QMessageBox; the command line prints; tests script the answers and record
// the texts. The engine never shows messages: only the shell calls this.
#pragma once

#include <functional>
#include <string>

namespace platform {

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No };

struct MessageRequest {
  std::string caption;
  std::string text;
  MsgIcon icon = MsgIcon::None;
  MsgButtons buttons = MsgButtons::Ok;
};

using MessageBoxHandler = std::function<MsgAnswer(const MessageRequest&)>;

// Installs the handler; an empty handler restores the default, which writes
// "caption: text" to standard error and answers Ok (or Yes for questions).
void SetMessageBoxHandler(MessageBoxHandler handler);

// Shows the message through the installed handler and returns the answer.
MsgAnswer ShowMessage(const std::string& caption, const std::string& text, MsgIcon icon,
                      MsgButtons buttons = MsgButtons::Ok);

}  // namespace platform
