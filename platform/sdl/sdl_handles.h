// Opaque Win32-style handles for the backend's objects.  A handle is a
// number that is never reused, so a stale handle finds nothing instead of
// a newer object that took its place.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

namespace platform::sdl {

template <typename Handle, typename Object>
class HandleTable {
 public:
  explicit HandleTable(std::uintptr_t first) : next_(first) {}

  Handle Add(std::unique_ptr<Object> object) {
    std::uintptr_t id = next_++;
    objects_.emplace(id, std::move(object));
    return reinterpret_cast<Handle>(id);
  }

  Object* Find(Handle handle) const {
    auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == objects_.end() ? nullptr : found->second.get();
  }

  std::unique_ptr<Object> Remove(Handle handle) {
    auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == objects_.end()) return nullptr;
    std::unique_ptr<Object> object = std::move(found->second);
    objects_.erase(found);
    return object;
  }

  // In the order the handles were made.
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (const auto& [id, object] : objects_) visit(reinterpret_cast<Handle>(id), *object);
  }

  void Clear() { objects_.clear(); }

 private:
  std::uintptr_t next_;
  std::map<std::uintptr_t, std::unique_ptr<Object>> objects_;
};

}  // namespace platform::sdl
