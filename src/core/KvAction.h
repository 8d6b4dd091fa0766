#pragma once

#include <KvBaseExport.h>
#include <KvString.h>

#include <cstdint>
#include <iosfwd>

class KvObject;
class KvObservedObject;

// One change of one observed object (its source), shared by all the queued
// deliveries of one notification. The count is not atomic: actions live on
// the thread that notifies and runs the queue.
//
// While the source is set the action keeps it alive (through its reference
// object or undo reference object form), so an object cannot be deleted while
// a delivery about it is pending.
class KV_BASE_EXPORT KvAction {
public:
    KvAction(const KvAction& o);
    KvAction& operator=(const KvAction&) = delete;

    virtual void process(KvObject* target) = 0;
    virtual KvString getClassName() = 0;
    virtual bool isDoomAction() const { return false; }

    void ref() { ++count_; }
    // At a count of 1 deletes without decrementing.
    void unref() {
        if (count_ == 1)
            delete this;
        else
            --count_;
    }
    uint64_t getRefCount() const { return count_; }
    KvObservedObject* getSource() { return source_; }
    const KvObservedObject* getSource() const { return source_; }

protected:
    // Throws "NULL entity" for a null source.
    explicit KvAction(KvObservedObject* source);
    virtual ~KvAction();
    // Drops the source reference and forgets the source.
    void clearSource();
    // Forgets the source without touching its count: for an action whose
    // delivery deletes the source.
    void forgetSource() {
        source_ = nullptr;
        held_ = 0;
    }

private:
    void holdSource();

    uint64_t count_ = 0;
    KvObservedObject* source_ = nullptr;
    // What holds the source alive: 0 nothing, 1 reference object, 2 undo
    // reference object.
    int held_ = 0;
};

// "ClassName(0x...)"
KV_BASE_EXPORT std::ostream& operator<<(std::ostream& os, const KvAction* action);
