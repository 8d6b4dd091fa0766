#pragma once

#include <KvObjectList.h>

#include <QHash>

#include <memory>

// Object list without duplicates. Short lists search linearly; from 100
// elements on a hash index answers includes(), and it is dropped again only
// when removals leave fewer than 50 (the gap keeps a list that hovers around
// one size from building and dropping the index over and over).
class KV_BASE_EXPORT KvObjectUniqueList : public KvObjectList {
public:
    KvObjectUniqueList() = default;
    KvObjectUniqueList(const KvObjectUniqueList& o);
    KvObjectUniqueList& operator=(const KvObjectUniqueList& o);
    ~KvObjectUniqueList() override;

    void append(KvObjectList& other) override;
    bool append(KvObject* obj) override;
    void removeFirst(KvObject* obj) override;
    void remove(KvObjectListIterator& it) override;
    bool includes(KvObject* obj) const override;
    void clear() override;
    virtual void remove(KvObject* obj);

    bool hasIndex() const { return index_ != nullptr; }

    static constexpr size_t kBuildIndexAt = 100;
    static constexpr size_t kDropIndexBelow = 50;

private:
    void buildHash(size_t capacity);
    void destroyHash() { index_.reset(); }
    void dropIndexIfShort() {
        if (index_ && getLength() < kDropIndexBelow) destroyHash();
    }

    std::unique_ptr<QHash<KvObject*, Position>> index_;
};
