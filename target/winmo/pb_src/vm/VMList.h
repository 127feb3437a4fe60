// The runtime's own containers for its bookkeeping (threads, listeners,
// interfaces, the class table, interned literals, properties). Not Java
// objects: they allocate from the VM heap and are never collected.
#pragma once

#include "VMCString.h"

// A doubly linked list of pointer-sized values; null values are not stored.
class VMList {
public:
    struct Node {
        intptr_t value;
        Node* next;
        Node* prev;
    };

    VMList() = default;
    VMList(const VMList&) = delete;
    VMList& operator=(const VMList&) = delete;
    ~VMList() { clear(); }

    void pushFront(intptr_t value);
    void pushBack(intptr_t value);
    void removeNode(Node* node);
    // Removes the first node holding `value`, if any.
    void remove(intptr_t value);
    void clear();

    Node* first() const { return first_; }
    Node* last() const { return last_; }
    static Node* next(Node* n) { return n ? n->next : nullptr; }
    static intptr_t value(Node* n) { return n ? n->value : 0; }
    bool empty() const { return first_ == nullptr; }

    template <class T, class F>
    void forEach(F&& f) const {
        for (Node* n = first_; n;) {
            Node* following = n->next;
            f(reinterpret_cast<T>(n->value));
            n = following;
        }
    }

private:
    Node* first_ = nullptr;
    Node* last_ = nullptr;
};

// A chained hash table from zero-terminated strings to pointer-sized values.
class VMHashtable {
public:
    explicit VMHashtable(size_t buckets = 200);
    VMHashtable(const VMHashtable&) = delete;
    VMHashtable& operator=(const VMHashtable&) = delete;
    ~VMHashtable();

    // Bytes are taken as signed chars, as the table always has.
    static uint32_t hash(const char* key);
    void put(const char* key, intptr_t value);
    // True when the key is present; stores its value through `out` if given.
    bool get(const char* key, intptr_t* out) const;
    void clear();
    size_t size() const { return count_; }

    template <class F>
    void forEach(F&& f) const {
        for (size_t b = 0; b < bucketCount_; ++b)
            for (Entry* e = buckets_[b]; e; e = e->next) f(e->key.c_str(), e->value);
    }

private:
    struct Entry {
        intptr_t value;
        VMCString key;
        Entry* next;
    };
    Entry** buckets_;
    size_t bucketCount_;
    size_t count_ = 0;
};
