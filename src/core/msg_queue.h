// msg_queue.h - locked FIFO of wire texts shared by a host thread and a worker.
#pragma once

#include <cstddef>

#include "codec/msg_text.h"
#include "platform/platform.h"

namespace kvn {

// Texts are copied in and out, so no text is ever freed by a thread other
// than the one that made it.  push and pop are O(1).  Nodes that pop frees
// are kept (up to spare_limit) and reused by push, so steady traffic makes
// no heap allocation at all; a node is only ever allocated or freed outside
// the lock, so a flood from the peer never makes the host's calls slower.
// Nothing here throws: a push that finds no memory says so, and the lock
// never allocates, so a thread out of memory can still use a queue.
class CMsgQueue {
public:
    static constexpr size_t spare_limit = 64;

    CMsgQueue() = default;
    ~CMsgQueue();
    CMsgQueue(const CMsgQueue &) = delete;
    CMsgQueue &operator=(const CMsgQueue &) = delete;

    bool push(const MsgText &text); // false, and nothing queued, without memory
    bool pop(MsgText &out);         // false, and out untouched, when empty
    void clear();                   // drops the queued texts and the kept nodes
    bool empty() const;
    size_t size() const;

private:
    struct Node : platform::NoThrowNew { // null when there is no memory for it
        MsgText text;
        Node *next;
    };
    class Held; // the lock, for one scope
    static void free_chain(Node *node);

    mutable platform::Lock lock_;
    Node *head_ = nullptr;
    Node *tail_ = nullptr;
    size_t size_ = 0;
    Node *spare_ = nullptr;
    size_t spare_count_ = 0;
};

} // namespace kvn
