// RegKey's ownership rules, the same for every backend; only Close() is the backend's.
#include "platform/registry.h"

namespace veltrane::platform {

RegKey::~RegKey() {
    Close();
}

RegKey::RegKey(RegKey&& other) noexcept : handle_(other.handle_), owned_(other.owned_) {
    other.handle_ = nullptr;
    other.owned_ = false;
}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        owned_ = other.owned_;
        other.handle_ = nullptr;
        other.owned_ = false;
    }
    return *this;
}

}  // namespace veltrane::platform
