#include "platform/message_box.h"

#include <iostream>
#include <mutex>

namespace platform {
namespace {

std::mutex& HandlerMutex() {
  static std::mutex mutex;
  return mutex;
}

MessageBoxHandler& Handler() {  // guarded by HandlerMutex()
  static MessageBoxHandler handler;
  return handler;
}

// Without a user interface: print the message and take the first button.
MsgAnswer DefaultHandler(const MessageRequest& request) {
  std::cerr << request.caption << ": " << request.text << std::endl;
  switch (request.buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
      return MsgAnswer::Yes;
    case MsgButtons::Ok:
    case MsgButtons::OkCancel:
      break;
  }
  return MsgAnswer::Ok;
}

}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard lock(HandlerMutex());
  Handler() = std::move(handler);
}

MsgAnswer ShowMessage(const std::string& caption, const std::string& text, MsgIcon icon,
                      MsgButtons buttons) {
  MessageBoxHandler handler;
  {
    // Copied out so a handler may itself show a message or replace the
    // handler without dead-locking.
    std::lock_guard lock(HandlerMutex());
    handler = Handler();
  }
  MessageRequest request{caption, text, icon, buttons};
  return handler ? handler(request) : DefaultHandler(request);
}

}  // namespace platform
