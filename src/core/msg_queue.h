// msg_queue.h - locked FIFO of wire texts shared by a host thread and a worker.
#pragma once

#include <list>
#include <memory>
#include <mutex>

#include "codec/msg_text.h"

namespace kvn {

// The queue owns every text in it; pop hands ownership to the caller.
// push and pop are O(1) and allocate or free nothing while the lock is held,
// so a flood from the peer never makes the host's calls slower.
class CMsgQueue {
public:
    CMsgQueue() = default;
    CMsgQueue(const CMsgQueue &) = delete;
    CMsgQueue &operator=(const CMsgQueue &) = delete;

    void push(std::unique_ptr<MsgText> text);
    std::unique_ptr<MsgText> pop(); // null when empty
    void clear();
    bool empty() const;

private:
    using List = std::list<std::unique_ptr<MsgText>>;
    mutable std::mutex lock_;
    List items_;
};

} // namespace kvn
