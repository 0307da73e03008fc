// msg_queue.cpp - CMsgQueue: a singly linked list with a tail pointer, and a
// stack of spare nodes; allocation and freeing happen outside the lock.
#include "core/msg_queue.h"

#include <new>
#include <utility>

namespace kvn {

class CMsgQueue::Held {
public:
    explicit Held(platform::Lock &lock) : lock_(lock) { lock_.lock(); }
    ~Held() { lock_.unlock(); }
    Held(const Held &) = delete;
    Held &operator=(const Held &) = delete;

private:
    platform::Lock &lock_;
};

CMsgQueue::~CMsgQueue() {
    free_chain(head_);
    free_chain(spare_);
}

void CMsgQueue::free_chain(Node *node) {
    while (node != nullptr) delete std::exchange(node, node->next);
}

bool CMsgQueue::push(const MsgText &text) {
    Node *node = nullptr;
    {
        Held held(lock_);
        if (spare_ != nullptr) {
            node = spare_;
            spare_ = node->next;
            --spare_count_;
        }
    }
    if (node == nullptr) node = new Node;
    if (node == nullptr) return false;
    node->text = text;
    node->next = nullptr;
    Held held(lock_);
    if (tail_ == nullptr) head_ = node;
    else tail_->next = node;
    tail_ = node;
    ++size_;
    return true;
}

bool CMsgQueue::pop(MsgText &out) {
    Node *doomed = nullptr;
    {
        Held held(lock_);
        Node *node = head_;
        if (node == nullptr) return false;
        head_ = node->next;
        if (head_ == nullptr) tail_ = nullptr;
        --size_;
        out = node->text;
        if (spare_count_ < spare_limit) {
            node->next = spare_;
            spare_ = node;
            ++spare_count_;
        } else {
            doomed = node;
        }
    }
    delete doomed;
    return true;
}

void CMsgQueue::clear() {
    Node *items = nullptr;
    Node *spares = nullptr;
    {
        Held held(lock_);
        items = std::exchange(head_, nullptr);
        tail_ = nullptr;
        size_ = 0;
        spares = std::exchange(spare_, nullptr);
        spare_count_ = 0;
    }
    free_chain(items);
    free_chain(spares);
}

bool CMsgQueue::empty() const {
    Held held(lock_);
    return head_ == nullptr;
}

size_t CMsgQueue::size() const {
    Held held(lock_);
    return size_;
}

} // namespace kvn
