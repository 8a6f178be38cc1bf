// The small common base of the media components (converter, probe, player,
// engine log). Log events name the component that logged through a
// TMediaComponent* Sender.
#pragma once

#include <string>

namespace media {

class TMediaComponent {
 public:
  explicit TMediaComponent(std::string name = {});
  virtual ~TMediaComponent();
  TMediaComponent(const TMediaComponent&) = delete;
  TMediaComponent& operator=(const TMediaComponent&) = delete;

  // The component's name ("CCAVC", "Player", ...); set by its owner, read by
  // log handlers. Not guarded: set it before the component is shared.
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }

 private:
  std::string name_;
};

}  // namespace media
