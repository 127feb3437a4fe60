#include "VMList.h"

#include <cstring>
#include <new>

#include "VMException.h"
#include "VMHeap.h"

void VMList::pushFront(intptr_t value) {
    if (!value) return;
    Node* n = static_cast<Node*>(vmAllocateOrThrow(sizeof(Node)));
    *n = Node{value, first_, nullptr};
    if (first_) first_->prev = n;
    else last_ = n;
    first_ = n;
}

void VMList::pushBack(intptr_t value) {
    if (!value) return;
    Node* n = static_cast<Node*>(vmAllocateOrThrow(sizeof(Node)));
    *n = Node{value, nullptr, last_};
    if (last_) last_->next = n;
    else first_ = n;
    last_ = n;
}

void VMList::removeNode(Node* n) {
    if (!n) return;
    if (n->prev) n->prev->next = n->next;
    else first_ = n->next;
    if (n->next) n->next->prev = n->prev;
    else last_ = n->prev;
    vmFree(n);
}

void VMList::remove(intptr_t value) {
    for (Node* n = first_; n; n = n->next) {
        if (n->value == value) {
            removeNode(n);
            return;
        }
    }
}

void VMList::clear() {
    for (Node* n = first_; n;) {
        Node* following = n->next;
        vmFree(n);
        n = following;
    }
    first_ = last_ = nullptr;
}

VMHashtable::VMHashtable(size_t buckets) : bucketCount_(buckets ? buckets : 1) {
    buckets_ = static_cast<Entry**>(vmAllocateOrThrow(bucketCount_ * sizeof(Entry*)));
}

VMHashtable::~VMHashtable() {
    clear();
    vmFree(buckets_);
}

uint32_t VMHashtable::hash(const char* key) {
    uint32_t h = 0;
    for (const char* p = key; *p; ++p) h = h * 31 + uint32_t(int32_t(static_cast<signed char>(*p)));
    return h;
}

void VMHashtable::put(const char* key, intptr_t value) {
    Entry** link = &buckets_[hash(key) % bucketCount_];
    for (; *link; link = &(*link)->next) {
        if (std::strcmp((*link)->key.c_str(), key) == 0) {
            (*link)->value = value;
            return;
        }
    }
    Entry* e = static_cast<Entry*>(vmAllocateOrThrow(sizeof(Entry)));
    new (e) Entry{value, VMCString(), nullptr};
    try {
        e->key.assign(key);
    } catch (VMException* caught) {
        VMPtr<VMException> error = caught;
        vmFree(e);
        error->throwSelf();
    }
    *link = e;
    ++count_;
}

bool VMHashtable::get(const char* key, intptr_t* out) const {
    for (Entry* e = buckets_[hash(key) % bucketCount_]; e; e = e->next) {
        if (std::strcmp(e->key.c_str(), key) == 0) {
            if (out) *out = e->value;
            return true;
        }
    }
    return false;
}

void VMHashtable::clear() {
    for (size_t b = 0; b < bucketCount_; ++b) {
        for (Entry* e = buckets_[b]; e;) {
            Entry* following = e->next;
            e->~Entry();
            vmFree(e);
            e = following;
        }
        buckets_[b] = nullptr;
    }
    count_ = 0;
}
