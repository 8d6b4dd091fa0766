#pragma once

// Plumbing shared by kv::set and kv::hash_set: a one-pointer,
// copy-on-write holder of a standard container, and the plain pointer behind
// an element.

#include <KvRefCount.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <type_traits>
#include <utility>
#include <vector>

namespace kv {
namespace detail {

// The plain pointer behind a reference pointer (anything with get()) or a
// plain pointer. Lookups go through it so that they take no reference: a
// temporary reference pointer to an unreferenced object would destroy it.
template <class P>
auto rawPointer(const P& p) -> decltype(p.get()) {
    return p.get();
}
template <class X>
X* rawPointer(X* p) {
    return p;
}
inline std::nullptr_t rawPointer(std::nullptr_t) { return nullptr; }

// Enables lookups by anything that yields a plain pointer.
template <class U>
using IfPointerLike = std::enable_if_t<
    std::is_pointer<decltype(rawPointer(std::declval<const U&>()))>::value || std::is_null_pointer<U>::value, int>;

// Holds a container C in a block shared by copies and counted atomically; the
// first write to a shared block copies it. Null stands for the empty
// container.
template <class C>
class Shared {
    struct Block {
        Block() = default;
        explicit Block(const C& from) : c(from) {}
        KvRefCount ref{1};
        bool sharable = true;
        C c;
    };

public:
    Shared() = default;
    Shared(const Shared& o) {
        if (!o.b_) return;
        if (o.b_->sharable) {
            o.b_->ref.ref();
            b_ = o.b_;
        } else {
            b_ = new Block(o.b_->c);
        }
    }
    Shared(Shared&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
    ~Shared() { release(std::exchange(b_, nullptr)); }
    // The old contents are released only once this holds the new ones.
    Shared& operator=(const Shared& o) {
        if (b_ != o.b_) {
            Shared keep(o);
            swap(keep);
        }
        return *this;
    }
    Shared& operator=(Shared&& o) noexcept {
        if (this != &o) {
            Shared keep(std::move(o));
            swap(keep);
        }
        return *this;
    }
    void swap(Shared& o) noexcept { std::swap(b_, o.b_); }

    const C& get() const { return b_ ? b_->c : empty(); }
    // For writing: unshares first.
    C& mutate() {
        if (!b_) {
            b_ = new Block;
        } else if (b_->ref.isShared()) {
            Block* copy = new Block(b_->c);
            release(std::exchange(b_, copy));
        }
        return b_->c;
    }
    // Empties the container. The elements are let go only once this holder
    // is empty, since letting them go may run code that reads it.
    void clear() {
        if (!b_) return;
        if (b_->sharable || b_->ref.isShared()) {
            release(std::exchange(b_, nullptr));
        } else {
            C dead;
            dead.swap(b_->c);
        }
    }

    bool isDetached() const { return !b_ || !b_->ref.isShared(); }
    bool isSharedWith(const Shared& o) const { return b_ == o.b_; }
    void detach() {
        if (b_) mutate();
    }
    // An unsharable holder is copied at once instead of shared.
    void setSharable(bool sharable) {
        if (!sharable) {
            mutate();
            b_->sharable = false;
        } else if (b_ && !b_->sharable) {
            b_->sharable = true;
        }
    }
    bool isSharable() const { return !b_ || b_->sharable; }

private:
    static const C& empty() {
        static const C none;
        return none;
    }
    // The block is unreachable by now, so code run by its elements' release
    // cannot see it.
    static void release(Block* b) {
        if (b && b->ref.unref()) delete b;
    }

    Block* b_ = nullptr;
};

// What kv::set and kv::hash_set share: the holder of their
// container C, reading its size and positions, and the operations on the
// whole. Self is the container class.
template <class C, class Self>
class SharedContainer {
public:
    using iterator = typename C::const_iterator;
    using const_iterator = iterator;

    size_t size() const { return d_.get().size(); }
    bool empty() const { return d_.get().empty(); }
    bool isEmpty() const { return empty(); }
    iterator begin() const { return d_.get().begin(); }
    iterator end() const { return d_.get().end(); }
    iterator cbegin() const { return begin(); }
    iterator cend() const { return end(); }
    iterator constBegin() const { return begin(); }
    iterator constEnd() const { return end(); }

    bool isSharedWith(const Self& o) const { return d_.isSharedWith(o.SharedContainer::d_); }
    bool isDetached() const { return d_.isDetached(); }
    void detach() { d_.detach(); }
    void setSharable(bool sharable) { d_.setSharable(sharable); }
    void clear() { d_.clear(); }
    void swap(Self& o) noexcept { d_.swap(o.SharedContainer::d_); }

protected:
    // Takes out the entries for which keep(entry) is false, unless all are
    // kept; they are let go once the container is consistent again.
    template <class Keep>
    void keepOnly(Keep keep) {
        const C& now = d_.get();
        if (std::all_of(now.begin(), now.end(), keep)) return;
        std::vector<typename C::node_type> dead;
        C& c = d_.mutate();
        for (auto it = c.begin(); it != c.end();) {
            auto next = std::next(it);
            if (!keep(*it)) dead.push_back(c.extract(it));
            it = next;
        }
    }

    Shared<C> d_;
};

}  // namespace detail
}  // namespace kv
