// msg_queue.cpp - CMsgQueue: nodes are spliced between the queue, a spare list
// and locals, so allocation and freeing happen outside the lock.
#include "core/msg_queue.h"

namespace kvn {

void CMsgQueue::push(const MsgText &text) {
    List node;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!spare_.empty()) {
            spare_.front() = text;
            items_.splice(items_.end(), spare_, spare_.begin());
            return;
        }
    }
    node.push_back(text);
    std::lock_guard<std::mutex> guard(lock_);
    items_.splice(items_.end(), node);
}

bool CMsgQueue::pop(MsgText &out) {
    List doomed; // declared before the guard, so it is freed after the unlock
    std::lock_guard<std::mutex> guard(lock_);
    if (items_.empty()) return false;
    out = items_.front();
    List &next_home = spare_.size() < spare_limit ? spare_ : doomed;
    next_home.splice(next_home.begin(), items_, items_.begin());
    return true;
}

void CMsgQueue::clear() {
    List doomed_items;
    List doomed_spares;
    std::lock_guard<std::mutex> guard(lock_);
    doomed_items.swap(items_);
    doomed_spares.swap(spare_);
}

bool CMsgQueue::empty() const {
    std::lock_guard<std::mutex> guard(lock_);
    return items_.empty();
}

size_t CMsgQueue::size() const {
    std::lock_guard<std::mutex> guard(lock_);
    return items_.size();
}

} // namespace kvn
