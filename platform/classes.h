// The component base: named objects with an owner that frees them, and the event types.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class TObject {
public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;

/// A named object owned by another component. Invariant: a component is in its owner's
/// Components() exactly while it is alive; the owner destroys its components in reverse order
/// of creation when it is destroyed.
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner = nullptr);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    TComponent* Owner() const { return owner_; }
    const std::vector<TComponent*>& Components() const { return components_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    /// A directly owned component by name, ignoring case; nullptr when there is none.
    TComponent* FindComponent(const std::string& name) const;

    /// Creates a component owned by this one; the owner frees it.
    template <class T, class... Args> T* Create(Args&&... args) {
        return new T(this, std::forward<Args>(args)...);
    }

private:
    std::string name_;
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
};

} // namespace platform
