// msg_queue.cpp - CMsgQueue: nodes are made and freed outside the lock and spliced in.
#include "core/msg_queue.h"

namespace kvn {

void CMsgQueue::push(std::unique_ptr<MsgText> text) {
    List node;
    node.push_back(std::move(text));
    std::lock_guard<std::mutex> guard(lock_);
    items_.splice(items_.end(), node);
}

std::unique_ptr<MsgText> CMsgQueue::pop() {
    List node;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (items_.empty()) return nullptr;
        node.splice(node.begin(), items_, items_.begin());
    }
    return std::move(node.front());
}

void CMsgQueue::clear() {
    List doomed;
    {
        std::lock_guard<std::mutex> guard(lock_);
        doomed.swap(items_);
    }
}

bool CMsgQueue::empty() const {
    std::lock_guard<std::mutex> guard(lock_);
    return items_.empty();
}

} // namespace kvn
