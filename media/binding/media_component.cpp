#include "media/binding/media_component.h"

#include <utility>

namespace media {

TMediaComponent::TMediaComponent(std::string name) : name_(std::move(name)) {}

TMediaComponent::~TMediaComponent() = default;

}  // namespace media
