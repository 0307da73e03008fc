// msg_queue.h - locked FIFO of wire texts shared by a host thread and a worker.
#pragma once

#include <cstddef>
#include <list>
#include <mutex>

#include "codec/msg_text.h"

namespace kvn {

// Texts are copied in and out, so no text is ever freed by a thread other
// than the one that made it.  push and pop are O(1).  Nodes that pop frees
// are kept (up to spare_limit) and reused by push, so steady traffic makes
// no heap allocation at all; a node is only ever allocated or freed outside
// the lock, so a flood from the peer never makes the host's calls slower.
class CMsgQueue {
public:
    static constexpr size_t spare_limit = 64;

    CMsgQueue() = default;
    CMsgQueue(const CMsgQueue &) = delete;
    CMsgQueue &operator=(const CMsgQueue &) = delete;

    void push(const MsgText &text);
    bool pop(MsgText &out); // false, and out untouched, when empty
    void clear();           // drops the queued texts and the kept nodes
    bool empty() const;
    size_t size() const;

private:
    using List = std::list<MsgText>;
    mutable std::mutex lock_;
    List items_;
    List spare_;
};

} // namespace kvn
